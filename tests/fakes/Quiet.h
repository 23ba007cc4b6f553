#pragma once
// A test may make one allocation of the code under test fail (test_faults.cpp counts them down); a
// fake allocates inside a Quiet, so such a failure never lands in one of its noexcept methods.
namespace pankor::fakes {

inline thread_local int quietDepth = 0;

struct Quiet {
    Quiet() noexcept { ++quietDepth; }
    ~Quiet() { --quietDepth; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

template <typename T>
T QuietCopy(const T& value) {
    const Quiet quiet;
    return value;
}

}  // namespace pankor::fakes
