#include "Fixture.h"
#include "base/Hex.h"
#include "trust/modHash.h"

using namespace pankor;
using pankor::testing::AppTest;

namespace {

class KeyedHashTest : public AppTest {
protected:
    std::string Hash(const std::string& data, std::string_view key = "KEY") {
        return app.hash.KeyedHash({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}, key);
    }
};

}  // namespace

TEST_F(KeyedHashTest, FeedsKeyDataKeyAndSkipsEmptyParts) {
    EXPECT_EQ(Hash("data").size(), 64u);
    EXPECT_EQ(fake.crypto.calls, (std::vector<std::string>{"acquire 24", "create hash 32780", "hash KEY", "hash data",
                                                           "hash KEY", "destroy hash", "release context"}));
    fake.crypto.calls.clear();
    Hash("");
    EXPECT_EQ(fake.crypto.calls, (std::vector<std::string>{"acquire 24", "create hash 32780", "hash KEY", "hash KEY",
                                                           "destroy hash", "release context"}));
    EXPECT_EQ(Log(), "");
}

TEST_F(KeyedHashTest, SameInputSameLowerCaseHexAndAnyChangeChangesIt) {
    const std::string a = Hash("payload");
    EXPECT_EQ(a, Hash("payload"));
    EXPECT_NE(a, Hash("paylOad"));
    EXPECT_NE(a, Hash("payload", "KEZ"));
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST_F(KeyedHashTest, WithoutTheAesProviderItFallsBackToMd5OnTheFullProvider) {
    fake.crypto.failAcquire[CryptoProvider::RsaAes] = 2148073497u;
    EXPECT_EQ(Hash("x").size(), 32u);
    EXPECT_EQ(Log(), "14:03:27 CryptAcquireContext(AES) failed, err=2148073497\r\n");
    EXPECT_EQ(fake.crypto.calls[1], "acquire 1");
    EXPECT_EQ(fake.crypto.calls[2], "create hash 32771");
}

TEST_F(KeyedHashTest, NoProviderAtAllGivesNothing) {
    fake.crypto.failAcquire[CryptoProvider::RsaAes] = 5;
    fake.crypto.failAcquire[CryptoProvider::RsaFull] = 6;
    EXPECT_EQ(Hash("x"), "");
    EXPECT_EQ(Log(),
              "14:03:27 CryptAcquireContext(AES) failed, err=5\r\n"
              "14:03:27 CryptAcquireContext(FULL) failed too, err=6\r\n");
}

TEST_F(KeyedHashTest, HashCreationFallsBackOnceThenGivesUpAndReleases) {
    fake.crypto.failCreateHash[HashAlgorithm::Sha256] = 2148073480u;
    EXPECT_EQ(Hash("x").size(), 32u);
    EXPECT_EQ(Log(), "14:03:27 CryptCreateHash(alg=&H800C) failed, err=2148073480\r\n");

    fake.fs.files.clear();
    fake.crypto.calls.clear();
    fake.crypto.failCreateHash[HashAlgorithm::Md5] = 7;
    EXPECT_EQ(Hash("x"), "");
    EXPECT_EQ(Log(),
              "14:03:27 CryptCreateHash(alg=&H800C) failed, err=2148073480\r\n"
              "14:03:27 CryptCreateHash(MD5) failed too, err=7\r\n");
    EXPECT_EQ(fake.crypto.calls.back(), "release context");
}

TEST_F(KeyedHashTest, AFailedDigestReadIsLoggedAndCleanedUp) {
    fake.crypto.failGetValue = 87;
    EXPECT_EQ(Hash("x"), "");
    EXPECT_EQ(Log(), "14:03:27 CryptGetHashParam failed, err=87\r\n");
    EXPECT_EQ(fake.crypto.calls.back(), "release context");
    EXPECT_EQ(fake.crypto.calls[fake.crypto.calls.size() - 2], "destroy hash");
}

TEST(HashEquals, IgnoresCaseAndSurroundingSpacesOnly) {
    const std::string d(64, 'a');
    EXPECT_TRUE(HashEquals(d, "  " + std::string(64, 'A') + " "));
    EXPECT_FALSE(HashEquals(d, d.substr(0, 63)));
    EXPECT_FALSE(HashEquals("", ""));
    EXPECT_FALSE(HashEquals(d, ""));
    EXPECT_FALSE(HashEquals("ab", "ac"));
    EXPECT_FALSE(HashEquals("a b", "ab"));
    EXPECT_TRUE(HashEquals("0f", "0F"));
}

TEST(HexText, UpperHexHasNoLeadingZeros) {
    EXPECT_EQ(UpperHex(0x800C), "800C");
    EXPECT_EQ(UpperHex(0x80090005u), "80090005");
    EXPECT_EQ(UpperHex(0), "0");
    const Bytes b{0x00, 0x0F, 0xA0, 0xFF};
    EXPECT_EQ(ToLowerHex(b), "000fa0ff");
}
