// Symmetric block ciphers: an abstract cipher with stream operations, an
// abstract 64-bit-block cipher that adds whole-block and byte-string
// operations, and DES and Blowfish. Every operation is electronic codebook.
// A cipher is immutable once constructed (its key schedule is only read
// afterwards), so one object may serve several threads at once; the caller
// owns it. Byte strings are plain 8-bit std::string, no encoding applied.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

class TBlockCipher;

// A cipher class as a value: its class-level answers and its virtual
// constructor. The stream operations reach the block size of whatever cipher
// they run on through it, and code can pick a cipher class at run time.
class TBlockCipherClass {
 public:
  using Constructor = std::unique_ptr<TBlockCipher> (*)(const void* aKey, size_t aLength);

  constexpr TBlockCipherClass(int aMinKeyLength, int aMaxKeyLength, int aBlockSize,
                              Constructor aCreate)
      : fMinKeyLength(aMinKeyLength), fMaxKeyLength(aMaxKeyLength), fBlockSize(aBlockSize),
        fCreate(aCreate) {}

  int MinKeyLength() const { return fMinKeyLength; }
  int MaxKeyLength() const { return fMaxKeyLength; }
  int BlockSize() const { return fBlockSize; }
  // Length of the padded ciphertext: always at least one byte of padding.
  size_t CiphertextLength(size_t aPlaintextLength) const {
    return (aPlaintextLength / fBlockSize + 1) * fBlockSize;
  }
  // Raises "Key must be at least %d bytes long." for a key shorter than
  // MinKeyLength.
  std::unique_ptr<TBlockCipher> Create(const void* aKey, size_t aLength) const {
    return fCreate(aKey, aLength);
  }
  std::unique_ptr<TBlockCipher> Create(std::string_view aKey) const {
    return fCreate(aKey.data(), aKey.size());
  }

 private:
  int fMinKeyLength;
  int fMaxKeyLength;
  int fBlockSize;
  Constructor fCreate;
};

class TBlockCipher {
 public:
  virtual ~TBlockCipher() = default;
  TBlockCipher(const TBlockCipher&) = delete;
  TBlockCipher& operator=(const TBlockCipher&) = delete;

  // The class-level operations of this object's own class.
  virtual const TBlockCipherClass& ClassType() const = 0;

  // Reads aPlaintext from its current position to its end, in chunks of 512
  // blocks, and writes the ciphertext at aCiphertext's current position. The
  // last block carries the pad count p (1 to BlockSize) in its last byte; all
  // p pad bytes hold p, so the result equals the byte-string form. The input
  // is left at its end in a good state. A failing stream raises
  // "Stream read error" or "Stream write error".
  virtual void EncryptStream(std::istream& aPlaintext, std::ostream& aCiphertext) const;
  // Reverses EncryptStream. Raises "Ciphertext length is not a multiple of %d."
  // (with BlockSize) when the input from its current position is empty or not
  // a multiple of the block size; for a seekable input this is found before
  // anything is written. The pad count is the last decrypted byte; a count
  // above the block size (wrong key, damaged data) drops exactly the final
  // block, and 0 drops nothing.
  virtual void DecryptStream(std::istream& aCiphertext, std::ostream& aPlaintext) const;

  // One block of BlockSize bytes, enciphered in place.
  virtual void EncryptBlock(void* aPlaintext) const = 0;
  virtual void DecryptBlock(void* aCiphertext) const = 0;

 protected:
  // Checks the key length; raises "Key must be at least %d bytes long." when
  // aKeyLength is below aMinKeyLength. The derived class passes its own
  // minimum, since a constructor cannot reach it virtually.
  TBlockCipher(size_t aKeyLength, int aMinKeyLength);

  // aCount whole blocks in place. The stream and string operations go through
  // these so that a cipher can keep several blocks in flight; by default they
  // work block by block.
  virtual void EncryptBlocks(uint8_t* aData, size_t aCount) const;
  virtual void DecryptBlocks(uint8_t* aData, size_t aCount) const;
};

