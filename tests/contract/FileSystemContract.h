#pragma once
// Files and folders: what the data folder, key files, the log, the handoff
// and the start-up sweep rely on.
//
// Fixture: IFileSystem& Service(); std::string Root() — an empty folder of
// the test's own; and, through the system rather than the service,
// WriteRaw(path, data), std::optional<std::string> ReadRaw(path),
// MakeFolderRaw(path), SetWriteTime(path, unixSeconds); the clock the
// service's times are compared with: DateTime LocalNow(), std::int64_t UtcNow().
#include <cstdlib>
#include <map>
#include <optional>
#include <set>

#include "ContractSupport.h"
#include "base/TempFiles.h"
#include "platform/IFileSystem.h"

namespace pankor::contract {

template <typename F>
class FileSystemContract : public ::testing::Test {
protected:
    IFileSystem& fs() { return f.Service(); }
    std::string Join(const std::string& folder, const std::string& name) {
        return folder + f.Service().Separator() + name;
    }
    std::string In(const std::string& name) { return Join(f.Root(), name); }
    // The folder's entries by name; empty when it cannot be listed.
    std::map<std::string, FolderEntry> Listed(const std::string& folder) {
        std::map<std::string, FolderEntry> byName;
        const Result<std::vector<FolderEntry>> listed = fs().ListFolder(folder);
        EXPECT_TRUE(listed.ok()) << folder << ": " << listed.error();
        if (listed.ok())
            for (const FolderEntry& e : *listed) byName[e.name] = e;
        EXPECT_EQ(byName.size(), listed.ok() ? listed->size() : 0u) << "a name listed twice";
        return byName;
    }
    // Temporary files of a replace left in the test's folder.
    int Leftovers() {
        int count = 0;
        for (const auto& [name, entry] : Listed(f.Root())) count += IsTempFileName(name) ? 1 : 0;
        return count;
    }
    F f;
};
TYPED_TEST_SUITE_P(FileSystemContract);

TYPED_TEST_P(FileSystemContract, AttributesTellFilesFromFolders) {
    this->f.WriteRaw(this->In("file.txt"), "x");
    const struct {
        std::string path;
        bool exists, isFolder;
    } cases[] = {{this->f.Root(), true, true},
                 {this->In("file.txt"), true, false},
                 {this->In("missing"), false, false},
                 {"", false, false}};
    for (const auto& c : cases) {
        const FileAttributes a = this->fs().Attributes(c.path);
        EXPECT_EQ(a.exists, c.exists) << c.path;
        EXPECT_EQ(a.isFolder, c.isFolder) << c.path;
    }
}

TYPED_TEST_P(FileSystemContract, CreateFolderMakesOneNewLevel) {
    IFileSystem& fs = this->fs();
    EXPECT_TRUE(fs.CreateFolder(this->In("a")).ok());
    EXPECT_TRUE(fs.Attributes(this->In("a")).isFolder);
    EXPECT_TRUE(Described(fs.CreateFolder(this->Join(this->In("b"), "c"))));
    EXPECT_FALSE(fs.Attributes(this->In("b")).exists);
    EXPECT_TRUE(Described(fs.CreateFolder(this->In("a"))));  // already there
}

TYPED_TEST_P(FileSystemContract, AFreshFolderWasCreatedNowInLocalTime) {
    IFileSystem& fs = this->fs();
    ASSERT_TRUE(fs.CreateFolder(this->In("fresh")).ok());
    const Result<DateTime> created = fs.FolderCreated(this->In("fresh"));
    ASSERT_TRUE(created.ok()) << created.error();
    EXPECT_TRUE(created->IsValid());
    const DateTime now = this->f.LocalNow();
    EXPECT_LE(std::llabs(now.SerialSeconds() - created->SerialSeconds()), 120)
        << "created " << created->hour << ":" << created->minute << ", now " << now.hour << ":" << now.minute;
    EXPECT_TRUE(Described(fs.FolderCreated(this->In("missing"))));
}

TYPED_TEST_P(FileSystemContract, ReadFileGivesTheExactBytes) {
    for (const std::string& data : {std::string("a\r\nb\0c\xFF\xE9", 8), std::string(), Pattern(300000)}) {
        this->f.WriteRaw(this->In("bytes.bin"), data);
        const Result<Bytes> read = this->fs().ReadFile(this->In("bytes.bin"));
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_TRUE(Text(*read) == data) << data.size() << " bytes written, " << read->size() << " read";
    }
    for (const std::string& path : {this->In("missing.txt"), this->f.Root()})  // a folder is no file
        EXPECT_TRUE(Described(this->fs().ReadFile(path))) << path;
}

TYPED_TEST_P(FileSystemContract, ListFolderNamesWhatIsDirectlyInsideWithItsWriteTime) {
    IFileSystem& fs = this->fs();
    const std::string cafe = "caf\xC3\xA9.ini";
    ASSERT_TRUE(fs.ReplaceFile(this->In("a.txt"), "x").ok());
    ASSERT_TRUE(fs.ReplaceFile(this->In(cafe), "y").ok());
    ASSERT_TRUE(fs.CreateFolder(this->In("sub")).ok());
    ASSERT_TRUE(fs.ReplaceFile(this->Join(this->In("sub"), "inner.txt"), "z").ok());  // one level only: not listed
    const std::int64_t now = this->f.UtcNow();

    std::map<std::string, FolderEntry> listed = this->Listed(this->f.Root());
    ASSERT_EQ(listed.size(), 3u);  // no "." or ".."
    EXPECT_FALSE(listed["a.txt"].isFolder);
    EXPECT_FALSE(listed[cafe].isFolder);
    EXPECT_TRUE(listed["sub"].isFolder);
    // Written just now, in the clock's own terms (UTC, not local time).
    for (const auto& [name, e] : listed)
        EXPECT_LE(std::llabs(now - e.modifiedUtc), 180) << name << ": " << e.modifiedUtc << ", now " << now;

    // An exact, known time: 2001-09-09 01:46:40 UTC.
    this->f.SetWriteTime(this->In("a.txt"), 1000000000);
    this->f.SetWriteTime(this->In("sub"), 1000000000);
    listed = this->Listed(this->f.Root() + fs.Separator());  // a trailing separator is fine
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed["a.txt"].modifiedUtc, 1000000000);
    EXPECT_EQ(listed["sub"].modifiedUtc, 1000000000);
    EXPECT_NE(listed[cafe].modifiedUtc, 1000000000);  // each entry carries its own time
}

