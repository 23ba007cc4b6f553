#pragma once
// The platform services the core is built on, wired in one place.
#include <memory>

#include "ICrypto.h"
#include "IEnvironment.h"
#include "IHttp.h"
#include "IIcons.h"
#include "IProcesses.h"
#include "IFileSystem.h"
#include "IInstanceLock.h"
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
