// Speed of the settings encryption, each routine beside OpenSSL 3's EVP equivalent measured in the
// same run. After Google Benchmark's own table a second table prints our speed as a fraction of
// OpenSSL's. OpenSSL is the yardstick only: it is linked into this program and nowhere else.

#include "crypto/AesHardware.h"
#include "crypto/AesLib.h"
#include "crypto/MemoryStream.h"
#include "crypto/Sha1Compress.h"

#include <benchmark/benchmark.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

using namespace velmora::crypto;

namespace {

constexpr std::size_t BlockRun = 4096;           // bytes per iteration of the block benchmarks
constexpr std::size_t StreamRun = 64 * 1024;     // bytes per iteration of keystream and hash
constexpr std::size_t EncryptText = 1024 * 1024; // the EncryptStream benchmark's text
const char Password[] = "pzqvmtrwxk";
const std::uint8_t Salt[8] = {1, 2, 3, 4, 5, 6, 7, 8};

std::vector<std::uint8_t> Data(std::size_t length) {
    std::vector<std::uint8_t> data(length);
    for (std::size_t i = 0; i < length; ++i)
        data[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return data;
}

void Check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(what);
}

const EVP_CIPHER* EcbCipher(int bits) {
    return bits == 128 ? EVP_aes_128_ecb() : bits == 192 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
}

// --- AES block encryption

void BM_AesEncrypt(benchmark::State& state) {
    const auto bits = static_cast<std::uint32_t>(state.range(0));
    const auto key = Data(32);
    TAesContext context;
    AesEncryptKey(key.data(), bits, context);
    auto data = Data(BlockRun);
    for (auto _ : state) {
        for (std::size_t at = 0; at < BlockRun; at += 16)
            AesEncrypt(data.data() + at, data.data() + at, context);
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BlockRun));
}
BENCHMARK(BM_AesEncrypt)->Arg(128)->Arg(192)->Arg(256);

// Runs a benchmark with the table-driven AES only: what processors without AES instructions get.
class PortableAes {
public:
    PortableAes() : was_(velmora::crypto::detail::AesHardwareInUse()) {
        velmora::crypto::detail::UseAesHardware(false);
    }
    ~PortableAes() { velmora::crypto::detail::UseAesHardware(was_); }
    PortableAes(const PortableAes&) = delete;
    PortableAes& operator=(const PortableAes&) = delete;

private:
    bool was_;
};

void BM_AesEncryptPortable(benchmark::State& state) {
    const PortableAes portable;
    BM_AesEncrypt(state);
}
BENCHMARK(BM_AesEncryptPortable)->Arg(128);

void BM_OpenSslAesEcb(benchmark::State& state) {
    const auto key = Data(32);
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    Check(EVP_EncryptInit_ex(context, EcbCipher(int(state.range(0))), nullptr, key.data(), nullptr) == 1,
          "ecb");
    EVP_CIPHER_CTX_set_padding(context, 0);
    auto data = Data(BlockRun);
    int length = 0;
    for (auto _ : state) {
        EVP_EncryptUpdate(context, data.data(), &length, data.data(), int(BlockRun));
        benchmark::DoNotOptimize(data.data());
    }
    EVP_CIPHER_CTX_free(context);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BlockRun));
}
BENCHMARK(BM_OpenSslAesEcb)->Arg(128)->Arg(192)->Arg(256);

// --- counter-mode keystream (AES-128, as the settings file uses it)

void BM_Keystream(benchmark::State& state) {
    TCryptContext context;
    std::uint8_t verifier[2];
    CryptInit(1, reinterpret_cast<const std::uint8_t*>(Password), 10, Salt, verifier, context);
    auto data = Data(StreamRun);
    for (auto _ : state) {
        CryptKeystream(data.data(), StreamRun, context);
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * StreamRun));
}
BENCHMARK(BM_Keystream);

void BM_KeystreamPortable(benchmark::State& state) {
    const PortableAes portable;
    BM_Keystream(state);
}
BENCHMARK(BM_KeystreamPortable);

