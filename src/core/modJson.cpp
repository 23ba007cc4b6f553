#include "core/modJson.h"

#include <charconv>
#include <cmath>

#include "base/Hex.h"
#include "base/Text.h"

namespace pankor {

namespace {
constexpr std::size_t kIndexFrom = 16;
}

std::size_t JsonObject::Position(std::string_view key) const {
    if (index_) {
        const auto it = index_->find(LowerAscii(key));
        return it == index_->end() ? std::string::npos : it->second;
    }
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (!entries_[i].removed && EqualsNoCase(entries_[i].key, key)) return i;
    return std::string::npos;
}

void JsonObject::BuildIndex() {
    index_ = std::make_unique<std::unordered_map<std::string, std::size_t>>();
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (!entries_[i].removed) (*index_)[LowerAscii(entries_[i].key)] = i;
}

void JsonObject::Set(const std::string& key, JsonValue value) {
    if (const std::size_t old = Position(key); old != std::string::npos) {
        entries_[old].removed = true;  // a repeated key moves to the end
        entries_[old].value = {};
        --live_;
    }
    entries_.push_back({key, std::move(value), false});
    ++live_;
    if (index_)
        (*index_)[LowerAscii(key)] = entries_.size() - 1;
    else if (entries_.size() > kIndexFrom)
        BuildIndex();
}

const JsonValue* JsonObject::Find(std::string_view key) const {
    const std::size_t i = Position(key);
    return i == std::string::npos ? nullptr : &entries_[i].value;
}

std::vector<std::pair<std::string, const JsonValue*>> JsonObject::Members() const {
    std::vector<std::pair<std::string, const JsonValue*>> out;
    out.reserve(live_);
    for (const Entry& e : entries_)
        if (!e.removed) out.emplace_back(e.key, &e.value);
    return out;
}

namespace {

// Nesting deeper than this is refused: it only comes from hostile input and
// would otherwise exhaust the stack.
constexpr int kMaxDepth = 512;

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) {}

    JsonValue Run() {
        SkipWhite();
        JsonValue v = ParseValue(0);
        SkipWhite();
        if (pos_ < s_.size()) ok_ = false;
        if (!ok_) return {};
        return v;
    }
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }

