// The Linux stand-in for the registry: its store file, shared by processes,
// and the autostart entry it mirrors.
#include <gtest/gtest.h>

#include <thread>

#include "ContractSupport.h"
#include "Scratch.h"
#include "platform/linux/LinuxRegistry.h"

using namespace pankor;
using test::Scratch;

TEST(LinuxRegistry, AnUnwritableStoreReportsTheSystemError) {
    EXPECT_TRUE(
        contract::Described(LinuxRegistry("/proc/pankor-cannot-write/registry.txt").WriteString("HKCU\\A\\B", "x")));
}

TEST(LinuxRegistry, WritersInSeveralThreadsLoseNoValue) {
    // Each writer reads, changes and rewrites the whole store: without the
    // store's lock, concurrent writers would drop each other's values. The
    // last reader is a new instance: values live in the file.
    Scratch tmp;
    const std::string store = tmp.In("registry.txt");
    const auto name = [](int w, int i) { return "HKCU\\T\\v" + std::to_string(w) + "_" + std::to_string(i); };
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w)
        writers.emplace_back([&, w] {
            LinuxRegistry reg(store);
            for (int i = 0; i < 25; ++i) (void)reg.WriteDword(name(w, i), i);
        });
    for (auto& t : writers) t.join();
    LinuxRegistry reg(store);
    for (int w = 0; w < 4; ++w)
        for (int i = 0; i < 25; ++i) EXPECT_EQ(reg.Read(name(w, i)).value_or("<none>"), std::to_string(i));
}

TEST(LinuxRegistry, TheManagersRunValueIsMirroredAsAnAutostartEntry) {
    Scratch tmp;
    LinuxRegistry reg(tmp.In("registry.txt"), tmp.In("autostart"));
    const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
    ASSERT_TRUE(reg.WriteString(run + "Pankor", "\"/opt/my apps/pankor\" /tray").ok());
    const std::string entry = Scratch::ReadRaw(tmp.In("autostart/pankor.desktop")).value_or("");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    EXPECT_NE(entry.find("\nExec=\"/opt/my apps/pankor\" /tray\n"), std::string::npos) << entry;

    ASSERT_TRUE(reg.WriteString(run + "Other", "x").ok());
    ASSERT_TRUE(reg.Remove(run + "Pankor").ok());
    EXPECT_FALSE(std::filesystem::exists(tmp.In("autostart/pankor.desktop")));
    EXPECT_FALSE(std::filesystem::exists(tmp.In("autostart/other.desktop")));  // only the manager's own value
}
