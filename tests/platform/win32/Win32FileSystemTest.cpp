// The file-system service against real files in a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <thread>

#include "TestSupport.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32System.h"

namespace pankor {
namespace {

using test::ReadWhole;
using test::Wide;
using test::WriteWhole;

class FileSystemTest : public ::testing::Test {
protected:
    test::TempFolder dir_;
    Win32FileSystem fs_;
};

TEST_F(FileSystemTest, AttributesTellFoldersFromFiles) {
    WriteWhole(dir_.Join("file.txt"), "x");
    const FileAttributes folder = fs_.Attributes(dir_.Path());
    EXPECT_TRUE(folder.exists);
    EXPECT_TRUE(folder.isFolder);
    const FileAttributes file = fs_.Attributes(dir_.Join("file.txt"));
    EXPECT_TRUE(file.exists);
    EXPECT_FALSE(file.isFolder);
    EXPECT_FALSE(fs_.Attributes(dir_.Join("missing")).exists);
    EXPECT_FALSE(fs_.Attributes("").exists);
}

TEST_F(FileSystemTest, CreateFolderMakesOneLevelOnly) {
    EXPECT_TRUE(fs_.CreateFolder(dir_.Join("a")).ok());
    EXPECT_TRUE(fs_.Attributes(dir_.Join("a")).isFolder);

    const Status deep = fs_.CreateFolder(dir_.Join("b\\c"));
    EXPECT_FALSE(deep.ok());
    EXPECT_FALSE(deep.error().empty());
    EXPECT_FALSE(test::Exists(dir_.Join("b")));

    EXPECT_FALSE(fs_.CreateFolder(dir_.Join("a")).ok());  // already there
}

TEST_F(FileSystemTest, FolderCreatedOfAFreshFolderIsNowInLocalTime) {
    // The test runs with a time zone far from UTC, so a creation time left
    // in UTC would be hours off.
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    EXPECT_NE(zone.Bias, 0) << "the test expects a local time zone other than UTC";

    ASSERT_TRUE(fs_.CreateFolder(dir_.Join("fresh")).ok());
    const Result<DateTime> created = fs_.FolderCreated(dir_.Join("fresh"));
    ASSERT_TRUE(created.ok()) << created.error();
    const DateTime now = Win32System().LocalNow();
    EXPECT_TRUE(created->IsValid());
    EXPECT_LE(std::llabs(now.SerialSeconds() - created->SerialSeconds()), 120)
        << "created " << created->hour << ":" << created->minute << ", now " << now.hour << ":" << now.minute;

    const Result<DateTime> missing = fs_.FolderCreated(dir_.Join("missing"));
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.code(), 0u);
}

TEST_F(FileSystemTest, ReadFileReturnsTheExactBytes) {
    const std::string data("a\r\nb\0c\xFF\xE9", 8);
    WriteWhole(dir_.Join("bytes.bin"), data);
    const Result<Bytes> read = fs_.ReadFile(dir_.Join("bytes.bin"));
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(std::string(read->begin(), read->end()), data);

    WriteWhole(dir_.Join("empty.txt"), "");
    const Result<Bytes> empty = fs_.ReadFile(dir_.Join("empty.txt"));
    ASSERT_TRUE(empty.ok()) << empty.error();
    EXPECT_TRUE(empty->empty());

    const Result<Bytes> missing = fs_.ReadFile(dir_.Join("missing.txt"));
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(missing.error().empty());
    EXPECT_EQ(missing.code(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
}

// Sets a file's or folder's last-write time, seconds since 1970 UTC.
void SetWriteTime(const std::string& path, std::int64_t unixSeconds) {
    const HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);  // the flag opens folders too
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    const std::uint64_t ticks = static_cast<std::uint64_t>(unixSeconds) * 10000000u + 116444736000000000u;
    const FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
    CloseHandle(h);
}

TEST_F(FileSystemTest, ListFolderNamesFilesAndFoldersWithTheirWriteTimes) {
    WriteWhole(dir_.Join("a.txt"), "x");
    WriteWhole(dir_.Join("caf\xC3\xA9.ini"), "y");  // café.ini
    ASSERT_TRUE(CreateDirectoryW(Wide(dir_.Join("sub")).c_str(), nullptr));
    WriteWhole(dir_.Join("sub\\inner.txt"), "z");  // one level only: not listed
    const std::int64_t now = Win32System().UtcNow();

    const Result<std::vector<FolderEntry>> listed = fs_.ListFolder(dir_.Path());
    ASSERT_TRUE(listed.ok()) << listed.error();
    std::map<std::string, FolderEntry> byName;
    for (const FolderEntry& e : *listed) byName[e.name] = e;
    ASSERT_EQ(listed->size(), 3u);  // no "." or ".."
    ASSERT_EQ(byName.size(), 3u);
    ASSERT_EQ(byName.count("a.txt"), 1u);
    ASSERT_EQ(byName.count("caf\xC3\xA9.ini"), 1u);
    ASSERT_EQ(byName.count("sub"), 1u);
    EXPECT_FALSE(byName["a.txt"].isFolder);
    EXPECT_FALSE(byName["caf\xC3\xA9.ini"].isFolder);
    EXPECT_TRUE(byName["sub"].isFolder);
    // Written just now, in the clock's own terms (UTC, not the +05:45 local time).
    for (const auto& [name, e] : byName)
        EXPECT_LE(std::llabs(now - e.modifiedUtc), 180) << name << ": " << e.modifiedUtc << ", now " << now;

    // An exact, known time: 2001-09-09 01:46:40 UTC.
    SetWriteTime(dir_.Join("a.txt"), 1000000000);
    SetWriteTime(dir_.Join("sub"), 1000000000);
    const Result<std::vector<FolderEntry>> again = fs_.ListFolder(dir_.Path() + "\\");  // a trailing separator is fine
    ASSERT_TRUE(again.ok()) << again.error();
    ASSERT_EQ(again->size(), 3u);
    std::map<std::string, std::int64_t> times;
    for (const FolderEntry& e : *again) times[e.name] = e.modifiedUtc;
    EXPECT_EQ(times["a.txt"], 1000000000);
    EXPECT_EQ(times["sub"], 1000000000);
    EXPECT_NE(times["caf\xC3\xA9.ini"], 1000000000);  // each entry carries its own time
}

TEST_F(FileSystemTest, ListFolderOfAnEmptyMissingOrFilePath) {
    ASSERT_TRUE(CreateDirectoryW(Wide(dir_.Join("empty")).c_str(), nullptr));
    const Result<std::vector<FolderEntry>> empty = fs_.ListFolder(dir_.Join("empty"));
    ASSERT_TRUE(empty.ok()) << empty.error();
    EXPECT_TRUE(empty->empty());

    WriteWhole(dir_.Join("file.txt"), "x");
    for (const std::string& path : {dir_.Join("missing"), dir_.Join("file.txt"), std::string()}) {
        const Result<std::vector<FolderEntry>> r = fs_.ListFolder(path);
        EXPECT_FALSE(r.ok()) << path;
        EXPECT_FALSE(r.error().empty()) << path;
        EXPECT_NE(r.code(), 0u) << path;
    }
}

TEST_F(FileSystemTest, ReplaceFileWritesTheWholeFileAndLeavesNoTemporary) {
    const std::string path = dir_.Join("state.ini");
    ASSERT_TRUE(fs_.ReplaceFile(path, "first=1\r\nsecond=2\r\n").ok());
    EXPECT_EQ(ReadWhole(path), "first=1\r\nsecond=2\r\n");
    ASSERT_TRUE(fs_.ReplaceFile(path, "abc").ok());  // shorter: nothing of the old tail stays
    EXPECT_EQ(ReadWhole(path), "abc");
    ASSERT_TRUE(fs_.ReplaceFile(path, "").ok());
    EXPECT_EQ(ReadWhole(path), "");
    EXPECT_EQ(test::CountMatches(dir_.Path(), "*.tmp-*"), 0);
}

TEST_F(FileSystemTest, ReplaceFileIntoAMissingFolderFailsAndCreatesNothing) {
    const Status s = fs_.ReplaceFile(dir_.Join("nofolder\\file.txt"), "data");
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(s.error().empty());
    EXPECT_FALSE(test::Exists(dir_.Join("nofolder")));
}

TEST_F(FileSystemTest, ReplaceFileKeepsOldContentWhenNoTemporaryCanBeCreated) {
    // A name so long that the temporary name beside it exceeds the length a
    // folder entry may have, while the target itself is fine ("\\?\": the
    // whole path is longer than the classic limit).
    const std::string path = "\\\\?\\" + dir_.Join(std::string(248, 'n') + ".txt");
    WriteWhole(path, "old content");
    const Status s = fs_.ReplaceFile(path, "new content");
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(s.error().empty());
    EXPECT_EQ(ReadWhole(path), "old content");
    EXPECT_EQ(test::CountMatches(dir_.Path(), "*.tmp-*"), 0);
}

TEST_F(FileSystemTest, ReplaceFileKeepsTheTargetAndRemovesTheTemporaryWhenTheRenameFails) {
    // A folder of that name cannot be replaced by a file.
    ASSERT_TRUE(CreateDirectoryW(Wide(dir_.Join("target")).c_str(), nullptr));
    WriteWhole(dir_.Join("target\\inside.txt"), "kept");
    const Status s = fs_.ReplaceFile(dir_.Join("target"), "data");
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(s.error().empty());
    EXPECT_EQ(ReadWhole(dir_.Join("target\\inside.txt")), "kept");
    EXPECT_EQ(test::CountMatches(dir_.Path(), "*.tmp-*"), 0);
}

HANDLE OpenAsReader(const std::string& path) {
    // The way readers of this program open files.
    return CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(FileSystemTest, ReplaceFileWaitsForAReaderThatHoldsTheTargetOpen) {
    const std::string path = dir_.Join("handoff.txt");
    WriteWhole(path, "old");
    HANDLE reader = OpenAsReader(path);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);

    // The reader finishes its read while the writer is already waiting.
    std::string seen;
    std::thread readerThread([&] {
        Sleep(300);
        char buffer[16] = {};
        DWORD got = 0;
        if (::ReadFile(reader, buffer, sizeof(buffer), &got, nullptr)) seen.assign(buffer, got);
        CloseHandle(reader);
    });
    const Status s = fs_.ReplaceFile(path, "new text");
    readerThread.join();

    EXPECT_TRUE(s.ok()) << s.error();
    EXPECT_EQ(seen, "old");  // the reader saw the old file whole
    EXPECT_EQ(ReadWhole(path), "new text");
    EXPECT_EQ(test::CountMatches(dir_.Path(), "*.tmp-*"), 0);
}

TEST_F(FileSystemTest, ReplaceFileGivesUpOnAReaderThatNeverLetsGo) {
    const std::string path = dir_.Join("state.ini");
    WriteWhole(path, "old");
    HANDLE reader = OpenAsReader(path);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const Status s = fs_.ReplaceFile(path, "new text");
    CloseHandle(reader);
    // Systems that replace open files in place may succeed; either way the
    // file is whole and no temporary is left behind.
    if (s.ok()) {
        EXPECT_EQ(ReadWhole(path), "new text");
    } else {
        EXPECT_FALSE(s.error().empty());
        EXPECT_EQ(ReadWhole(path), "old");
    }
    EXPECT_EQ(test::CountMatches(dir_.Path(), "*.tmp-*"), 0);
}

TEST_F(FileSystemTest, AppendFileCreatesThenAppendsBesideOtherWriters) {
    const std::string path = dir_.Join("debug.log");
    ASSERT_TRUE(fs_.AppendFile(path, "one\r\n").ok());
    EXPECT_EQ(ReadWhole(path), "one\r\n");

    // Another process's log handle, open at the same time, also appending.
    HANDLE other =
        CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(other, "two\r\n", 5, &written, nullptr));
    EXPECT_TRUE(fs_.AppendFile(path, "three\r\n").ok());
    ASSERT_TRUE(WriteFile(other, "four\r\n", 6, &written, nullptr));
    CloseHandle(other);
    EXPECT_EQ(ReadWhole(path), "one\r\ntwo\r\nthree\r\nfour\r\n");

    const Status missing = fs_.AppendFile(dir_.Join("nofolder\\debug.log"), "x");
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(missing.error().empty());
}

TEST_F(FileSystemTest, DeleteFileRemovesAndReportsAMissingFile) {
    WriteWhole(dir_.Join("gone.txt"), "x");
    EXPECT_TRUE(fs_.DeleteFile(dir_.Join("gone.txt")).ok());
    EXPECT_FALSE(test::Exists(dir_.Join("gone.txt")));
    const Status again = fs_.DeleteFile(dir_.Join("gone.txt"));
    EXPECT_FALSE(again.ok());
    EXPECT_FALSE(again.error().empty());
}

TEST_F(FileSystemTest, NonAsciiNamesReachTheDiskAsUnicode) {
    const std::string folder = dir_.Join(
        "Pr\xC3\xBC"
        "fung-\xE6\x9D\xB1\xE4\xBA\xAC");  // Prüfung-東京
    ASSERT_TRUE(fs_.CreateFolder(folder).ok());
    const std::string file = folder + "\\caf\xC3\xA9.ini";  // café.ini
    ASSERT_TRUE(fs_.ReplaceFile(file, "k=v").ok());
    ASSERT_TRUE(fs_.AppendFile(file, "\r\n").ok());

    const std::wstring wide = test::Wide(dir_.Path()) + L"\\Pr\u00FCfung-\u6771\u4EAC\\caf\u00E9.ini";
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(fs_.Attributes(file).exists);
    const Result<Bytes> read = fs_.ReadFile(file);
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(std::string(read->begin(), read->end()), "k=v\r\n");
    EXPECT_TRUE(fs_.FolderCreated(folder).ok());
    EXPECT_TRUE(fs_.DeleteFile(file).ok());
}

TEST_F(FileSystemTest, PathsWithANulAreRefused) {
    WriteWhole(dir_.Join("a"), "keep");
    const std::string cut = dir_.Join(std::string("a\0b", 3));  // would name "a" if passed on
    EXPECT_FALSE(fs_.Attributes(cut).exists);
    EXPECT_FALSE(fs_.ReplaceFile(cut, "x").ok());
    EXPECT_FALSE(fs_.DeleteFile(cut).ok());
    EXPECT_FALSE(fs_.ReadFile(cut).ok());
    EXPECT_EQ(ReadWhole(dir_.Join("a")), "keep");
}

}  // namespace
}  // namespace pankor
