// The Linux stand-in for the registry: its store file, shared by processes,
// and the autostart entry it mirrors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "TestSupport.h"
#include "platform/linux/LinuxRegistry.h"

using namespace pankor;
using pankor::testing::TempFolder;

TEST(LinuxRegistry, AnUnwritableStoreReportsTheSystemError) {
    LinuxRegistry reg("/proc/pankor-cannot-write/registry.txt");
    const Status s = reg.WriteString("HKCU\\A\\B", "x");
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(s.error().empty());
}

TEST(LinuxRegistry, WritersInSeveralThreadsLoseNoValue) {
    // Each writer reads, changes and rewrites the whole store: without the
    // store's lock, concurrent writers would drop each other's values. The
    // last reader is a new instance: values live in the file.
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
