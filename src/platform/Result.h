#pragma once
// Outcome types shared by the platform interfaces: platform calls never throw,
// they report failure through these, with the description the core logs.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pankor {

using Bytes = std::vector<std::uint8_t>;

struct Status {
    bool ok = true;
    std::string error;  // the system's description of what went wrong
    static Status Ok() { return {}; }
    static Status Fail(std::string why) { return {false, std::move(why)}; }
};

template <typename T>
struct Result {
    std::optional<T> value;
    std::string error;
    bool ok() const { return value.has_value(); }
    static Result Of(T v) { return {std::move(v), {}}; }
    static Result Fail(std::string why) { return {std::nullopt, std::move(why)}; }
};

}  // namespace pankor
