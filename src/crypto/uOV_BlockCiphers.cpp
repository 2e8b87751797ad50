#include "crypto/uOV_BlockCiphers.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <optional>
#include <ostream>
#include <vector>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"

namespace {

// Blocks per stream read or write.
constexpr size_t kChunkBlocks = 512;

// Bytes a decryption drops for the pad count in the last decrypted byte. A
// count above the block size cannot come from an encryption; it is clamped so
// that exactly the final block goes and nothing outside the data is touched.
size_t PadToDrop(uint8_t aPadCount, size_t aBlockSize) {
  return std::min<size_t>(aPadCount, aBlockSize);
}

// Reads up to aCount bytes. Reaching the end is not an error: the stream is
// put back into a good state there, so it stays usable at its end.
size_t ReadUpTo(std::istream& aStream, uint8_t* aBuffer, size_t aCount) {
  aStream.read(reinterpret_cast<char*>(aBuffer), static_cast<std::streamsize>(aCount));
  const auto got = static_cast<size_t>(aStream.gcount());
  if (aStream.bad()) {
    throw tOV_Exception(u"Stream read error");
  }
  if (got < aCount) {
    aStream.clear(aStream.rdstate() & ~(std::ios::failbit | std::ios::eofbit));
  }
  return got;
}

void WriteAll(std::ostream& aStream, const uint8_t* aBuffer, size_t aCount) {
  if (aCount == 0) return;
  aStream.write(reinterpret_cast<const char*>(aBuffer), static_cast<std::streamsize>(aCount));
  if (!aStream) {
    throw tOV_Exception(u"Stream write error");
  }
}

// Bytes from the current position to the end, when the stream can tell;
// the position is left where it was.
std::optional<uint64_t> RemainingLength(std::istream& aStream) {
  const std::istream::pos_type start = aStream.tellg();
  if (start == std::istream::pos_type(-1)) return std::nullopt;
  aStream.seekg(0, std::ios::end);
  const std::istream::pos_type end = aStream.tellg();
  aStream.clear();
  aStream.seekg(start);
  if (end == std::istream::pos_type(-1) || end < start) return std::nullopt;
  return static_cast<uint64_t>(end - start);
}

[[noreturn]] void RaiseStreamLength(size_t aBlockSize) {
  throw tOV_Exception(u"Ciphertext length is not a multiple of " + IntToStr(int64_t(aBlockSize)) +
                      u".");
}

}  // namespace

TBlockCipher::TBlockCipher(size_t aKeyLength, int aMinKeyLength) {
  if (aKeyLength < static_cast<size_t>(aMinKeyLength)) {
    throw tOV_Exception(u"Key must be at least " + IntToStr(aMinKeyLength) + u" bytes long.");
  }
}

void TBlockCipher::EncryptBlocks(uint8_t* aData, size_t aCount) const {
  const size_t blockSize = ClassType().BlockSize();
  for (size_t i = 0; i < aCount; ++i) EncryptBlock(aData + i * blockSize);
}

void TBlockCipher::DecryptBlocks(uint8_t* aData, size_t aCount) const {
  const size_t blockSize = ClassType().BlockSize();
  for (size_t i = 0; i < aCount; ++i) DecryptBlock(aData + i * blockSize);
}

void TBlockCipher::EncryptStream(std::istream& aPlaintext, std::ostream& aCiphertext) const {
  const size_t blockSize = ClassType().BlockSize();
  const size_t chunkSize = kChunkBlocks * blockSize;
  std::vector<uint8_t> chunk(chunkSize);
  for (;;) {
    const size_t got = ReadUpTo(aPlaintext, chunk.data(), chunkSize);
    if (got == chunkSize) {
      EncryptBlocks(chunk.data(), kChunkBlocks);
      WriteAll(aCiphertext, chunk.data(), chunkSize);
      continue;
    }
    // The first short read ends the data; it leaves room for the pad block.
    const size_t pad = blockSize - got % blockSize;
    std::fill(chunk.begin() + got, chunk.begin() + got + pad, static_cast<uint8_t>(pad));
    EncryptBlocks(chunk.data(), (got + pad) / blockSize);
    WriteAll(aCiphertext, chunk.data(), got + pad);
    return;
  }
}

void TBlockCipher::DecryptStream(std::istream& aCiphertext, std::ostream& aPlaintext) const {
  const size_t blockSize = ClassType().BlockSize();
  const size_t chunkSize = kChunkBlocks * blockSize;
  if (const auto remaining = RemainingLength(aCiphertext)) {
    if (*remaining == 0 || *remaining % blockSize != 0) RaiseStreamLength(blockSize);
  }
  // A chunk is written only once the next read shows whether it holds the
  // final block, so a ciphertext of whole chunks loses its padding too.
  std::vector<uint8_t> chunk(chunkSize);
  std::vector<uint8_t> next(chunkSize);
  size_t got = ReadUpTo(aCiphertext, chunk.data(), chunkSize);
  for (;;) {
    size_t nextGot = 0;
    if (got == chunkSize) nextGot = ReadUpTo(aCiphertext, next.data(), chunkSize);
    if (nextGot == 0) {
      if (got == 0 || got % blockSize != 0) RaiseStreamLength(blockSize);
      DecryptBlocks(chunk.data(), got / blockSize);
      WriteAll(aPlaintext, chunk.data(), got - PadToDrop(chunk[got - 1], blockSize));
      return;
    }
    DecryptBlocks(chunk.data(), kChunkBlocks);
    WriteAll(aPlaintext, chunk.data(), chunkSize);
    chunk.swap(next);
    got = nextGot;
  }
}

std::string T64BitBlockCipher::EncryptedString(std::string_view aPlaintext) const {
  const size_t length = aPlaintext.size();
  const size_t pad = BlockSize() - length % BlockSize();
  std::string result(length + pad, static_cast<char>(pad));
  if (length > 0) std::memcpy(result.data(), aPlaintext.data(), length);
  EncryptBlocks(reinterpret_cast<uint8_t*>(result.data()), result.size() / BlockSize());
  return result;
}

std::string T64BitBlockCipher::DecryptedString(std::string_view aCiphertext) const {
  const size_t length = aCiphertext.size();
  if (length == 0 || length % BlockSize() != 0) {
    throw tOV_Exception(u"Ciphertext is not a multiple of " + IntToStr(BlockSize()) + u" bytes.");
  }
  std::string result(aCiphertext);
  DecryptBlocks(reinterpret_cast<uint8_t*>(result.data()), length / BlockSize());
  result.resize(length - PadToDrop(static_cast<uint8_t>(result.back()), BlockSize()));
  return result;
}
