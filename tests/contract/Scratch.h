#pragma once
// A folder of the test's own under the system's temporary folder, removed at
// the end, and plain file calls of the standard library to look behind a
// service. Paths are UTF-8, with the system's separator.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

namespace pankor::test {

inline std::filesystem::path FsPath(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

class Scratch {
public:
    Scratch() {
        std::random_device random;
        do {
            folder_ = std::filesystem::temp_directory_path() / ("pankor-test-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(folder_));
        const std::u8string utf8 = folder_.u8string();
        root_.assign(utf8.begin(), utf8.end());
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& Root() const { return root_; }
    std::string In(const std::string& name) const {
        return root_ + static_cast<char>(std::filesystem::path::preferred_separator) + name;
    }

    static void WriteRaw(const std::string& path, const std::string& data) {
        std::ofstream(FsPath(path), std::ios::binary | std::ios::trunc)
            .write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    static std::optional<std::string> ReadRaw(const std::string& path) {  // a file's; nothing of a folder
        std::error_code ec;
        std::ifstream in(FsPath(path), std::ios::binary);
        if (!in || std::filesystem::is_directory(FsPath(path), ec)) return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void MakeFolderRaw(const std::string& path) { std::filesystem::create_directory(FsPath(path)); }

private:
    std::filesystem::path folder_;
    std::string root_;
};

}  // namespace pankor::test