// Ciphers on 8-byte blocks. A 64-bit block value is the little-endian reading
// of the block's 8 bytes.
class T64BitBlockCipher : public TBlockCipher {
 public:
  static constexpr int BlockSize() { return 8; }
  static constexpr size_t CiphertextLength(size_t aPlaintextLength) {
    return (aPlaintextLength / BlockSize() + 1) * BlockSize();
  }

  virtual uint64_t EncryptedBlock(uint64_t aPlaintext) const = 0;
  virtual uint64_t DecryptedBlock(uint64_t aCiphertext) const = 0;

  // Pads with p bytes of value p (1 to 8) and enciphers block by block: the
  // result is CiphertextLength(aPlaintext.size()) bytes long.
  virtual std::string EncryptedString(std::string_view aPlaintext) const;
  // Raises "Ciphertext is not a multiple of 8 bytes." for an empty ciphertext
  // or one of another length. The pad count is the last decrypted byte and the
  // other pad bytes are not checked; a count above 8 (wrong key, damaged data)
  // drops exactly the final block, and 0 keeps it whole.
  virtual std::string DecryptedString(std::string_view aCiphertext) const;

 protected:
  using TBlockCipher::TBlockCipher;
};

// The 16 round keys, each as eight 6-bit groups: groups 1, 3, 5, 7 in the low
// six bits of the bytes of the first word (most significant byte first),
// groups 2, 4, 6, 8 likewise in the second.
using TDESKeySchedule = std::array<std::array<uint32_t, 2>, 16>;

// DES. The block and the first 8 key bytes are read as little-endian 64-bit
// integers whose most significant bit is DES bit 1: standard DES on the
// reversed bytes, with the output reversed back. Further key bytes are
// ignored, as are the parity bits.
class TDESCipher : public T64BitBlockCipher {
 public:
  TDESCipher(const void* aKey, size_t aLength);
  explicit TDESCipher(std::string_view aKey) : TDESCipher(aKey.data(), aKey.size()) {}

  static constexpr int MinKeyLength() { return 8; }
  static constexpr int MaxKeyLength() { return MinKeyLength(); }
  static const TBlockCipherClass& Class();
  const TBlockCipherClass& ClassType() const override { return Class(); }

  void EncryptBlock(void* aPlaintext) const override;
  void DecryptBlock(void* aCiphertext) const override;
  uint64_t EncryptedBlock(uint64_t aPlaintext) const override;
  uint64_t DecryptedBlock(uint64_t aCiphertext) const override;

 protected:
  void EncryptBlocks(uint8_t* aData, size_t aCount) const override;
  void DecryptBlocks(uint8_t* aData, size_t aCount) const override;

 private:
  TDESKeySchedule fKeySchedule;
};

using TBlowfishSBox = std::array<uint32_t, 256>;
using TBlowfishPArray = std::array<uint32_t, 18>;

// Blowfish with the published key schedule over all key bytes, cyclically
// (only the first 72 can matter). Each 4-byte half of a block is read as a
// little-endian word, bytes 0-3 being the left half: standard Blowfish with
// the bytes of each half reversed, and reversed back in the output.
class TBlowfishCipher : public T64BitBlockCipher {
 public:
  TBlowfishCipher(const void* aKey, size_t aLength);
  explicit TBlowfishCipher(std::string_view aKey)
      : TBlowfishCipher(aKey.data(), aKey.size()) {}

  static constexpr int MinKeyLength() { return 8; }
  // Reported only; longer keys are accepted.
  static constexpr int MaxKeyLength() { return 56; }
  static const TBlockCipherClass& Class();
  const TBlockCipherClass& ClassType() const override { return Class(); }

  void EncryptBlock(void* aPlaintext) const override;
  void DecryptBlock(void* aCiphertext) const override;
  uint64_t EncryptedBlock(uint64_t aPlaintext) const override;
  uint64_t DecryptedBlock(uint64_t aCiphertext) const override;

 protected:
  void EncryptBlocks(uint8_t* aData, size_t aCount) const override;
  void DecryptBlocks(uint8_t* aData, size_t aCount) const override;

 private:
  struct Rounds;  // the round function, over the boxes below

  TBlowfishSBox fSBox1;
  TBlowfishSBox fSBox2;
  TBlowfishSBox fSBox3;
  TBlowfishSBox fSBox4;
  TBlowfishPArray fPArray;
};
