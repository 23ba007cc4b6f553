// The contract suites against the in-memory fakes the unit tests use, where
// a fake models behaviour. Scripted fakes are left out: FakeCrypto (digests
// are stand-ins, only registered signatures verify), FakeHttp (a table of
// answers), FakeProcesses, FakeIcons and FakeVersionResource (tables) and
// FakeInstanceLock (answers as told, whatever the name).
#include "ClockContract.h"
#include "EnvironmentContract.h"
#include "FakePlatform.h"
#include "FileCopyContract.h"
#include "FileSystemContract.h"
#include "RegistryContract.h"
#include "RegistryKeysContract.h"
#include "SystemContract.h"

using namespace pankor;
using namespace pankor::contract;

// The fixtures live in the global namespace and are named after their
// service, so that test names read "Linux.Case<Registry>".

using namespace pankor::fakes;

struct Registry {
    FakeRegistry registry;
    IRegistry& Service() { return registry; }
    static std::string SubKey() { return "Software\\Tarnwick\\PankorContract"; }
};

struct FileSystem {
    FakeSystem system;
    FakeFileSystem fs{&system};
    FileSystem() { fs.folders.insert(Root()); }
    IFileSystem& Service() { return fs; }
    static std::string Root() { return "C:\\Contract"; }
    void WriteRaw(const std::string& path, const std::string& data) { fs.files[path] = data; }
    std::optional<std::string> ReadRaw(const std::string& path) const {
        const auto it = fs.files.find(path);
        return it == fs.files.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void MakeFolderRaw(const std::string& path) { fs.folders.insert(path); }
    void SetWriteTime(const std::string& path, std::int64_t unixSeconds) { fs.modified[path] = unixSeconds; }
    DateTime LocalNow() const { return system.LocalNow(); }
    std::int64_t UtcNow() const { return system.UtcNow(); }
};

struct Environment {
    FakeEnvironment environment;
    IEnvironment& Service() { return environment; }
    static std::string UniqueName() { return "PANKOR_CONTRACT"; }
    void Set(const std::string& name, const std::string& value) { environment.vars[name] = value; }
    void Unset(const std::string& name) { environment.vars.erase(name); }
};

// The fake clock stands still at its set time, which it keeps as UTC.
struct System {
    FakeSystem system;
    ISystem& Service() { return system; }
    static std::string ProgramName() { return "Pankor.exe"; }
    std::int64_t WallClockUtc() const { return system.now.SerialSeconds(); }
    static std::int64_t UtcOffsetSeconds() { return 0; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, RegistryContract, Registry);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, RegistryKeysContract, Registry);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, FileCopyContract, FileSystem);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, ClockContract, System);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, FileSystemContract, FileSystem);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, EnvironmentContract, Environment);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, SystemContract, System);
