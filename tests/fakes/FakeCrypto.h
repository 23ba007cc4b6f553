#pragma once
// A scripted cryptographic service: each step can be made to fail with a code, every call is
// recorded in order, and a signature verifies when the test registered it for that key and data.
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ICrypto.h"

namespace pankor::fakes {

class FakeCrypto : public ICrypto {
public:
    std::map<CryptoProvider, unsigned long> failAcquire;
    std::map<HashAlgorithm, unsigned long> failCreateHash;
    unsigned long failImport = 0, failHashData = 0, failGetValue = 0;
    std::vector<std::string> calls;
    // (key blob, data, signature as given to the platform)
    std::set<std::tuple<Bytes, Bytes, Bytes>> validSignatures;

    Result<std::unique_ptr<ICryptoContext>> AcquireContext(CryptoProvider provider) noexcept override {
        using R = Result<std::unique_ptr<ICryptoContext>>;
        calls.push_back("acquire " + std::to_string(static_cast<unsigned>(provider)));
        if (auto it = failAcquire.find(provider); it != failAcquire.end()) return R::From(Fail(it->second));
        return R::Of(std::make_unique<Context>(*this));
    }

private:
    static Status Fail(unsigned long code) { return Status::Fail("crypto error", code); }

    struct Hash : ICryptoHash {
        Hash(FakeCrypto& c, HashAlgorithm a) : crypto(c), algorithm(a) {}
        ~Hash() override { crypto.calls.push_back("destroy hash"); }
        Status HashData(ByteView d) noexcept override {
            crypto.calls.push_back("hash " + std::string(d.begin(), d.end()));
            if (crypto.failHashData) return Fail(crypto.failHashData);
            data.insert(data.end(), d.begin(), d.end());
            return Status::Ok();
        }
        Result<Bytes> GetValue() noexcept override {
            if (crypto.failGetValue) return Result<Bytes>::From(Fail(crypto.failGetValue));
            // Not a real digest: a deterministic fill of the right length.
            Bytes digest(algorithm == HashAlgorithm::Sha256 ? 32 : 16, 0);
            std::uint32_t h = 2166136261u;
            for (std::size_t i = 0; i < digest.size(); ++i) {
                for (std::uint8_t b : data) h = (h ^ b) * 16777619u;
                digest[i] = static_cast<std::uint8_t>(h ^ i);
            }
            return Result<Bytes>::Of(std::move(digest));
        }
        FakeCrypto& crypto;
        HashAlgorithm algorithm;
        Bytes data;
    };
    struct Key : ICryptoKey {
        Key(FakeCrypto& c, Bytes b) : crypto(c), blob(std::move(b)) {}
        ~Key() override { crypto.calls.push_back("destroy key"); }
        FakeCrypto& crypto;
        Bytes blob;
    };
    struct Context : ICryptoContext {
        explicit Context(FakeCrypto& c) : crypto(c) {}
        ~Context() override { crypto.calls.push_back("release context"); }
        Result<std::unique_ptr<ICryptoHash>> CreateHash(HashAlgorithm a) noexcept override {
            using R = Result<std::unique_ptr<ICryptoHash>>;
            crypto.calls.push_back("create hash " + std::to_string(static_cast<unsigned>(a)));
            if (auto it = crypto.failCreateHash.find(a); it != crypto.failCreateHash.end())
                return R::From(Fail(it->second));
            return R::Of(std::make_unique<Hash>(crypto, a));
        }
        Result<std::unique_ptr<ICryptoKey>> ImportKey(ByteView blob) noexcept override {
            using R = Result<std::unique_ptr<ICryptoKey>>;
            crypto.calls.push_back("import key");
            if (crypto.failImport) return R::From(Fail(crypto.failImport));
            return R::Of(std::make_unique<Key>(crypto, Bytes(blob.begin(), blob.end())));
        }
        bool VerifySignature(ICryptoHash& hash, ByteView signature, ICryptoKey& key) noexcept override {
            crypto.calls.push_back("verify");
            return crypto.validSignatures.count({static_cast<Key&>(key).blob, static_cast<Hash&>(hash).data,
                                                 Bytes(signature.begin(), signature.end())});
        }
        FakeCrypto& crypto;
    };
};

}  // namespace pankor::fakes
