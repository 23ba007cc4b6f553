#include "platform/linux/LinuxSystem.h"

#include <sys/utsname.h>
#include <unistd.h>
#include <chrono>
#include <ctime>
#include <thread>
#include <fstream>
#include <iterator>

namespace pankor {

std::string JoinCommandLine(const std::string& args) {
    std::string line;
    std::size_t start = 0;
    while (start < args.size()) {
        std::size_t end = args.find('\0', start);
        if (end == std::string::npos) end = args.size();
        const std::string arg = args.substr(start, end - start);
        if (!line.empty()) line += ' ';
        line += arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"";
        start = end + 1;
    }
    return line;
}

std::string LinuxSystem::CommandLine() const noexcept {
    try {
        std::ifstream in("/proc/self/cmdline", std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t first = all.find('\0');  // skip the program name
        return first == std::string::npos ? std::string() : JoinCommandLine(all.substr(first + 1));
    } catch (...) {
        return {};
    }
}

std::string LinuxSystem::ExecutablePath() const noexcept {
    try {
        std::string buf(4096, '\0');
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n <= 0) return {};
        buf.resize(static_cast<std::size_t>(n));
        return buf;
    } catch (...) {
        return {};
    }
}

DateTime LinuxSystem::LocalNow() const noexcept {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::int64_t LinuxSystem::UtcNow() const noexcept { return static_cast<std::int64_t>(std::time(nullptr)); }

std::string DottedVersionPrefix(std::string_view release) {
    std::string out;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 3 && i < release.size() && release[i] >= '0' && release[i] <= '9') {
        if (parts > 0) out += '.';
        while (i < release.size() && release[i] >= '0' && release[i] <= '9') out += release[i++];
        ++parts;
        if (i + 1 >= release.size() || release[i] != '.' || release[i + 1] < '0' || release[i + 1] > '9') break;
        ++i;
    }
    return out;
}

std::string LinuxSystem::OsVersion() const noexcept {
    try {
        utsname u{};
        if (uname(&u) != 0) return {};
        return DottedVersionPrefix(u.release);
    } catch (...) {
        return {};  // out of memory: "unknown" is this call's only failure answer
    }
}

std::int64_t LinuxSystem::MonotonicMs() const noexcept {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void LinuxSystem::SleepMs(int milliseconds) const noexcept {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace pankor
