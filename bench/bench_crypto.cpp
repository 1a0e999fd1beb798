// The cipher and the encodings side by side with OpenSSL and libcurl.
// After the usual benchmark table, prints one row per pair with the ratio
// ours / theirs (below 1: ours is faster).
#define OPENSSL_SUPPRESS_DEPRECATED
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/seed.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "crypto/MPIEnvelope.h"
#include "crypto/MPISeed.h"
#include "crypto/MPIUtil.h"

namespace {

std::vector<unsigned char> Bytes(size_t n) {
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 131 + 7);
    return v;
}

// A form-like text: mostly letters and digits, some characters to escape.
std::string FormText(size_t n) {
    const char pool[] = "mall_id=SHOP01&name=Merchant Store|4111111111111111|2027|12|total=15000&desc=a-b.c";
    std::string s;
    while (s.size() < n) s += pool;
    s.resize(n);
    return s;
}

// ---------------------------------------------------------------- SEED block

void Ours_SeedBlock(benchmark::State& state) {
    CMPISeed seed;
    SEED_CONTEXT ctx;
    seed.SeedInit(SEED_MODE_ECB, SEED_PADDING_NONE, nullptr, &ctx);
    seed.SeedKeySchedule(g_MPIEnvelopeUserKey, 16, &ctx);
    unsigned char block[16] = {0};
    for (auto _ : state) {
        CMPISeed::SeedEncryptBlock(ctx.roundKeys, block);
        benchmark::DoNotOptimize(block);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 16);
}

void OpenSSL_SeedBlock(benchmark::State& state) {
    SEED_KEY_SCHEDULE ks;
    SEED_set_key(g_MPIEnvelopeUserKey, &ks);
    unsigned char block[16] = {0};
    for (auto _ : state) {
        SEED_encrypt(block, block, &ks);
        benchmark::DoNotOptimize(block);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 16);
}

// ---------------------------------------------------------------- the envelope against SEED-CBC

