// What only the Win32 file system needs: a replace beside readers that hold
// the file open, over a name too long for its temporary, and appends beside
// another process's handle.
#include <gtest/gtest.h>

#include <thread>

#include "TestSupport.h"
#include "base/TempFiles.h"
#include "platform/win32/Win32FileSystem.h"

namespace pankor {
namespace {

using test::Wide;

class FileSystemTest : public ::testing::Test {
protected:
    static std::optional<std::string> ReadWhole(const std::string& path) { return test::Scratch::ReadRaw(path); }
    static void WriteWhole(const std::string& path, const std::string& data) { test::Scratch::WriteRaw(path, data); }
    // Temporary files of a replace left in the test's folder.
    int Temporaries() const {
        int count = 0;
        for (const auto& e : std::filesystem::directory_iterator(test::FsPath(dir_.Root())))
            count += IsTempFileName(test::Utf8(e.path().filename().wstring())) ? 1 : 0;
        return count;
    }
    test::Scratch dir_;
    Win32FileSystem fs_;
};

TEST_F(FileSystemTest, ReplaceFileKeepsOldContentWhenNoTemporaryCanBeCreated) {
    // A name so long that the temporary name beside it exceeds the length a
    // folder entry may have, while the target itself is fine ("\\?\": the
    // whole path is longer than the classic limit).
    const std::string path = "\\\\?\\" + dir_.In(std::string(248, 'n') + ".txt");
    WriteWhole(path, "old content");
    EXPECT_TRUE(contract::Described(fs_.ReplaceFile(path, "new content")));
    EXPECT_EQ(ReadWhole(path), "old content");
    EXPECT_EQ(Temporaries(), 0);
}

HANDLE OpenAsReader(const std::string& path) {
    // The way readers of this program open files.
    return CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(FileSystemTest, ReplaceFileWaitsForAReaderThatHoldsTheTargetOpen) {
    const std::string path = dir_.In("handoff.txt");
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
    EXPECT_EQ(Temporaries(), 0);
}

TEST_F(FileSystemTest, ReplaceFileGivesUpOnAReaderThatNeverLetsGo) {
    const std::string path = dir_.In("state.ini");
    WriteWhole(path, "old");
    HANDLE reader = OpenAsReader(path);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const Status s = fs_.ReplaceFile(path, "new text");
    CloseHandle(reader);
    // Systems that replace open files in place may succeed; either way the
    // file is whole and no temporary is left behind.
    EXPECT_EQ(ReadWhole(path), s.ok() ? "new text" : "old") << s.error();
    EXPECT_EQ(Temporaries(), 0);
}

TEST_F(FileSystemTest, AppendFileLandsAtTheEndBesideAnotherAppender) {
    const std::string path = dir_.In("debug.log");
    ASSERT_TRUE(fs_.AppendFile(path, "one\r\n").ok());
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
}

}  // namespace
}  // namespace pankor