TYPED_TEST_P(FileSystemContract, ListFolderOfAnEmptyFolderIsEmptyAndOfAnythingElseFails) {
    this->f.MakeFolderRaw(this->In("empty"));
    const Result<std::vector<FolderEntry>> empty = this->fs().ListFolder(this->In("empty"));
    ASSERT_TRUE(empty.ok()) << empty.error();
    EXPECT_TRUE(empty->empty());
    this->f.WriteRaw(this->In("file.txt"), "x");
    for (const std::string& path : {this->In("missing"), this->In("file.txt"), std::string()})
        EXPECT_TRUE(Described(this->fs().ListFolder(path))) << path;
}

TYPED_TEST_P(FileSystemContract, ReplaceFileWritesTheWholeFileAndLeavesNoTemporary) {
    const std::string path = this->In("state.ini");
    const std::string texts[] = {"first=1\r\nsecond=2\r\n", "abc", "", Pattern(1 << 20)};
    for (const std::string& data : texts) {
        ASSERT_TRUE(this->fs().ReplaceFile(path, data).ok()) << data.size();
        EXPECT_TRUE(this->f.ReadRaw(path) == data) << data.size();  // a shorter text leaves no old tail
    }
    EXPECT_EQ(this->Leftovers(), 0);
}

TYPED_TEST_P(FileSystemContract, AFailedReplaceLeavesEverythingAsItWas) {
    IFileSystem& fs = this->fs();
    EXPECT_TRUE(Described(fs.ReplaceFile(this->Join(this->In("nofolder"), "file.txt"), "data")));
    EXPECT_FALSE(fs.Attributes(this->In("nofolder")).exists);

    // A folder of that name cannot be replaced by a file.
    this->f.MakeFolderRaw(this->In("target"));
    this->f.WriteRaw(this->Join(this->In("target"), "inside.txt"), "kept");
    EXPECT_TRUE(Described(fs.ReplaceFile(this->In("target"), "data")));
    EXPECT_EQ(this->f.ReadRaw(this->Join(this->In("target"), "inside.txt")), "kept");
    EXPECT_EQ(this->Leftovers(), 0);
}

