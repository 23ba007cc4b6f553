#pragma once
// A page document holding the given element values.
#include <map>
#include <string>

#include "platform/host/IPageFields.h"

namespace pankor::fakes {

class FakePageFields : public IPageFields {
public:
    std::map<std::string, std::string> values;  // by element id; others are missing
    bool document = true;
    Result<std::string> ElementValue(const std::string& id) noexcept override {
        const auto it = values.find(id);
        if (!document || it == values.end()) return Result<std::string>::Fail("no such element");
        return Result<std::string>::Of(it->second);
    }
};

}  // namespace pankor::fakes
