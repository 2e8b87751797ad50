// ECB throughput of TDESCipher and TBlowfishCipher on 64 KiB buffers against
// OpenSSL's DES and Blowfish, in the same run, with the ratios. Each figure
// is the best of several timed trials; ours and OpenSSL's trials alternate so
// that clock changes hit both alike.
//
//   bench_crypto [seconds per trial, default 0.05] [trials, default 15]
#include <openssl/blowfish.h>
#include <openssl/des.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <istream>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <vector>

#include "crypto/uOV_BlockCiphers.h"

namespace {

constexpr size_t kBufferSize = 64 * 1024;

// A stream buffer over fixed memory, so the stream figures show the cipher's
// stream code rather than string growth.
class FixedBuffer : public std::streambuf {
 public:
  explicit FixedBuffer(size_t aSize) : fData(aSize) {}
  void ReadFrom(const std::string& aData) {
    std::memcpy(fData.data(), aData.data(), aData.size());
    setg(fData.data(), fData.data(), fData.data() + aData.size());
  }
  void WriteTo() { setp(fData.data(), fData.data() + fData.size()); }
  size_t Written() const { return pptr() - pbase(); }

 protected:
  pos_type seekoff(off_type aOffset, std::ios::seekdir aDir, std::ios::openmode aMode) override {
    if (!(aMode & std::ios::in)) return pos_type(-1);
    char* base = aDir == std::ios::beg ? eback() : aDir == std::ios::cur ? gptr() : egptr();
    char* target = base + aOffset;
    if (target < eback() || target > egptr()) return pos_type(-1);
    setg(eback(), target, egptr());
    return pos_type(target - eback());
  }
  pos_type seekpos(pos_type aPos, std::ios::openmode aMode) override {
    return seekoff(off_type(aPos), std::ios::beg, aMode);
  }

 private:
  std::vector<char> fData;
};

// Runs aWork (one pass over the buffer) for aSeconds; answers MB/s.
double Throughput(const std::function<void()>& aWork, double aSeconds) {
  using Clock = std::chrono::steady_clock;
  size_t passes = 0;
  const auto start = Clock::now();
  auto now = start;
  do {
    aWork();
    ++passes;
    now = Clock::now();
  } while (std::chrono::duration<double>(now - start).count() < aSeconds);
  const double seconds = std::chrono::duration<double>(now - start).count();
  return passes * double(kBufferSize) / seconds / 1e6;
}

struct Case {
  std::string name;
  bool baseline;  // an OpenSSL figure
  std::function<void()> work;
  double best = 0;
};

volatile uint8_t gSink;

void Consume(const std::string& aBytes) { gSink = gSink + static_cast<uint8_t>(aBytes.back()); }
void Consume(const uint8_t* aBytes) { gSink = gSink + aBytes[0]; }

std::string Reversed(std::string aBytes) { return std::string(aBytes.rbegin(), aBytes.rend()); }

// The EVP form of OpenSSL's cipher, when its legacy provider is there.
EVP_CIPHER_CTX* EvpContext(const char* aName, const std::string& aKey, bool aEncrypt) {
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, aName, nullptr);
  if (cipher == nullptr) return nullptr;
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  const int keyLength = static_cast<int>(aKey.size());
  bool ok = EVP_CipherInit_ex(context, cipher, nullptr, nullptr, nullptr, aEncrypt ? 1 : 0) == 1 &&
            EVP_CIPHER_CTX_set_key_length(context, keyLength) == 1 &&
            EVP_CipherInit_ex(context, nullptr, nullptr,
                              reinterpret_cast<const unsigned char*>(aKey.data()), nullptr, -1) == 1 &&
            EVP_CIPHER_CTX_set_padding(context, 0) == 1;
  EVP_CIPHER_free(cipher);
  if (!ok) {
    EVP_CIPHER_CTX_free(context);
    return nullptr;
  }
  return context;
}

