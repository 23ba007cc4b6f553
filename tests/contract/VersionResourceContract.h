#pragma once
// The fixed file version of program files, for installed versions. Host:
// versions; VersionPrograms() — Windows programs whose version is
// 65535.32770.32771.65534 (none when they cannot be built here); and what
// PlainFiles needs.
#include "ContractSupport.h"

namespace pankor::contract {

template <typename Host>
using VersionResourceContract = HostTest<Host>;
TYPED_TEST_SUITE(VersionResourceContract, ContractHosts);

TYPED_TEST(VersionResourceContract, TheFixedFileVersionKeepsEveryBitOfItsPartsOrIsADescribedFailure) {
    if (this->host.VersionPrograms().empty()) GTEST_SKIP() << "no fixture programs: no MinGW toolchain";
    for (const std::string& program : this->host.VersionPrograms()) {
        const Result<FixedFileVersion> v = this->host.versions.Read(program);
        ASSERT_TRUE(v.ok()) << program << ": " << v.error();
        EXPECT_EQ(std::pair(v->fileVersionMS, v->fileVersionLS), std::pair(0xFFFF8002u, 0x8003FFFEu)) << program;
    }
    for (const std::string& path : PlainFiles(this->host))
        EXPECT_TRUE(Described(this->host.versions.Read(path))) << path;
}

}  // namespace pankor::contract
