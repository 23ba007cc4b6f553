#pragma once
// A Pankor application object on the in-memory platform.
#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "startup/Pankor.h"

namespace pankor::testing {

class AppTest : public ::testing::Test {
protected:
    static constexpr const char* kDataDir = "C:\\Users\\ann\\AppData\\Roaming\\Pankor";

    AppTest() {
        app.process.DataDir = kDataDir;
        app.process.DebugMode = true;
        fake.fs.folders.insert(kDataDir);
    }

    std::string Log() const {
        const auto it = fake.fs.files.find(std::string(kDataDir) + "\\debug.log");
        return it == fake.fs.files.end() ? std::string() : it->second;
    }
    std::string File(const std::string& path) const {
        const auto it = fake.fs.files.find(path);
        return it == fake.fs.files.end() ? std::string("<missing>") : it->second;
    }

    fakes::FakePlatform fake;
    Pankor app{fake.platform};
};

}  // namespace pankor::testing
