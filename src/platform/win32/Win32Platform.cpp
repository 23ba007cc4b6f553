// The Windows build's NativePlatform: one instance of every Win32 service.
#include "platform/Platform.h"
#include "platform/win32/Win32Crypto.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Http.h"
#include "platform/win32/Win32Icons.h"
#include "platform/win32/Win32InstanceLock.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32VersionResource.h"

namespace pankor {

struct NativePlatform::Services {
    Win32System system;
    Win32Environment environment;
    Win32Registry registry;
    Win32FileSystem fs;
    Win32VersionResource versions;
    Win32InstanceLock instanceLock;
    Win32Crypto crypto;
    Win32Http http;
    Win32Processes processes;
    Win32Icons icons;
};

NativePlatform::NativePlatform() : services_(std::make_unique<Services>()), platform_(WirePlatform(*services_)) {}

NativePlatform::~NativePlatform() = default;

}  // namespace pankor
