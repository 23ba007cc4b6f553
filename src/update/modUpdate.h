#pragma once
// The download, write and run helpers the update paths share. The waits keep
// the window alive: between polls they dispatch the host's messages, so the
// page and the timers run meanwhile and callers must tolerate re-entry.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/IFileSystem.h"
#include "platform/IHttp.h"
#include "platform/IProcesses.h"
#include "platform/ISystem.h"
#include "platform/host/IMessagePump.h"
#include "startup/Log.h"

namespace pankor {

// A download is held in memory whole (and this is a 32-bit program): a body
// larger than this is abandoned.
inline constexpr std::size_t kMaxDownloadBytes = 512u << 20;
// The longest a download may take, and an installer is waited for.
inline constexpr std::int64_t kFetchLimitMs = 300000;
inline constexpr std::int64_t kRunLimitMs = 600000;
// One poll of the download or the program, then the queued messages.
inline constexpr int kFetchPollMs = 200;
inline constexpr int kRunPollMs = 100;
// Download progress goes out at most this often.
inline constexpr std::int64_t kProgressEveryMs = 250;

// The limits the waits run with.
struct UpdateLimits {
    std::int64_t fetchMs = kFetchLimitMs;
    std::int64_t runMs = kRunLimitMs;
    std::size_t maxDownloadBytes = kMaxDownloadBytes;
};

struct UpdateDeps {
    IHttp& http;
    IProcesses& processes;
    IFileSystem& fs;
    const ISystem& system;
    IMessagePump& pump;
    const Log& log;
};

// Bytes received so far and the announced total (0 when the server gave none).
using DownloadProgress = std::function<void(std::uint64_t received, std::uint64_t total)>;

class modUpdate {
public:
    explicit modUpdate(const UpdateDeps& deps) noexcept : d_(deps) {}

    // GET with the manager's agent, pumping messages between polls; true when
    // status 200 arrived with at least one byte (then in bytes, which is
    // otherwise left as it was, an empty 200 aside).
    bool FetchPumping(const std::string& url, Bytes& bytes, const DownloadProgress& progress = {}) noexcept;
    // Writes the file whole (an existing one is replaced).
    bool WriteBytes(const std::string& path, ByteView bytes) noexcept;
    // Starts the command line hidden and waits for it, pumping messages, at
    // most the run limit; true when it was started.
    bool RunAndWait(const std::string& commandLine) noexcept;
    // Hands an http(s) address to the browser; other schemes are refused.
    void OpenUrl(const std::string& url) noexcept;

    const UpdateLimits& Limits() const noexcept { return limits_; }
    // Tests shorten the waits and the cap here; the product never calls it.
    void SetLimitsForTest(const UpdateLimits& limits) noexcept { limits_ = limits; }

private:
    UpdateDeps d_;
    UpdateLimits limits_;
};


}  // namespace pankor