TYPED_TEST_P(FileSystemContract, AppendFileCreatesThenAppends) {
    IFileSystem& fs = this->fs();
    const std::string path = this->In("debug.log");
    ASSERT_TRUE(fs.AppendFile(path, "one\r\n").ok());
    EXPECT_EQ(this->f.ReadRaw(path), "one\r\n");
    ASSERT_TRUE(fs.AppendFile(path, "two\r\n").ok());
    EXPECT_EQ(this->f.ReadRaw(path), "one\r\ntwo\r\n");
    EXPECT_TRUE(Described(fs.AppendFile(this->Join(this->In("nofolder"), "debug.log"), "x")));
    EXPECT_TRUE(Described(fs.AppendFile(this->f.Root(), "x")));  // a folder
}

TYPED_TEST_P(FileSystemContract, DeleteFileRemovesFilesOnly) {
    IFileSystem& fs = this->fs();
    this->f.WriteRaw(this->In("gone.txt"), "x");
    EXPECT_TRUE(fs.DeleteFile(this->In("gone.txt")).ok());
    EXPECT_FALSE(this->f.ReadRaw(this->In("gone.txt")).has_value());
    EXPECT_TRUE(Described(fs.DeleteFile(this->In("gone.txt"))));
    this->f.MakeFolderRaw(this->In("folder"));
    EXPECT_TRUE(Described(fs.DeleteFile(this->In("folder"))));
    EXPECT_TRUE(fs.Attributes(this->In("folder")).isFolder);
}

TYPED_TEST_P(FileSystemContract, NamesBeyondAsciiReachTheSystemAsWritten) {
    IFileSystem& fs = this->fs();
    const std::string folder = this->In(
        "Pr\xC3\xBC"
        "fung-\xE6\x9D\xB1\xE4\xBA\xAC");  // Prüfung-東京
    const std::string file = this->Join(folder, "caf\xC3\xA9.ini");
    ASSERT_TRUE(fs.CreateFolder(folder).ok());
    ASSERT_TRUE(fs.ReplaceFile(file, "k=v").ok());
    ASSERT_TRUE(fs.AppendFile(file, "\r\n").ok());
    EXPECT_EQ(this->f.ReadRaw(file), "k=v\r\n");
    EXPECT_TRUE(fs.Attributes(file).exists);
    EXPECT_EQ(Text(fs.ReadFile(file).value_or(Bytes())), "k=v\r\n");
    EXPECT_TRUE(fs.FolderCreated(folder).ok());
    EXPECT_TRUE(fs.DeleteFile(file).ok());
}

TYPED_TEST_P(FileSystemContract, PathsWithANulAreRefused) {
    IFileSystem& fs = this->fs();
    this->f.WriteRaw(this->In("a"), "keep");
    const std::string cut = this->In(std::string("a\0b", 3));  // would name "a" if passed on
    const std::string cutFolder = this->f.Root() + std::string("\0x", 2);
    EXPECT_FALSE(fs.Attributes(cut).exists);
    EXPECT_TRUE(Described(fs.ReadFile(cut)));
    EXPECT_TRUE(Described(fs.ReplaceFile(cut, "x")));
    EXPECT_TRUE(Described(fs.AppendFile(cut, "x")));
    EXPECT_TRUE(Described(fs.DeleteFile(cut)));
    EXPECT_TRUE(Described(fs.CreateFolder(cut)));
    EXPECT_TRUE(Described(fs.ListFolder(cutFolder)));
    EXPECT_TRUE(Described(fs.FolderCreated(cutFolder)));
    EXPECT_EQ(this->f.ReadRaw(this->In("a")), "keep");
}

REGISTER_TYPED_TEST_SUITE_P(FileSystemContract, AttributesTellFilesFromFolders, CreateFolderMakesOneNewLevel,
                            AFreshFolderWasCreatedNowInLocalTime, ReadFileGivesTheExactBytes,
                            ListFolderNamesWhatIsDirectlyInsideWithItsWriteTime,
                            ListFolderOfAnEmptyFolderIsEmptyAndOfAnythingElseFails,
                            ReplaceFileWritesTheWholeFileAndLeavesNoTemporary, AFailedReplaceLeavesEverythingAsItWas,
                            AppendFileCreatesThenAppends, DeleteFileRemovesFilesOnly,
                            NamesBeyondAsciiReachTheSystemAsWritten, PathsWithANulAreRefused);

}  // namespace pankor::contract
