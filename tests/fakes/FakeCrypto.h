#pragma once
// A scripted cryptographic service: each step can be made to fail with an
// error code, every call is recorded in order, and a signature verifies when
// the test registered it for that key and data.
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

    CryptoStatus AcquireContext(CryptoProvider provider, std::unique_ptr<ICryptoContext>& out) noexcept override {
        calls.push_back("acquire " + std::to_string(static_cast<unsigned>(provider)));
        if (auto it = failAcquire.find(provider); it != failAcquire.end()) return CryptoStatus::Fail(it->second);
        out = std::make_unique<Context>(*this);
        return CryptoStatus::Ok();
    }

private:
    struct Hash : ICryptoHash {
        Hash(FakeCrypto& c, HashAlgorithm a) : crypto(c), algorithm(a) {}
        ~Hash() override { crypto.calls.push_back("destroy hash"); }
        CryptoStatus HashData(ByteView d) noexcept override {
            crypto.calls.push_back("hash " + std::string(d.begin(), d.end()));
            if (crypto.failHashData) return CryptoStatus::Fail(crypto.failHashData);
            data.insert(data.end(), d.begin(), d.end());
            return CryptoStatus::Ok();
        }
        CryptoStatus GetValue(Bytes& digest) noexcept override {
            if (crypto.failGetValue) return CryptoStatus::Fail(crypto.failGetValue);
            // Not a real digest: a deterministic fill of the right length.
            digest.assign(algorithm == HashAlgorithm::Sha256 ? 32 : 16, 0);
            std::uint32_t h = 2166136261u;
            for (std::size_t i = 0; i < digest.size(); ++i) {
                for (std::uint8_t b : data) h = (h ^ b) * 16777619u;
                digest[i] = static_cast<std::uint8_t>(h ^ i);
            }
            return CryptoStatus::Ok();
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
        CryptoStatus CreateHash(HashAlgorithm a, std::unique_ptr<ICryptoHash>& out) noexcept override {
            crypto.calls.push_back("create hash " + std::to_string(static_cast<unsigned>(a)));
            if (auto it = crypto.failCreateHash.find(a); it != crypto.failCreateHash.end())
                return CryptoStatus::Fail(it->second);
            out = std::make_unique<Hash>(crypto, a);
            return CryptoStatus::Ok();
        }
        CryptoStatus ImportKey(ByteView blob, std::unique_ptr<ICryptoKey>& out) noexcept override {
            crypto.calls.push_back("import key");
            if (crypto.failImport) return CryptoStatus::Fail(crypto.failImport);
            out = std::make_unique<Key>(crypto, Bytes(blob.begin(), blob.end()));
            return CryptoStatus::Ok();
        }
        bool VerifySignature(ICryptoHash& hash, ByteView signature, ICryptoKey& key) noexcept override {
            crypto.calls.push_back("verify");
            return crypto.validSignatures.count(
                {static_cast<Key&>(key).blob, static_cast<Hash&>(hash).data, Bytes(signature.begin(), signature.end())});
        }
        FakeCrypto& crypto;
    };
};

}  // namespace pankor::fakes
