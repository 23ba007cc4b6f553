#pragma once
// Helpers of the Win32 host tests: waiting on the GUI thread for something
// the message loop brings.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "platform/win32/host/Win32HostLoop.h"

namespace pankor::test {

// Pumps the host's messages until the condition holds; false when it still
// does not after the time-out.
inline bool PumpUntil(win32host::HostLoop& loop, const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        loop.Pump();
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// A quit request left on this thread ends any later pump at once.
inline void DrainQuit() {
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
}

// Every test's windows end with the thread's quit request (the last window
// of a loop went): no test may inherit the one before it.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override { DrainQuit(); }
    void TearDown() override { DrainQuit(); }
};

}  // namespace pankor::test
