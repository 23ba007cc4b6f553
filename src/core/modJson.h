#pragma once
// A small, lenient JSON reader: case-insensitive insertion-ordered objects,
// 1-based arrays, and accessors that answer "absent" instead of failing.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace pankor {

class JsonObject;
class JsonArray;

struct JsonValue {
    enum class Kind { Empty, Boolean, Number, String, Object, Array };
    std::variant<std::monostate, bool, double, std::string, std::shared_ptr<JsonObject>, std::shared_ptr<JsonArray>>
        data;

    Kind kind() const noexcept { return static_cast<Kind>(data.index()); }
    bool IsContainer() const noexcept { return kind() == Kind::Object || kind() == Kind::Array; }
};

// Keys compare without regard to case; a repeated key keeps its last value,
// at the position of its last occurrence.
class JsonObject {
public:
    void Set(const std::string& key, JsonValue value);
    const JsonValue* Find(std::string_view key) const;
    std::size_t Count() const noexcept { return live_; }
    // Members in insertion order.
    std::vector<std::pair<std::string, const JsonValue*>> Members() const;

private:
    struct Entry {
        std::string key;
        JsonValue value;
        bool removed = false;
    };
    std::size_t Position(std::string_view key) const;  // of the live entry, or npos
    void BuildIndex();

    std::vector<Entry> entries_;
    std::size_t live_ = 0;
    // Small objects are searched in place; large ones get an index by
    // lower-cased key, so hostile input with many keys stays linear.
    std::unique_ptr<std::unordered_map<std::string, std::size_t>> index_;
};

class JsonArray {
public:
    std::vector<JsonValue> items;
};

class modJson {
public:
    JsonValue JsonParse(std::string_view text) noexcept;
    // The top-level object or array, or Empty when the parse failed or the
    // top level is not a container.
    JsonValue JsonParseObject(std::string_view text) noexcept;
    bool JsonOk() const noexcept { return ok_; }
    // Set, with JsonOk false, when the text held an escape that is not a
    // number or a number beyond the range of a double; "" otherwise.
    const std::string& JsonError() const noexcept { return error_; }

private:
    bool ok_ = false;
    std::string error_;
};

const JsonValue& JsonMember(const JsonValue& value, std::string_view key) noexcept;
std::string JsonStr(const JsonValue& value, std::string_view key) noexcept;
JsonValue JsonObj(const JsonValue& value, std::string_view key) noexcept;
const JsonValue& JsonItem(const JsonValue& value, int position) noexcept;
JsonValue JsonItemObj(const JsonValue& value, int position) noexcept;
int JsonCount(const JsonValue& value) noexcept;

// Shortest decimal text of a number: integral values without a point, at most
// 15 significant digits, exponent form "1E+20" for very large or small values.
std::string NumberText(double d);

// The lenient decimal conversion: blanks, tabs and line feeds are ignored, the
// longest leading number is read, anything else gives 0. Values beyond the
// range of a double set overflow (and answer 0).
double LenientNumber(std::string_view text, bool* overflow = nullptr) noexcept;

}  // namespace pankor
