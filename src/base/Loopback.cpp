#include "base/Loopback.h"

#include "base/Text.h"

namespace pankor {

namespace {

// Four decimal parts of 0..255, the first 127.
bool Is127DottedQuad(std::string_view host) noexcept {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = host.find('.', start);
        const std::string_view part = host.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (part.empty() || part.size() > 3) return false;
        int value = 0;
        for (char c : part) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        if (value > 255 || (parts == 0 && value != 127)) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

}  // namespace

bool IsLoopbackHost(std::string_view host) noexcept {
    return EqualsNoCase(host, "localhost") || host == "[::1]" || host == "::1" || Is127DottedQuad(host);
}

}  // namespace pankor
