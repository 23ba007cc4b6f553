// The catalog check on arbitrary catalog bytes and signature text, through
// the real OpenSSL service: it must never crash, and it accepts only the one
// catalog the seed corpus carries with its genuine signature.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "startup/Pankor.h"
#include "trust/modSign.h"

using namespace pankor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static NativePlatform native;
    static Pankor app(native.Get());
    if (size == 0) return 0;
    // The first byte says where the catalog ends and the signature text begins.
    const std::size_t split = std::min<std::size_t>(data[0], size - 1);
    const ByteView catalog(data + 1, split);
    const std::string_view signature(reinterpret_cast<const char*>(data + 1 + split), size - 1 - split);
    static const std::string kSigned = "{\"serial\":7,\"apps\":[]}\r\n";
    const bool genuine = std::string_view(reinterpret_cast<const char*>(catalog.data()), catalog.size()) == kSigned;
    if (app.sign.VerifyCatalogSig(catalog, signature) && !genuine) __builtin_trap();  // no forgery from noise
    return 0;
}
