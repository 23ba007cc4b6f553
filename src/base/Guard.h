#pragma once
// Routines of the system never let an error escape: this runs a body and
// turns an exception into the routine's fallback result and one report.
#include <exception>
#include <string>

namespace pankor {

// What an escaping exception says about itself.
inline std::string DescribeException(const std::exception_ptr& e) noexcept {
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& ex) {
        try {
            return ex.what();
        } catch (...) {}
    } catch (...) {}
    return "unknown error";
}

// Runs body(); should it throw, report(description) runs and fallback is the
// answer. A report that throws itself is dropped.
template <typename R, typename Body, typename Report>
R GuardedOr(R fallback, Body&& body, Report&& report) noexcept {
    try {
        return body();
    } catch (...) {
        try {
            report(DescribeException(std::current_exception()));
        } catch (...) {}
    }
    return fallback;
}

// The same for a body with no result.
template <typename Body, typename Report>
void Guarded(Body&& body, Report&& report) noexcept {
    try {
        body();
    } catch (...) {
        try {
            report(DescribeException(std::current_exception()));
        } catch (...) {}
    }
}

}  // namespace pankor
