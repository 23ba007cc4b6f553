#pragma once
// The fixed file version of program files: installed versions of apps and
// of the manager itself.
//
// Fixture: const IVersionResource& Service(); VersionProgram() — a Windows
// program whose version is 65535.32770.3.65534; PlainProgram() — one
// without a version resource ("" for both when they cannot be built here);
// Root(), In(name) and WriteRaw(path, data) for files of the test's own.
#include "ContractSupport.h"
#include "platform/IVersionResource.h"

namespace pankor::contract {

template <typename F>
class VersionResourceContract : public ::testing::Test {
protected:
    void SetUp() override {
        if (f.VersionProgram().empty()) GTEST_SKIP() << "no fixture programs: no MinGW toolchain";
    }
    F f;
};
TYPED_TEST_SUITE_P(VersionResourceContract);

TYPED_TEST_P(VersionResourceContract, TheFixedFileVersionKeepsEveryBitOfItsParts) {
    const Result<FixedFileVersion> v = this->f.Service().Read(this->f.VersionProgram());
    ASSERT_TRUE(v.ok()) << v.error();
    EXPECT_EQ(v->fileVersionMS, 0xFFFF8002u);
    EXPECT_EQ(v->fileVersionLS, 0x0003FFFEu);
}

TYPED_TEST_P(VersionResourceContract, FilesWithoutAVersionResourceFail) {
    const std::string text = this->f.In("text.exe");
    this->f.WriteRaw(text, "MZ but not a program");
    for (const std::string& path :
         {this->f.PlainProgram(), this->f.In("missing.exe"), text, this->f.Root(), std::string()})
        EXPECT_TRUE(Described(this->f.Service().Read(path))) << path;
}

REGISTER_TYPED_TEST_SUITE_P(VersionResourceContract, TheFixedFileVersionKeepsEveryBitOfItsParts,
                            FilesWithoutAVersionResourceFail);

}  // namespace pankor::contract
