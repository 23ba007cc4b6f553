#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>

#include "Publish.h"

namespace pankor::publish {

bool WantsHelp(const Args& args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    } catch (const std::exception&) {
        return false;  // a folder opens as a file and only fails on reading
    }
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    return static_cast<bool>(out);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "pankor-publish: %s\n", message.c_str());
    return 1;
}

int Help(const std::string& usage) {
    std::fputs(usage.c_str(), stdout);
    return 0;
}

int Usage(const std::string& usage) {
    std::fprintf(stderr, "%s", usage.c_str());
    return 2;
}

}  // namespace pankor::publish
