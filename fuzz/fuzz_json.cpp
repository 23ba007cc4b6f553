// The JSON reader on arbitrary text: no crash, and a tree that parsed can be
// walked through every accessor.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/modJson.h"

using namespace pankor;

namespace {
void Walk(const JsonValue& v, int depth) {
    if (depth > 600) __builtin_trap();  // the reader refuses nesting this deep
    if (const auto* obj = std::get_if<std::shared_ptr<JsonObject>>(&v.data)) {
        for (const auto& [key, member] : (*obj)->Members()) {
            (void)JsonStr(v, key);
            if (JsonMember(v, key).kind() != member->kind()) __builtin_trap();  // the first of equal keys wins
            Walk(*member, depth + 1);
        }
    }
    for (int i = 1; i <= JsonCount(v) && v.kind() == JsonValue::Kind::Array; ++i) Walk(JsonItem(v, i), depth + 1);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    modJson json;
    const JsonValue v = json.JsonParse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (json.JsonOk())
        Walk(v, 0);
    else if (v.kind() != JsonValue::Kind::Empty)
        __builtin_trap();
    return 0;
}
