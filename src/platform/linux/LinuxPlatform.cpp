#include "platform/Platform.h"
#include "platform/linux/LinuxCrypto.h"
#include "platform/linux/LinuxEnvironment.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxHttp.h"
#include "platform/linux/LinuxIcons.h"
#include "platform/linux/LinuxInstanceLock.h"
#include "platform/linux/LinuxProcesses.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxVersionResource.h"

namespace pankor {

struct NativePlatform::Services {
    LinuxSystem system;
    LinuxEnvironment environment;
    LinuxRegistry registry;
    LinuxFileSystem fs;
    LinuxVersionResource versions;
    LinuxInstanceLock instanceLock;
    LinuxCrypto crypto;
    LinuxHttp http;
    LinuxProcesses processes;
    LinuxIcons icons;
};

NativePlatform::NativePlatform() : services_(std::make_unique<Services>()), platform_(WirePlatform(*services_)) {}

NativePlatform::~NativePlatform() = default;

}  // namespace pankor