void BM_OpenSslAes128Ctr(benchmark::State& state) {
    const auto key = Data(16);
    const std::uint8_t iv[16] = {1};
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    Check(EVP_EncryptInit_ex(context, EVP_aes_128_ctr(), nullptr, key.data(), iv) == 1, "ctr");
    auto data = Data(StreamRun);
    int length = 0;
    for (auto _ : state) {
        EVP_EncryptUpdate(context, data.data(), &length, data.data(), int(StreamRun));
        benchmark::DoNotOptimize(data.data());
    }
    EVP_CIPHER_CTX_free(context);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * StreamRun));
}
BENCHMARK(BM_OpenSslAes128Ctr);

// --- SHA-1

void BM_Sha1(benchmark::State& state) {
    const auto data = Data(StreamRun);
    std::uint8_t digest[20];
    for (auto _ : state) {
        Sha1(digest, data.data(), StreamRun);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * StreamRun));
}
BENCHMARK(BM_Sha1);

// The compression function alone, portable build: what processors without SHA instructions get.
void BM_Sha1Portable(benchmark::State& state) {
    const auto data = Data(StreamRun);
    std::uint32_t hash[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    for (auto _ : state) {
        velmora::crypto::detail::Sha1CompressPortable(hash, data.data(), StreamRun / 64);
        benchmark::DoNotOptimize(hash);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * StreamRun));
}
BENCHMARK(BM_Sha1Portable);

void BM_OpenSslSha1(benchmark::State& state) {
    const auto data = Data(StreamRun);
    std::uint8_t digest[20];
    unsigned length = 0;
    for (auto _ : state) {
        EVP_Digest(data.data(), StreamRun, digest, &length, EVP_sha1(), nullptr);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * StreamRun));
}
BENCHMARK(BM_OpenSslSha1);

// --- PBKDF2, 1000 iterations, the 34 bytes of key material of the settings file

