// pankor-publish: signing keys, catalog signatures and installer hashes for
// the maker of the catalog, a catalog check and a local publisher for tests,
// all on the same code the manager runs.
#include <cstdio>
#include <cstring>

#include "Publish.h"

namespace {

constexpr const char* kHelp =
    "usage: pankor-publish COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  keygen DIR [--name NAME]              make an RSA-2048 signing pair in DIR\n"
    "  sign CATALOG --key PRIVATE.pem        write CATALOG.sig\n"
    "  verify CATALOG [--sig FILE] [--key BLOB.hex ...]\n"
    "                                        check a signature as the manager does\n"
    "  hash FILE                             the keyed hash a catalog's \"sha\" wants\n"
    "  check CATALOG [--strict]              what the manager makes of a catalog, and warnings\n"
    "  serve DIR [--port N] [OPTIONS]        a local publisher over HTTP, for tests and demos\n"
    "  reports DIR                           what the local publisher received, summarised\n"
    "\n"
    "'pankor-publish COMMAND --help' tells more about each.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace pankor::publish;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kHelp, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    const Args args(argv + 2, argv + argc);
    if (command == "keygen") return Keygen(args);
    if (command == "sign") return Sign(args);
    if (command == "verify") return Verify(args);
    if (command == "hash") return Hash(args);
    if (command == "check") return Check(args);
    if (command == "serve") return Serve(args);
    if (command == "reports") return Reports(args);
    std::fprintf(stderr, "pankor-publish: unknown command '%s'\n\n%s", command.c_str(), kHelp);
    return 2;
}
