#pragma once
// Files and folders as the data folder, key files, the log, the handoff and
// the start-up sweep use them. Host: fs; Root() — an empty folder of the
// test's own; through the system rather than the service: WriteRaw(path,
// data), ReadRaw(path) (nothing when it cannot be read), MakeFolderRaw(path),
// SetWriteTime(path, unixSeconds); the clock: LocalNow(), UtcNow().
#include <cstdlib>
#include <map>

#include "ContractSupport.h"
#include "base/TempFiles.h"
#include "platform/IFileSystem.h"

namespace pankor::contract {

template <typename Host>
class FileSystemContract : public ::testing::Test {
protected:
    std::string Join(const std::string& folder, const std::string& name) { return folder + fs.Separator() + name; }
    std::string In(const std::string& name) { return Join(host.Root(), name); }
    // The folder's entries by name.
    std::map<std::string, FolderEntry> Listed(const std::string& folder) {
        std::map<std::string, FolderEntry> byName;
        const Result<std::vector<FolderEntry>> listed = fs.ListFolder(folder);
        EXPECT_TRUE(listed.ok()) << folder << ": " << listed.error();
        for (const FolderEntry& e : listed.value_or({})) byName[e.name] = e;
        return byName;
    }
    // Temporary files of a replace left in the test's folder.
    int Leftovers() {
        int count = 0;
        for (const auto& [name, entry] : Listed(host.Root())) count += IsTempFileName(name) ? 1 : 0;
        return count;
    }
    Host host;
    IFileSystem& fs = host.fs;
};
TYPED_TEST_SUITE_P(FileSystemContract);

TYPED_TEST_P(FileSystemContract, AttributesTellFilesFromFolders) {
    this->host.WriteRaw(this->In("file.txt"), "x");
    const std::tuple<std::string, bool, bool> cases[] = {// path, exists, is a folder
                                                         {this->host.Root(), true, true},
                                                         {this->In("file.txt"), true, false},
                                                         {this->In("none"), false, false},
                                                         {"", false, false}};
    for (const auto& [path, exists, isFolder] : cases) {
        EXPECT_EQ(this->fs.Attributes(path).exists, exists) << path;
        EXPECT_EQ(this->fs.Attributes(path).isFolder, isFolder) << path;
    }
}

TYPED_TEST_P(FileSystemContract, CreateFolderMakesOneNewLevelDatedNowInLocalTime) {
    IFileSystem& fs = this->fs;
    ASSERT_TRUE(fs.CreateFolder(this->In("a")).ok());
    EXPECT_TRUE(fs.Attributes(this->In("a")).isFolder);
    const Result<DateTime> created = fs.FolderCreated(this->In("a"));
    ASSERT_TRUE(created.ok()) << created.error();
    EXPECT_TRUE(created->IsValid());
    EXPECT_LE(std::llabs(this->host.LocalNow().SerialSeconds() - created->SerialSeconds()), 120)
        << created->hour << ":" << created->minute;          // a time left in UTC is hours off in the test's zone
    EXPECT_TRUE(Described(fs.CreateFolder(this->In("a"))));  // already there
    EXPECT_TRUE(Described(fs.CreateFolder(this->Join(this->In("b"), "c"))));
    EXPECT_FALSE(fs.Attributes(this->In("b")).exists);
    EXPECT_TRUE(Described(fs.FolderCreated(this->In("b"))));
}

TYPED_TEST_P(FileSystemContract, ReadFileGivesTheExactBytes) {
    for (const std::string& data : {std::string("a\r\nb\0c\xFF\xE9", 8), std::string(), Pattern(300000)}) {
        this->host.WriteRaw(this->In("bytes.bin"), data);
        EXPECT_TRUE(Text(this->fs.ReadFile(this->In("bytes.bin")).value_or({})) == data) << data.size();
    }
    for (const std::string& path : {this->In("missing.txt"), this->host.Root()})  // a folder is no file
        EXPECT_TRUE(Described(this->fs.ReadFile(path))) << path;
}

TYPED_TEST_P(FileSystemContract, ListFolderNamesWhatIsDirectlyInsideWithItsWriteTime) {
    IFileSystem& fs = this->fs;
    const std::string cafe = "caf\xC3\xA9.ini";
    ASSERT_TRUE(fs.ReplaceFile(this->In("a.txt"), "x").ok());
    ASSERT_TRUE(fs.ReplaceFile(this->In(cafe), "y").ok());
    ASSERT_TRUE(fs.CreateFolder(this->In("sub")).ok());
    ASSERT_TRUE(fs.ReplaceFile(this->Join(this->In("sub"), "inner.txt"), "z").ok());  // one level only: not listed
    std::map<std::string, FolderEntry> listed = this->Listed(this->host.Root());
    ASSERT_EQ(listed.size(), 3u);  // no "." or ".."
    EXPECT_FALSE(listed["a.txt"].isFolder || listed[cafe].isFolder);
    EXPECT_TRUE(listed["sub"].isFolder);
    for (const auto& [name, e] : listed)  // UTC, as the clock's own time is
        EXPECT_LE(std::llabs(this->host.UtcNow() - e.modifiedUtc), 180) << name << ": " << e.modifiedUtc;

    this->host.SetWriteTime(this->In("a.txt"), 1000000000);  // 2001-09-09 01:46:40 UTC
    this->host.SetWriteTime(this->In("sub"), 1000000000);
    listed = this->Listed(this->host.Root() + fs.Separator());  // a trailing separator is fine
    EXPECT_EQ(listed["a.txt"].modifiedUtc, 1000000000);
    EXPECT_EQ(listed["sub"].modifiedUtc, 1000000000);
    EXPECT_NE(listed[cafe].modifiedUtc, 1000000000);  // each entry carries its own time

    this->host.MakeFolderRaw(this->In("empty"));
    EXPECT_TRUE(this->Listed(this->In("empty")).empty());
    for (const std::string& path : {this->In("missing"), this->In("a.txt"), std::string()})
        EXPECT_TRUE(Described(fs.ListFolder(path))) << path;
}

TYPED_TEST_P(FileSystemContract, ReplaceFileWritesTheWholeFileOrLeavesEverythingAsItWas) {
    IFileSystem& fs = this->fs;
    const std::string path = this->In("state.ini");
    for (const std::string& data :
         {std::string("first=1\r\nsecond=2\r\n"), std::string("abc"), std::string(), Pattern(1 << 20)}) {
        ASSERT_TRUE(fs.ReplaceFile(path, data).ok()) << data.size();
        EXPECT_TRUE(this->host.ReadRaw(path) == data) << data.size();  // a shorter text leaves no old tail
    }
    EXPECT_TRUE(Described(fs.ReplaceFile(this->Join(this->In("nofolder"), "file.txt"), "data")));
    EXPECT_FALSE(fs.Attributes(this->In("nofolder")).exists);
    this->host.MakeFolderRaw(this->In("target"));  // a folder cannot be replaced by a file
    this->host.WriteRaw(this->Join(this->In("target"), "inside.txt"), "kept");
    EXPECT_TRUE(Described(fs.ReplaceFile(this->In("target"), "data")));
    EXPECT_EQ(this->host.ReadRaw(this->Join(this->In("target"), "inside.txt")), "kept");
    EXPECT_EQ(this->Leftovers(), 0);
}

TYPED_TEST_P(FileSystemContract, AppendFileCreatesThenAppendsAndDeleteFileRemovesFilesOnly) {
    IFileSystem& fs = this->fs;
    const std::string path = this->In("debug.log");
    ASSERT_TRUE(fs.AppendFile(path, "one\r\n").ok());
    ASSERT_TRUE(fs.AppendFile(path, "two\r\n").ok());
    EXPECT_EQ(this->host.ReadRaw(path), "one\r\ntwo\r\n");
    EXPECT_TRUE(Described(fs.AppendFile(this->Join(this->In("nofolder"), "debug.log"), "x")));
    EXPECT_TRUE(Described(fs.AppendFile(this->host.Root(), "x")));  // a folder

    EXPECT_TRUE(fs.DeleteFile(path).ok());
    EXPECT_FALSE(this->host.ReadRaw(path).has_value());
    EXPECT_TRUE(Described(fs.DeleteFile(path)));
    this->host.MakeFolderRaw(this->In("folder"));
    EXPECT_TRUE(Described(fs.DeleteFile(this->In("folder"))));
    EXPECT_TRUE(fs.Attributes(this->In("folder")).isFolder);
}

TYPED_TEST_P(FileSystemContract, NamesBeyondAsciiReachTheSystemAsWritten) {
    IFileSystem& fs = this->fs;
    const std::string folder = this->In(
        "Pr\xC3\xBC"
        "fung-\xE6\x9D\xB1\xE4\xBA\xAC");  // Prüfung-東京
    const std::string file = this->Join(folder, "caf\xC3\xA9.ini");
    ASSERT_TRUE(fs.CreateFolder(folder).ok());
    ASSERT_TRUE(fs.ReplaceFile(file, "k=v").ok());
    ASSERT_TRUE(fs.AppendFile(file, "\r\n").ok());
    EXPECT_EQ(this->host.ReadRaw(file), "k=v\r\n");
    EXPECT_EQ(Text(fs.ReadFile(file).value_or({})), "k=v\r\n");
    EXPECT_TRUE(fs.FolderCreated(folder).ok());
    EXPECT_TRUE(fs.DeleteFile(file).ok());
}

TYPED_TEST_P(FileSystemContract, PathsWithANulAreRefused) {
    IFileSystem& fs = this->fs;
    this->host.WriteRaw(this->In("a"), "keep");
    const std::string cut = this->In(std::string("a\0b", 3));  // would name "a" if passed on
    const std::string cutFolder = this->host.Root() + std::string("\0x", 2);
    EXPECT_FALSE(fs.Attributes(cut).exists);
    EXPECT_TRUE(Described(fs.ReadFile(cut)));
    EXPECT_TRUE(Described(fs.ReplaceFile(cut, "x")));
    EXPECT_TRUE(Described(fs.AppendFile(cut, "x")));
    EXPECT_TRUE(Described(fs.DeleteFile(cut)));
    EXPECT_TRUE(Described(fs.CreateFolder(cut)));
    EXPECT_TRUE(Described(fs.ListFolder(cutFolder)));
    EXPECT_TRUE(Described(fs.FolderCreated(cutFolder)));
    EXPECT_EQ(this->host.ReadRaw(this->In("a")), "keep");
}

REGISTER_TYPED_TEST_SUITE_P(FileSystemContract, AttributesTellFilesFromFolders,
                            CreateFolderMakesOneNewLevelDatedNowInLocalTime, ReadFileGivesTheExactBytes,
                            ListFolderNamesWhatIsDirectlyInsideWithItsWriteTime,
                            ReplaceFileWritesTheWholeFileOrLeavesEverythingAsItWas,
                            AppendFileCreatesThenAppendsAndDeleteFileRemovesFilesOnly,
                            NamesBeyondAsciiReachTheSystemAsWritten, PathsWithANulAreRefused);

}  // namespace pankor::contract