void BM_DeriveKey(benchmark::State& state) {
    std::uint8_t key[34];
    for (auto _ : state) {
        DeriveKey(reinterpret_cast<const std::uint8_t*>(Password), 10, Salt, 8, 1000, key, sizeof key);
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK(BM_DeriveKey)->Unit(benchmark::kMicrosecond);

void BM_OpenSslPbkdf2(benchmark::State& state) {
    std::uint8_t key[34];
    for (auto _ : state) {
        PKCS5_PBKDF2_HMAC_SHA1(Password, 10, Salt, 8, 1000, sizeof key, key);
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK(BM_OpenSslPbkdf2)->Unit(benchmark::kMicrosecond);

// --- the whole stream format over 1 MiB: salt, key derivation, AES-128-CTR, HMAC-SHA1

void BM_EncryptStream(benchmark::State& state) {
    const auto text = Data(EncryptText);
    TEncryption encryption(Password, 262144);
    // One source, rewound: copying the text into a new stream every time would be work that the
    // OpenSSL side, which reads the text in place, does not do.
    MemoryStream source(text);
    for (auto _ : state) {
        source.rewind();
        MemoryStream dest;
        Check(encryption.EncryptStream(source, dest), "EncryptStream");
        benchmark::DoNotOptimize(dest.bytes().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * EncryptText));
}
BENCHMARK(BM_EncryptStream)->Unit(benchmark::kMillisecond);

// The same work through OpenSSL, chunk by chunk like the stream routine.
void BM_OpenSslEncryptStream(benchmark::State& state) {
    const auto text = Data(EncryptText);
    std::vector<std::uint8_t> buffer(262144);
    EVP_MAC* hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    char digestName[] = "SHA1";
    const OSSL_PARAM parameters[] = {OSSL_PARAM_construct_utf8_string("digest", digestName, 0),
                                     OSSL_PARAM_END};
    for (auto _ : state) {
        std::vector<std::uint8_t> out;
        std::uint8_t header[10];
        RAND_bytes(header, 8);
        std::uint8_t material[34];
        PKCS5_PBKDF2_HMAC_SHA1(Password, 10, header, 8, 1000, sizeof material, material);
        std::memcpy(header + 8, material + 32, 2);
        out.insert(out.end(), header, header + 10);

        std::uint8_t counter[16] = {1};
        EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex(cipher, EVP_aes_128_ctr(), nullptr, material, counter);
        EVP_MAC_CTX* mac = EVP_MAC_CTX_new(hmac);
        EVP_MAC_init(mac, material + 16, 16, parameters);
        for (std::size_t at = 0; at < EncryptText; at += buffer.size()) {
            const std::size_t length = std::min(buffer.size(), EncryptText - at);
            int written = 0;
            EVP_EncryptUpdate(cipher, buffer.data(), &written, text.data() + at, int(length));
            EVP_MAC_update(mac, buffer.data(), length);
            out.insert(out.end(), buffer.data(), buffer.data() + length);
        }
        std::uint8_t tag[20];
        std::size_t tagLength = 0;
        EVP_MAC_final(mac, tag, &tagLength, sizeof tag);
        out.insert(out.end(), tag, tag + 10);
        EVP_MAC_CTX_free(mac);
        EVP_CIPHER_CTX_free(cipher);
        benchmark::DoNotOptimize(out.data());
    }
    EVP_MAC_free(hmac);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * EncryptText));
}
BENCHMARK(BM_OpenSslEncryptStream)->Unit(benchmark::kMillisecond);

// Keeps each run's CPU time per iteration in seconds, for the ratio table: on a machine that
// is busy with other work, CPU time is the fairer yardstick of the two.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            seconds[run.benchmark_name()] = run.cpu_accumulated_time / double(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

struct Pair {
    const char* what;
    const char* ours;
    const char* theirs;
    double bytes; // per iteration; 0 for a per-call figure
};

void PrintRatios(const RatioReporter& reporter) {
    const Pair pairs[] = {
        {"AES-128 block encryption", "BM_AesEncrypt/128", "BM_OpenSslAesEcb/128", BlockRun},
        {"AES-192 block encryption", "BM_AesEncrypt/192", "BM_OpenSslAesEcb/192", BlockRun},
        {"AES-256 block encryption", "BM_AesEncrypt/256", "BM_OpenSslAesEcb/256", BlockRun},
        {"AES-128 block, table-driven code only", "BM_AesEncryptPortable/128", "BM_OpenSslAesEcb/128",
         BlockRun},
        {"counter-mode keystream (AES-128)", "BM_Keystream", "BM_OpenSslAes128Ctr", StreamRun},
        {"keystream, table-driven code only", "BM_KeystreamPortable", "BM_OpenSslAes128Ctr", StreamRun},
        {"SHA-1", "BM_Sha1", "BM_OpenSslSha1", StreamRun},
        {"SHA-1, portable code only", "BM_Sha1Portable", "BM_OpenSslSha1", StreamRun},
        {"DeriveKey, 1000 iterations, 34 bytes", "BM_DeriveKey", "BM_OpenSslPbkdf2", 0},
        {"EncryptStream, 1 MiB", "BM_EncryptStream", "BM_OpenSslEncryptStream", EncryptText},
    };
    std::printf("\n%-38s %14s %14s %8s\n", "routine", "ours", "OpenSSL", "ratio");
    for (const Pair& pair : pairs) {
        const auto ours = reporter.seconds.find(pair.ours);
        const auto theirs = reporter.seconds.find(pair.theirs);
        if (ours == reporter.seconds.end() || theirs == reporter.seconds.end())
            continue; // filtered out
        char a[32], b[32];
        if (pair.bytes > 0) {
            std::snprintf(a, sizeof a, "%.0f MB/s", pair.bytes / ours->second / 1e6);
            std::snprintf(b, sizeof b, "%.0f MB/s", pair.bytes / theirs->second / 1e6);
        } else {
            std::snprintf(a, sizeof a, "%.0f us", ours->second * 1e6);
            std::snprintf(b, sizeof b, "%.0f us", theirs->second * 1e6);
        }
        std::printf("%-38s %14s %14s %8.2f\n", pair.what, a, b, theirs->second / ours->second);
    }
    std::printf("ratio: our speed as a fraction of OpenSSL's, by CPU time (%s)\n",
                OpenSSL_version(OPENSSL_VERSION));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
