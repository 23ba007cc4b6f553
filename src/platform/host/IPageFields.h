#pragma once
// Reading what the user typed into the page: the value of one element of the
// page's document. The browser host implements it.
#include <string>

#include "base/Result.h"

namespace pankor {

class IPageFields {
public:
    virtual ~IPageFields() = default;
    // The element's value as text; fails when there is no document or no
    // element with that id.
    virtual Result<std::string> ElementValue(const std::string& id) noexcept = 0;
};

}  // namespace pankor
