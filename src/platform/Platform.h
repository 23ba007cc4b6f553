#pragma once
// The platform services the core is built on, wired in one place.
#include <memory>

#include "ICrypto.h"
#include "IEnvironment.h"
#include "IFileSystem.h"
#include "IHttp.h"
#include "IIcons.h"
#include "IInstanceLock.h"
#include "IProcesses.h"
#include "IRegistry.h"
#include "ISystem.h"
#include "IVersionResource.h"

namespace pankor {

struct Platform {
    ISystem& system;
    IEnvironment& environment;
    IRegistry& registry;
    IFileSystem& fs;
    IVersionResource& versions;
    IInstanceLock& instanceLock;
    ICrypto& crypto;
    IHttp& http;
    IProcesses& processes;
    IIcons& icons;
};

// Wires a host's services (members named as in Platform) into a Platform.
template <typename Services>
std::unique_ptr<Platform> WirePlatform(Services& s) {
    return std::make_unique<Platform>(Platform{s.system, s.environment, s.registry, s.fs, s.versions, s.instanceLock,
                                               s.crypto, s.http, s.processes, s.icons});
}

// The real services of the OS this build targets; lives as long as the process.
class NativePlatform {
public:
    NativePlatform();
    ~NativePlatform();
    NativePlatform(const NativePlatform&) = delete;
    NativePlatform& operator=(const NativePlatform&) = delete;
    Platform& Get() noexcept { return *platform_; }

private:
    struct Services;
    std::unique_ptr<Services> services_;
    std::unique_ptr<Platform> platform_;
};

}  // namespace pankor
