#pragma once
// The fixed file version of program files, for installed versions. Host:
// versions; VersionProgram() — a Windows program whose version is
// 65535.32770.32771.65534 ("" when it cannot be built here); and what
// PlainFiles needs.
#include "ContractSupport.h"
#include "platform/IVersionResource.h"

namespace pankor::contract {

template <typename Host>
class VersionResourceContract : public ::testing::Test {
protected:
    Host host;
};
TYPED_TEST_SUITE_P(VersionResourceContract);

TYPED_TEST_P(VersionResourceContract, TheFixedFileVersionKeepsEveryBitOfItsPartsOrIsADescribedFailure) {
    if (this->host.VersionProgram().empty()) GTEST_SKIP() << "no fixture programs: no MinGW toolchain";
    const Result<FixedFileVersion> v = this->host.versions.Read(this->host.VersionProgram());
    ASSERT_TRUE(v.ok()) << v.error();
    EXPECT_EQ(v->fileVersionMS, 0xFFFF8002u);
    EXPECT_EQ(v->fileVersionLS, 0x8003FFFEu);
    for (const std::string& path : PlainFiles(this->host))
        EXPECT_TRUE(Described(this->host.versions.Read(path))) << path;
}

REGISTER_TYPED_TEST_SUITE_P(VersionResourceContract, TheFixedFileVersionKeepsEveryBitOfItsPartsOrIsADescribedFailure);

}  // namespace pankor::contract
