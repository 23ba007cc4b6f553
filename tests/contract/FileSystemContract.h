#pragma once
// Files and folders as the data folder, key files, the log, the handoff, the start-up sweep, backup
// and restore use them. Host: fs; Root() — an empty folder of the test's own; through the system
// rather than the service: WriteRaw(path, data), ReadRaw(path) (nothing when it cannot be read),
// MakeFolderRaw(path), SetWriteTime(path, unixSeconds); system, whose clock SystemContract checks.
#include <algorithm>
#include <cstdlib>
#include <map>

#include "ContractSupport.h"

namespace pankor::contract {

template <typename Host>
class FileSystemContract : public ::testing::Test {
protected:
    std::string Join(const std::string& folder, const std::string& name) { return folder + fs.Separator() + name; }
    std::string In(const std::string& name) { return Join(host.Root(), name); }
    std::map<std::string, FolderEntry> Listed(const std::string& folder) {
        std::map<std::string, FolderEntry> byName;
        const Result<std::vector<FolderEntry>> listed = fs.ListFolder(folder);
        EXPECT_TRUE(listed.ok()) << folder << ": " << listed.error();
        for (const FolderEntry& e : listed.value_or({})) byName[e.name] = e;
        return byName;
    }
    std::string Names() {
        std::string names;
        for (const auto& [name, entry] : Listed(host.Root())) names += name + " ";
        return names;
    }
    Host host;
    IFileSystem& fs = host.fs;
    const std::string nonAscii = "Pr\u00FCfung-\u6771\u4EAC";  // in UTF-8
};
TYPED_TEST_SUITE(FileSystemContract, ContractHosts);

TYPED_TEST(FileSystemContract, AttributesTellFilesFromFoldersAndCreateFolderMakesOneLevelDatedInLocalTime) {
    IFileSystem& fs = this->fs;
    const std::string folder = this->In(this->nonAscii);
    ASSERT_TRUE(fs.CreateFolder(folder).ok());
    this->host.WriteRaw(this->In("file.txt"), "x");
    const std::tuple<std::string, bool, bool> cases[] = {// path, exists, is a folder
                                                         {this->host.Root(), true, true},
                                                         {folder, true, true},
                                                         {this->In("file.txt"), true, false},
                                                         {this->In("none"), false, false},
                                                         {"", false, false}};
    for (const auto& [path, exists, isFolder] : cases)
        EXPECT_EQ(std::pair(fs.Attributes(path).exists, fs.Attributes(path).isFolder), std::pair(exists, isFolder))
            << path;
    const Result<DateTime> created = fs.FolderCreated(folder);
    ASSERT_TRUE(created.ok()) << created.error();
    EXPECT_LE(std::llabs(this->host.system.LocalNow().SerialSeconds() - created->SerialSeconds()), 120)
        << created->hour << ":" << created->minute;   // a time left in UTC is hours off in the test's zone
    EXPECT_TRUE(Described(fs.CreateFolder(folder)));  // already there
    EXPECT_TRUE(Described(fs.CreateFolder(this->Join(this->In("b"), "c"))));
    EXPECT_FALSE(fs.Attributes(this->In("b")).exists);
    EXPECT_TRUE(Described(fs.FolderCreated(this->In("b"))));
}

TYPED_TEST(FileSystemContract, ReadAndReplaceCarryTheExactBytesOrLeaveEverythingAsItWas) {
    IFileSystem& fs = this->fs;
    this->host.MakeFolderRaw(this->In(this->nonAscii));
    const std::string path = this->Join(this->In(this->nonAscii), "caf\xC3\xA9.ini");
    for (const std::string& data :
         {std::string("a\r\nb\0c\xFF\xE9", 8), Pattern(1 << 20), std::string()}) {  // a shorter text leaves no old tail
        this->host.WriteRaw(path, data + "old");
        EXPECT_TRUE(Text(fs.ReadFile(path).value_or({})) == data + "old") << data.size();
        ASSERT_TRUE(fs.ReplaceFile(path, data).ok()) << data.size();
        EXPECT_TRUE(this->host.ReadRaw(path) == data) << data.size();
    }
    for (const std::string& missing : {this->In("missing.txt"), this->host.Root()})  // a folder is no file
        EXPECT_TRUE(Described(fs.ReadFile(missing))) << missing;
    EXPECT_TRUE(Described(fs.ReplaceFile(this->Join(this->In("nofolder"), "file.txt"), "data")));
    EXPECT_FALSE(fs.Attributes(this->In("nofolder")).exists);
    this->host.MakeFolderRaw(this->In("target"));  // a folder cannot be replaced by a file
    this->host.WriteRaw(this->Join(this->In("target"), "inside.txt"), "kept");
    EXPECT_TRUE(Described(fs.ReplaceFile(this->In("target"), "data")));
    EXPECT_EQ(this->host.ReadRaw(this->Join(this->In("target"), "inside.txt")), "kept");
    EXPECT_EQ(Leftovers(fs, this->host.Root()) + Leftovers(fs, this->In(this->nonAscii)), 0);
}

TYPED_TEST(FileSystemContract, ListFolderNamesWhatIsDirectlyInsideWithItsWriteTime) {
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

    this->host.SetWriteTime(this->In("a.txt"), 1000000000);  // 2001-09-09 01:46:40 UTC: a local time is hours off
    this->host.SetWriteTime(this->In("sub"), 1000000000);
    listed = this->Listed(this->host.Root() + fs.Separator());  // a trailing separator is fine
    EXPECT_EQ(std::tuple(listed["a.txt"].modifiedUtc, listed["sub"].modifiedUtc), std::tuple(1000000000, 1000000000));
    EXPECT_NE(listed[cafe].modifiedUtc, 1000000000);  // each entry carries its own time

    this->host.MakeFolderRaw(this->In("empty"));
    EXPECT_TRUE(this->Listed(this->In("empty")).empty());
    for (const std::string& path : {this->In("missing"), this->In("a.txt"), std::string()})
        EXPECT_TRUE(Described(fs.ListFolder(path))) << path;
}

TYPED_TEST(FileSystemContract, AppendFileCreatesThenAppendsAndDeleteFileRemovesFilesOnly) {
    IFileSystem& fs = this->fs;
    this->host.MakeFolderRaw(this->In(this->nonAscii));
    const std::string path = this->Join(this->In(this->nonAscii), "debug.log");
    ASSERT_TRUE(fs.AppendFile(path, "one\r\n").ok());
    ASSERT_TRUE(fs.AppendFile(path, "two\r\n").ok());
    EXPECT_EQ(this->host.ReadRaw(path), "one\r\ntwo\r\n");
    EXPECT_TRUE(Described(fs.AppendFile(this->Join(this->In("nofolder"), "debug.log"), "x")));
    EXPECT_TRUE(Described(fs.AppendFile(this->host.Root(), "x")));  // a folder

    EXPECT_TRUE(fs.DeleteFile(path).ok() && !this->host.ReadRaw(path));
    EXPECT_TRUE(Described(fs.DeleteFile(path)));
    EXPECT_TRUE(Described(fs.DeleteFile(this->In(this->nonAscii))));
    EXPECT_TRUE(fs.Attributes(this->In(this->nonAscii)).isFolder);
}

TYPED_TEST(FileSystemContract, CopyFileReplacesTheTargetWholeOrLeavesItAlone) {
    IFileSystem& fs = this->fs;
    const std::string big = Pattern(300000);
    this->host.WriteRaw(this->In("settings.ini"), big);
    this->host.WriteRaw(this->In("copy.ini"), std::string(400000, 'o'));  // longer: nothing of it may stay
    this->host.MakeFolderRaw(this->In("folder"));
    const std::tuple<const char*, const char*, std::optional<std::string>> cases[] = {
        {"settings.ini", "copy.ini", big},
        {"missing.ini", "copy.ini", std::nullopt},
        {"folder", "copy.ini", std::nullopt},
        {"settings.ini", "folder", std::nullopt},
        {"settings.ini", "no folder/x.ini", std::nullopt}};
    for (const auto& [from, to, copied] : cases) {
        std::string target = this->In(to);
        std::replace(target.begin(), target.end(), '/', fs.Separator());
        const std::optional<std::string> before = this->host.ReadRaw(target);
        const Status s = fs.CopyFile(this->In(from), target);
        EXPECT_TRUE(copied ? s.ok() : Described(s)) << from << " -> " << to << ": " << s.error();
        EXPECT_TRUE(this->host.ReadRaw(target) == (copied ? copied : before)) << from << " -> " << to;
    }
    EXPECT_TRUE(this->host.ReadRaw(this->In("settings.ini")) == big);
    EXPECT_EQ(this->Names(), "copy.ini folder settings.ini ");
}

TYPED_TEST(FileSystemContract, PathsWithANulAreRefused) {
    IFileSystem& fs = this->fs;
    this->host.WriteRaw(this->In("a"), "keep");
    const std::string cut = this->In(std::string("a\0b", 3));  // would name "a" if passed on
    const std::string cutFolder = this->host.Root() + std::string("\0x", 2);
    EXPECT_FALSE(fs.Attributes(cut).exists);
    for (const Status& s : {fs.ReadFile(cut).status(), fs.ReplaceFile(cut, "x"), fs.AppendFile(cut, "x"),
                            fs.DeleteFile(cut), fs.CreateFolder(cut), fs.CopyFile(cut, this->In("b")),
                            fs.ListFolder(cutFolder).status(), fs.FolderCreated(cutFolder).status()})
        EXPECT_TRUE(Described(s));
    EXPECT_EQ(this->host.ReadRaw(this->In("a")), "keep");
    EXPECT_EQ(this->Names(), "a ");
}

}  // namespace pankor::contract