void Ours_SeedEnc(benchmark::State& state) {
    CMPIUtil util;
    auto in = Bytes(static_cast<size_t>(state.range(0)));
    std::vector<unsigned char> out(in.size() + 16);
    for (auto _ : state) {
        int n = util.Seed_Enc(in.data(), static_cast<int>(in.size()), out.data(), out.size());
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void OpenSSL_SeedCbc(benchmark::State& state) {
    // The cipher is fetched once; key schedule and encryption run per message,
    // as the envelope does.
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "SEED-CBC", nullptr);
    if (cipher == nullptr) {
        state.SkipWithError("SEED-CBC is not available (legacy provider)");
        return;
    }
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    auto in = Bytes(static_cast<size_t>(state.range(0)));
    std::vector<unsigned char> out(in.size() + 16);
    for (auto _ : state) {
        int n1 = 0, n2 = 0;
        EVP_EncryptInit_ex(ctx, cipher, nullptr, g_MPIEnvelopeUserKey, g_MPIEnvelopeIV);
        EVP_EncryptUpdate(ctx, out.data(), &n1, in.data(), static_cast<int>(in.size()));
        EVP_EncryptFinal_ex(ctx, out.data() + n1, &n2);
        benchmark::DoNotOptimize(n2);
    }
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// ---------------------------------------------------------------- Base64

constexpr int kBase64Bytes = 3000;

void Ours_EncodeBase64(benchmark::State& state) {
    CMPIUtil util;
    auto in = Bytes(kBase64Bytes);
    std::vector<char> out(kBase64Bytes / 3 * 4 + 8);
    for (auto _ : state) {
        int n = util.EncodeBase64(out.data(), in.data(), kBase64Bytes, out.size());
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBase64Bytes);
}

void OpenSSL_EncodeBlock(benchmark::State& state) {
    auto in = Bytes(kBase64Bytes);
    std::vector<unsigned char> out(kBase64Bytes / 3 * 4 + 8);
    for (auto _ : state) {
        int n = EVP_EncodeBlock(out.data(), in.data(), kBase64Bytes);
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBase64Bytes);
}

std::string Base64Text() {
    CMPIUtil util;
    auto in = Bytes(kBase64Bytes);
    std::vector<char> out(kBase64Bytes / 3 * 4 + 8);
    util.EncodeBase64(out.data(), in.data(), kBase64Bytes, out.size());
    return out.data();
}

void Ours_DecodeBase64(benchmark::State& state) {
    CMPIUtil util;
    std::string text = Base64Text();
    std::vector<unsigned char> out(text.size());
    for (auto _ : state) {
        int n = util.DecodeBase64(out.data(), text.data(), static_cast<int>(text.size()), out.size());
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void OpenSSL_DecodeBlock(benchmark::State& state) {
    std::string text = Base64Text();
    std::vector<unsigned char> out(text.size());
    for (auto _ : state) {
        int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

// ---------------------------------------------------------------- URL encoding

void Ours_URLEncoding(benchmark::State& state) {
    CMPIUtil util;
    std::string text = FormText(static_cast<size_t>(state.range(0)));
    std::vector<char> out(text.size() * 3 + 1);
    for (auto _ : state) {
        int n = util.URLEncoding(text.c_str(), out.data(), out.size());
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void Curl_Escape(benchmark::State& state) {
    CURL* curl = curl_easy_init();
    std::string text = FormText(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        char* out = curl_easy_escape(curl, text.data(), static_cast<int>(text.size()));
        benchmark::DoNotOptimize(out);
        curl_free(out);
    }
    curl_easy_cleanup(curl);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(Ours_SeedBlock);
BENCHMARK(OpenSSL_SeedBlock);
BENCHMARK(Ours_SeedEnc)->Arg(100)->Arg(4000);
BENCHMARK(OpenSSL_SeedCbc)->Arg(100)->Arg(4000);
BENCHMARK(Ours_EncodeBase64);
BENCHMARK(OpenSSL_EncodeBlock);
BENCHMARK(Ours_DecodeBase64);
BENCHMARK(OpenSSL_DecodeBlock);
BENCHMARK(Ours_URLEncoding)->Arg(100)->Arg(1000);
BENCHMARK(Curl_Escape)->Arg(100)->Arg(1000);

// Collects the time per iteration of every run, for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    OSSL_PROVIDER* deflt = OSSL_PROVIDER_load(nullptr, "default");
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const struct {
        const char* row;
        const char* ours;
        const char* theirs;
    } pairs[] = {
        {"SEED block encryption", "Ours_SeedBlock", "OpenSSL_SeedBlock"},
        {"Seed_Enc 100 B vs SEED-CBC", "Ours_SeedEnc/100", "OpenSSL_SeedCbc/100"},
        {"Seed_Enc 4000 B vs SEED-CBC", "Ours_SeedEnc/4000", "OpenSSL_SeedCbc/4000"},
        {"EncodeBase64 vs EVP_EncodeBlock", "Ours_EncodeBase64", "OpenSSL_EncodeBlock"},
        {"DecodeBase64 vs EVP_DecodeBlock", "Ours_DecodeBase64", "OpenSSL_DecodeBlock"},
        {"URLEncoding 100 B vs curl_easy_escape", "Ours_URLEncoding/100", "Curl_Escape/100"},
        {"URLEncoding 1000 B vs curl_easy_escape", "Ours_URLEncoding/1000", "Curl_Escape/1000"},
    };
    std::printf("\n%-42s %14s %14s %8s\n", "row", "ours (ns)", "theirs (ns)", "ratio");
    for (const auto& p : pairs) {
        auto a = reporter.times.find(p.ours), b = reporter.times.find(p.theirs);
        if (a == reporter.times.end() || b == reporter.times.end()) continue;
        std::printf("%-42s %14.1f %14.1f %8.2f\n", p.row, a->second, b->second, a->second / b->second);
    }
    benchmark::Shutdown();
    curl_global_cleanup();
    if (legacy) OSSL_PROVIDER_unload(legacy);
    if (deflt) OSSL_PROVIDER_unload(deflt);
    return 0;
}
