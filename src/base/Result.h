#pragma once
// Outcome types for every call that can fail: platform services never throw,
// they answer with these, carrying the description and the system's code
// that the core's log lines need.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace pankor {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

class [[nodiscard]] Status {
public:
    Status() = default;
    static Status Ok() noexcept { return {}; }
    static Status Fail(std::string why, unsigned long code = 0) { return Status(std::move(why), code); }

    bool ok() const noexcept { return ok_; }
    // The system's description of what went wrong ("" when it gave none).
    const std::string& error() const noexcept { return error_; }
    // The system's error number, where the log line shows one.
    unsigned long code() const noexcept { return code_; }

private:
    Status(std::string why, unsigned long code) : ok_(false), error_(std::move(why)), code_(code) {}
    bool ok_ = true;
    std::string error_;
    unsigned long code_ = 0;
};

template <typename T>
class [[nodiscard]] Result {
public:
    static Result Of(T value) { return Result(std::move(value)); }
    static Result Fail(std::string why, unsigned long code = 0) { return Result(Status::Fail(std::move(why), code)); }
    // A failure handed on from a call that answered with a Status.
    static Result From(Status failed) { return Result(std::move(failed)); }

    bool ok() const noexcept { return value_.has_value(); }
    const T& operator*() const& noexcept { return *value_; }
    T& operator*() & noexcept { return *value_; }
    T&& operator*() && noexcept { return std::move(*value_); }
    const T* operator->() const noexcept { return &*value_; }
    T* operator->() noexcept { return &*value_; }
    T value_or(T fallback) const& { return value_ ? *value_ : std::move(fallback); }
    T value_or(T fallback) && { return value_ ? std::move(*value_) : std::move(fallback); }
    const std::string& error() const noexcept { return status_.error(); }
    unsigned long code() const noexcept { return status_.code(); }
    const Status& status() const noexcept { return status_; }

private:
    explicit Result(T value) : value_(std::move(value)) {}
    explicit Result(Status failed) : status_(std::move(failed)) {
        if (status_.ok()) status_ = Status::Fail("unknown error");
    }
    std::optional<T> value_;
    Status status_;
};

}  // namespace pankor