private:
    void SkipWhite() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
            ++pos_;
    }
    bool AtEnd() const { return pos_ >= s_.size(); }
    char Peek() const { return s_[pos_]; }
    // The conversion errors abandon the parse (as opposed to grammar errors).
    void Abandon(std::string why) {
        ok_ = false;
        abandoned_ = true;
        error_ = std::move(why);
    }
    bool Literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) {
            ok_ = false;
            return false;
        }
        pos_ += word.size();
        return true;
    }

    JsonValue ParseValue(int depth) {
        SkipWhite();
        if (AtEnd()) {
            ok_ = false;
            return {};
        }
        switch (Peek()) {
            case '{': return ParseObject(depth + 1);
            case '[': return ParseArray(depth + 1);
            case '"': return {ParseString()};
            case 't': return Literal("true") ? JsonValue{true} : JsonValue{};
            case 'f': return Literal("false") ? JsonValue{false} : JsonValue{};
            case 'n': Literal("null"); return {};
            default: return ParseNumber();
        }
    }

    JsonValue ParseObject(int depth) {
        auto obj = std::make_shared<JsonObject>();
        JsonValue result{obj};
        if (depth > kMaxDepth) {
            ok_ = false;
            return result;
        }
        ++pos_;
        SkipWhite();
        if (!AtEnd() && Peek() == '}') {
            ++pos_;
            return result;
        }
        while (ok_) {
            SkipWhite();
            if (AtEnd() || Peek() != '"') break;
            std::string key = ParseString();
            if (!ok_) break;
            SkipWhite();
            if (AtEnd() || Peek() != ':') break;
            ++pos_;
            JsonValue value = ParseValue(depth);
            if (!ok_) return result;
            obj->Set(key, std::move(value));
            SkipWhite();
            if (AtEnd()) break;
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            if (Peek() == '}') {
                ++pos_;
                return result;
            }
            break;
        }
        ok_ = false;
        return result;
    }

    JsonValue ParseArray(int depth) {
        auto arr = std::make_shared<JsonArray>();
        JsonValue result{arr};
        if (depth > kMaxDepth) {
            ok_ = false;
            return result;
        }
        ++pos_;
        SkipWhite();
        if (!AtEnd() && Peek() == ']') {
            ++pos_;
            return result;
        }
        while (ok_) {
            JsonValue value = ParseValue(depth);
            if (!ok_) return result;
            arr->items.push_back(std::move(value));
            SkipWhite();
            if (AtEnd()) break;
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            if (Peek() == ']') {
                ++pos_;
                return result;
            }
            break;
        }
        ok_ = false;
        return result;
    }

    // Four hex digits after "\u", or -1 after abandoning the parse.
    int ReadUnit() {
        if (pos_ + 4 > s_.size()) {
            Abandon("invalid \\u escape at offset " + std::to_string(pos_));
            return -1;
        }
        int v = 0;
        for (int i = 0; i < 4; ++i) {
            const int h = HexDigitValue(s_[pos_ + i]);
            if (h < 0) {
                Abandon("invalid \\u escape at offset " + std::to_string(pos_));
                return -1;
            }
            v = v * 16 + h;
        }
        pos_ += 4;
        return v;
    }

    std::string ParseString() {
        std::string out;
        ++pos_;
        while (true) {
            if (AtEnd()) {
                ok_ = false;  // unterminated
                return out;
            }
            // Copy the run of plain characters up to the next quote or escape at once.
            std::size_t end = pos_;
            while (end < s_.size() && s_[end] != '"' && s_[end] != '\\') ++end;
            out.append(s_.data() + pos_, end - pos_);
            pos_ = end;
            if (AtEnd()) {
                ok_ = false;  // unterminated
                return out;
            }
            const char c = s_[pos_++];
            if (c == '"') return out;
            if (AtEnd()) {
                ok_ = false;
                return out;
            }
            const char e = s_[pos_++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u':
                    if (!AppendEscapedUnit(out)) return out;
                    break;
                default: ok_ = false; return out;
            }
        }
    }

    // Text is UTF-8: a surrogate pair written as two escapes becomes one
    // character; a lone surrogate becomes U+FFFD.
    bool AppendEscapedUnit(std::string& out) {
        const int unit = ReadUnit();
        if (unit < 0) return false;
        if (unit >= 0xD800 && unit <= 0xDBFF && s_.substr(pos_, 2) == "\\u") {
            const std::size_t save = pos_;
            pos_ += 2;
            const int low = ReadUnit();
            if (low < 0) return false;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                return true;
            }
            pos_ = save;  // not a pair: the next escape stands on its own
        }
        AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? 0xFFFD : static_cast<char32_t>(unit));
        return true;
    }

    JsonValue ParseNumber() {
        static constexpr std::string_view kNumberChars = "0123456789+-.eE";
        const std::size_t start = pos_;
        while (!AtEnd() && kNumberChars.find(Peek()) != std::string_view::npos) ++pos_;
        if (pos_ == start) {
            ok_ = false;
            return {};
        }
        bool overflow = false;
        const double d = LenientNumber(s_.substr(start, pos_ - start), &overflow);
        if (overflow) {
            Abandon("number out of range at offset " + std::to_string(start));
            return {};
        }
        return {d};
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    bool ok_ = true;
    bool abandoned_ = false;
    std::string error_;
};

const JsonValue kEmpty{};

}  // namespace

JsonValue modJson::JsonParse(std::string_view text) noexcept {
    try {
        Parser p(text);
        JsonValue v = p.Run();
        ok_ = p.ok();
        error_ = p.error();
        return v;
    } catch (...) {
        ok_ = false;
        error_ = "out of memory";
        return {};
    }
}

JsonValue modJson::JsonParseObject(std::string_view text) noexcept {
    JsonValue v = JsonParse(text);
    return v.IsContainer() ? v : JsonValue{};
}

