// The contract suites against the in-memory fakes the unit tests use, where a fake models behaviour.
// Scripted fakes are left out: FakeCrypto (stand-in digests, only registered signatures verify),
// FakeHttp, FakeProcesses, FakeIcons and FakeVersionResource (tables of answers) and FakeInstanceLock
// (answers as told, whatever the name).
#include "ContractSupport.h"
#include "FakePlatform.h"

using namespace pankor;

// The fake clock stands still at its set time, kept as UTC; the screen and version are as given.
struct FakeHost {
    FakeHost() { fs.folders.insert(Root()); }

    fakes::FakeSystem system;
    fakes::FakeRegistry registry;
    fakes::FakeFileSystem fs{&system};
    fakes::FakeEnvironment environment;

    static std::string SubKey() { return "Software\\Tarnwick\\PankorContract"; }
    static std::string Root() { return "C:\\Contract"; }
    void WriteRaw(const std::string& path, const std::string& data) { fs.files[path] = data; }
    std::optional<std::string> ReadRaw(const std::string& path) const {
        return fs.files.count(path) ? std::optional(fs.files.at(path)) : std::nullopt;
    }
    void MakeFolderRaw(const std::string& path) { fs.folders.insert(path); }
    void SetWriteTime(const std::string& path, std::int64_t unixSeconds) { fs.modified[path] = unixSeconds; }
    std::int64_t UtcNow() const { return system.now.SerialSeconds(); }
    static std::int64_t UtcOffsetSeconds() { return 0; }
    PixelSize Desktop() { return system.desktop = {1366, 768}; }
    std::string OsRelease() const { return system.osVersion; }
    static std::string ProgramName() { return "Pankor.exe"; }
    static std::string VariableName() { return "PANKOR_CONTRACT"; }
    void SetVariable(const std::string& name, const std::string& value) { environment.vars[name] = value; }
    void UnsetVariable(const std::string& name) { environment.vars.erase(name); }
};

using ContractHosts = ::testing::Types<FakeHost>;

#include "FileSystemContract.h"
#include "RegistryContract.h"
#include "SystemContract.h"