void EvpPass(EVP_CIPHER_CTX* aContext, uint8_t* aData) {
  int written = 0;
  EVP_CipherUpdate(aContext, aData, &written, aData, static_cast<int>(kBufferSize));
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 0.05;
  const int trials = argc > 2 ? std::atoi(argv[2]) : 15;
  OSSL_PROVIDER_load(nullptr, "legacy");
  OSSL_PROVIDER_load(nullptr, "default");

  std::mt19937_64 random(2024);
  auto randomBytes = [&](size_t aCount) {
    std::string bytes(aCount, '\0');
    for (auto& c : bytes) c = static_cast<char>(random());
    return bytes;
  };
  const std::string key = randomBytes(16);
  const std::string desKey = key.substr(0, 8);
  // 64 KiB of plaintext and its ciphertext (64 KiB + the pad block) for the
  // string and stream forms; the raw ECB buffer is 64 KiB exactly.
  const std::string plaintext = randomBytes(kBufferSize);
  std::vector<uint8_t> buffer(plaintext.begin(), plaintext.end());

  const TDESCipher des(desKey);
  const TBlowfishCipher blowfish(key);
  DES_cblock opensslDesKey;
  std::memcpy(opensslDesKey, Reversed(desKey).data(), 8);
  DES_key_schedule opensslDes;
  DES_set_key_unchecked(&opensslDesKey, &opensslDes);
  BF_KEY opensslBlowfish;
  BF_set_key(&opensslBlowfish, static_cast<int>(key.size()),
             reinterpret_cast<const unsigned char*>(key.data()));

  struct Group {
    std::string title;
    std::vector<Case> cases;
  };
  std::vector<Group> groups;
  std::vector<EVP_CIPHER_CTX*> contexts;
  FixedBuffer input(kBufferSize + 8);
  FixedBuffer output(kBufferSize + 8);
  std::istream inputStream(&input);
  std::ostream outputStream(&output);

  auto addGroup = [&](const char* aCipher, const T64BitBlockCipher& aOurs, bool aEncrypt,
                      std::function<void(uint8_t*)> aOpensslBlock, const char* aEvpName,
                      const std::string& aKey) {
    Group group{std::string(aCipher) + (aEncrypt ? " encrypt" : " decrypt"), {}};
    const std::string source = aEncrypt ? plaintext : aOurs.EncryptedString(plaintext);
    uint8_t* data = buffer.data();
    group.cases.push_back({"ours EncryptedString/DecryptedString", false, [&aOurs, source, aEncrypt] {
                             Consume(aEncrypt ? aOurs.EncryptedString(source)
                                              : aOurs.DecryptedString(source));
                           }});
    group.cases.push_back({"ours EncryptStream/DecryptStream", false, [&, source, aEncrypt] {
                             input.ReadFrom(source);
                             output.WriteTo();
                             if (aEncrypt) {
                               aOurs.EncryptStream(inputStream, outputStream);
                             } else {
                               aOurs.DecryptStream(inputStream, outputStream);
                             }
                             gSink = gSink + static_cast<uint8_t>(output.Written());
                           }});
    group.cases.push_back({"ours EncryptBlock/DecryptBlock loop", false, [&aOurs, data, aEncrypt] {
                             for (size_t i = 0; i < kBufferSize; i += 8) {
                               if (aEncrypt) {
                                 aOurs.EncryptBlock(data + i);
                               } else {
                                 aOurs.DecryptBlock(data + i);
                               }
                             }
                             Consume(data);
                           }});
    group.cases.push_back({"OpenSSL low-level ECB loop", true, [aOpensslBlock, data] {
                             for (size_t i = 0; i < kBufferSize; i += 8) aOpensslBlock(data + i);
                             Consume(data);
                           }});
    if (EVP_CIPHER_CTX* context = EvpContext(aEvpName, aKey, aEncrypt)) {
      contexts.push_back(context);
      group.cases.push_back({"OpenSSL EVP ECB", true, [context, data] {
                               EvpPass(context, data);
                               Consume(data);
                             }});
    }
    groups.push_back(std::move(group));
  };

  for (const bool encrypt : {true, false}) {
    addGroup("DES", des, encrypt,
             [&opensslDes, encrypt](uint8_t* aBlock) {
               auto* block = reinterpret_cast<DES_cblock*>(aBlock);
               DES_ecb_encrypt(block, block, &opensslDes, encrypt ? DES_ENCRYPT : DES_DECRYPT);
             },
             "DES-ECB", Reversed(desKey));
    addGroup("Blowfish", blowfish, encrypt,
             [&opensslBlowfish, encrypt](uint8_t* aBlock) {
               BF_ecb_encrypt(aBlock, aBlock, &opensslBlowfish, encrypt ? BF_ENCRYPT : BF_DECRYPT);
             },
             "BF-ECB", key);
  }

  for (int trial = 0; trial < trials; ++trial) {
    for (auto& group : groups) {
      for (auto& c : group.cases) c.best = std::max(c.best, Throughput(c.work, seconds));
    }
  }

  std::printf("ECB on %zu-byte buffers, best of %d trials of %.2f s, MB/s (10^6 bytes/s)\n\n",
              kBufferSize, trials, seconds);
  for (const auto& group : groups) {
    double baseline = 0;
    for (const auto& c : group.cases) {
      if (c.baseline) baseline = std::max(baseline, c.best);
    }
    std::printf("%s\n", group.title.c_str());
    for (const auto& c : group.cases) {
      if (c.baseline) {
        std::printf("  %-40s %8.1f\n", c.name.c_str(), c.best);
      } else {
        std::printf("  %-40s %8.1f   ratio %.2f\n", c.name.c_str(), c.best, c.best / baseline);
      }
    }
    std::printf("  (ratios against the faster OpenSSL figure, %.1f)\n\n", baseline);
  }
  for (auto* context : contexts) EVP_CIPHER_CTX_free(context);
  return 0;
}