const JsonValue& JsonMember(const JsonValue& value, std::string_view key) noexcept {
    try {
        if (const auto* obj = std::get_if<std::shared_ptr<JsonObject>>(&value.data)) {
            if (const JsonValue* found = (*obj)->Find(key)) return *found;
        }
    } catch (...) {
        // Out of memory while searching: the accessors answer "absent", never fail.
    }
    return kEmpty;
}

std::string JsonStr(const JsonValue& value, std::string_view key) noexcept {
    try {
        const JsonValue& m = JsonMember(value, key);
        switch (m.kind()) {
            case JsonValue::Kind::String: return std::get<std::string>(m.data);
            case JsonValue::Kind::Number: return NumberText(std::get<double>(m.data));
            case JsonValue::Kind::Boolean: return std::get<bool>(m.data) ? "True" : "False";
            default: return {};
        }
    } catch (...) {
        return {};
    }
}

JsonValue JsonObj(const JsonValue& value, std::string_view key) noexcept {
    const JsonValue& m = JsonMember(value, key);
    return m.IsContainer() ? m : JsonValue{};
}

const JsonValue& JsonItem(const JsonValue& value, int position) noexcept {
    if (const auto* arr = std::get_if<std::shared_ptr<JsonArray>>(&value.data)) {
        const auto& items = (*arr)->items;
        if (position >= 1 && static_cast<std::size_t>(position) <= items.size()) return items[position - 1];
    }
    return kEmpty;
}

JsonValue JsonItemObj(const JsonValue& value, int position) noexcept {
    const JsonValue& item = JsonItem(value, position);
    return item.IsContainer() ? item : JsonValue{};
}

int JsonCount(const JsonValue& value) noexcept {
    if (const auto* arr = std::get_if<std::shared_ptr<JsonArray>>(&value.data))
        return static_cast<int>((*arr)->items.size());
    if (const auto* obj = std::get_if<std::shared_ptr<JsonObject>>(&value.data))
        return static_cast<int>((*obj)->Count());
    return 0;
}

std::string NumberText(double d) {
    if (d == 0 || !std::isfinite(d)) return "0";
    char buf[64];
    std::to_chars_result r;
    if (std::fabs(d) < 1e15 && d == std::trunc(d))
        r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(d));
    else
        r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    std::string out(buf, r.ptr);
    for (char& c : out)
        if (c == 'e') c = 'E';
    return out;
}

double LenientNumber(std::string_view text, bool* overflow) noexcept {
    if (overflow) *overflow = false;
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s += c;

    // Longest prefix of the form [sign] digits [. digits] [e [sign] digits].
    std::size_t i = 0;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t mantissaStart = i;
    std::size_t intDigits = 0, leadingFracZeros = 0;
    bool seenNonZero = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (s[i] != '0' || seenNonZero) {
            ++intDigits;
            seenNonZero = true;
        }
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            if (!seenNonZero && s[i] == '0')
                ++leadingFracZeros;
            else
                seenNonZero = true;
            ++i;
        }
    }
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) expNegative = s[j++] == '-';
        const std::size_t expDigitsStart = j;
        // Saturates far above any count of digits a text can hold, so that the
        // magnitude below still tells an overflow from an underflow.
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
            if (exponent < 1'000'000'000'000'000) exponent = exponent * 10 + (s[j] - '0');
            ++j;
        }
        if (j > expDigitsStart) {
            if (expNegative) exponent = -exponent;
            i = j;
        }
    }
    if (!seenNonZero) return 0;

    std::string_view number(s.data() + mantissaStart, i - mantissaStart);
    double value = 0;
    const auto r = std::from_chars(number.data(), number.data() + number.size(), value);
    if (r.ec == std::errc::result_out_of_range) {
        // Tell an overflow from an underflow by the decimal magnitude.
        const long long magnitude = exponent + (intDigits > 0 ? static_cast<long long>(intDigits) - 1
                                                              : -static_cast<long long>(leadingFracZeros) - 1);
        if (magnitude < 0) return 0;
        if (overflow) *overflow = true;
        return 0;
    }
    if (r.ec != std::errc()) return 0;
    return negative ? -value : value;
}

}  // namespace pankor
