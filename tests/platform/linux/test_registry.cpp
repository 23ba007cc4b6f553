#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "TestSupport.h"
#include "platform/linux/LinuxRegistry.h"

using namespace pankor;
using pankor::testing::TempFolder;

TEST(LinuxRegistry, ValuesRoundTripThroughTheStoreFile) {
    TempFolder tmp;
    const std::string store = tmp / "config/pankor-registry/registry.txt";  // folders made on first write
    {
        LinuxRegistry reg(store);
        ASSERT_TRUE(reg.WriteString("HKCU\\Software\\Tarnwick\\Pankor\\Source", "tab\there\r\nline \xC3\xA9 \\n").ok());
        ASSERT_TRUE(reg.WriteDword("HKEY_CURRENT_USER\\Software\\X\\Pankor.exe", 11001).ok());
        ASSERT_TRUE(reg.WriteDword("HKCU\\Software\\X\\Negative", -1).ok());
        ASSERT_TRUE(reg.WriteString("HKCU\\Software\\X\\Empty", "").ok());
        ASSERT_TRUE(reg.WriteString("HKCU\\Software\\X\\", "default value").ok());
    }
    LinuxRegistry reg(store);  // a new process reads the same file
    EXPECT_EQ(reg.Read("hkcu\\software\\tarnwick\\pankor\\source").value_or("<none>"),
              "tab\there\r\nline \xC3\xA9 \\n");
    EXPECT_EQ(reg.Read("HKCU\\Software\\X\\Pankor.exe").value_or("<none>"), "11001");
    EXPECT_EQ(reg.Read("HKCU\\Software\\X\\Negative").value_or("<none>"), "-1");
    EXPECT_EQ(reg.Read("HKCU\\Software\\X\\Empty").value_or("<none>"), "");
    EXPECT_EQ(reg.Read("HKCU\\Software\\X\\").value_or("<none>"), "default value");
    EXPECT_FALSE(reg.Read("HKCU\\Software\\X\\Missing").ok());
    EXPECT_FALSE(reg.Read("HKCU\\Software\\X").ok());  // a key is not its default value

    ASSERT_TRUE(reg.WriteString("HKCU\\Software\\X\\EMPTY", "now set").ok());  // same value, other case
    EXPECT_EQ(reg.Read("HKCU\\Software\\X\\Empty").value_or("<none>"), "now set");
    EXPECT_TRUE(reg.Remove("HKCU\\Software\\X\\Empty").ok());
    EXPECT_FALSE(reg.Read("HKCU\\Software\\X\\Empty").ok());
    EXPECT_FALSE(reg.Remove("HKCU\\Software\\X\\Empty").ok());
    EXPECT_EQ(reg.Read("HKCU\\Software\\X\\Negative").value_or("<none>"), "-1");  // others untouched
}

TEST(LinuxRegistry, ABadRootIsRefusedWithADescription) {
    TempFolder tmp;
    LinuxRegistry reg(tmp / "registry.txt");
    const Status s = reg.WriteString("HKXX\\Software\\A", "x");
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.error().find("HKXX\\Software\\A"), std::string::npos);
    EXPECT_FALSE(reg.Read("NoBackslash").ok());
}

TEST(LinuxRegistry, AnUnwritableStoreReportsTheSystemError) {
    LinuxRegistry reg("/proc/pankor-cannot-write/registry.txt");
    const Status s = reg.WriteString("HKCU\\A\\B", "x");
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(s.error().empty());
}

TEST(LinuxRegistry, WritersInSeveralThreadsLoseNoValue) {
    // Each writer reads, changes and rewrites the whole store: without the
    // store's lock, concurrent writers would drop each other's values.
    TempFolder tmp;
    const std::string store = tmp / "registry.txt";
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w)
        writers.emplace_back([&, w] {
            LinuxRegistry reg(store);
            for (int i = 0; i < 25; ++i)
                (void)reg.WriteDword("HKCU\\T\\v" + std::to_string(w) + "_" + std::to_string(i), i);
        });
    for (auto& t : writers) t.join();
    LinuxRegistry reg(store);
    for (int w = 0; w < 4; ++w)
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(reg.Read("HKCU\\T\\v" + std::to_string(w) + "_" + std::to_string(i)).value_or("<none>"),
                      std::to_string(i));
}

TEST(LinuxRegistry, TheManagersRunValueIsMirroredAsAnAutostartEntry) {
    TempFolder tmp;
    LinuxRegistry reg(tmp / "registry.txt", tmp / "autostart");
    const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Pankor";
    ASSERT_TRUE(reg.WriteString(run, "\"/opt/my apps/pankor\" /tray").ok());
    std::ifstream in(tmp / "autostart/pankor.desktop");
    const std::string entry((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(entry.find("\nExec=\"/opt/my apps/pankor\" /tray\n"), std::string::npos) << entry;
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);

    ASSERT_TRUE(reg.WriteString("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Other", "x").ok());
    ASSERT_TRUE(reg.Remove(run).ok());
    EXPECT_FALSE(std::filesystem::exists(tmp / "autostart/pankor.desktop"));
    EXPECT_FALSE(std::filesystem::exists(tmp / "autostart/other.desktop"));  // only the manager's own value
}
