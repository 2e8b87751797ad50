#include "base/uOV_Bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <fstream>
#include <iterator>

#include "base/uOV_Exception.h"
#include "platform/ovUtf.h"

namespace {

// Big enough for a full page at 600 dpi, small enough that a forged header
// cannot make us allocate gigabytes.
constexpr int64_t kMaxPixels = int64_t(64) * 1024 * 1024;
constexpr int32_t kMaxSide = 32768;

constexpr uint32_t kRgb = 0;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

[[noreturn]] void Refuse(const char16_t* aReason) { throw tOV_Exception(std::u16string(u"Invalid bitmap: ") + aReason); }

class ByteReader {
 public:
  explicit ByteReader(const std::string& aBytes) : fBytes(aBytes) {}
  bool Has(size_t aOffset, size_t aCount) const { return aOffset <= fBytes.size() && aCount <= fBytes.size() - aOffset; }
  uint8_t U8(size_t aOffset) const { return uint8_t(fBytes[aOffset]); }
  uint16_t U16(size_t aOffset) const { return uint16_t(U8(aOffset) | (U8(aOffset + 1) << 8)); }
  uint32_t U32(size_t aOffset) const { return uint32_t(U16(aOffset)) | (uint32_t(U16(aOffset + 2)) << 16); }

 private:
  const std::string& fBytes;
};

// One colour channel described by a bit mask, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t maximum = 0;

  static Channel FromMask(uint32_t aMask) {
    Channel channel;
    channel.mask = aMask;
    if (aMask != 0) {
      channel.shift = std::countr_zero(aMask);
      channel.maximum = aMask >> channel.shift;
    }
    return channel;
  }
  uint8_t Of(uint32_t aPixel) const {
    if (maximum == 0) return 0;
    return uint8_t(((aPixel & mask) >> shift) * 255u / maximum);
  }
};

void AppendU16(std::string& aOut, uint16_t aValue) {
  aOut += char(aValue & 0xFF);
  aOut += char(aValue >> 8);
}

void AppendU32(std::string& aOut, uint32_t aValue) {
  AppendU16(aOut, uint16_t(aValue & 0xFFFF));
  AppendU16(aOut, uint16_t(aValue >> 16));
}

}  // namespace

tOV_Bitmap::tOV_Bitmap(int32_t aWidth, int32_t aHeight) : fWidth(aWidth), fHeight(aHeight) {
  if (aWidth < 1 || aHeight < 1 || aWidth > kMaxSide || aHeight > kMaxSide || int64_t(aWidth) * aHeight > kMaxPixels) {
    Refuse(u"unsupported size");
  }
  fPixels.assign(size_t(aWidth) * size_t(aHeight) * 3, 0xFF);
}

void tOV_Bitmap::SetPixel(int32_t aX, int32_t aY, uint8_t aRed, uint8_t aGreen, uint8_t aBlue) {
  if (aX < 0 || aY < 0 || aX >= fWidth || aY >= fHeight) return;
  uint8_t* pixel = fPixels.data() + size_t(aY) * RowBytes() + size_t(aX) * 3;
  pixel[0] = aRed;
  pixel[1] = aGreen;
  pixel[2] = aBlue;
}

void tOV_Bitmap::FillRect(int32_t aX, int32_t aY, int32_t aWidth, int32_t aHeight, uint8_t aRed, uint8_t aGreen,
                          uint8_t aBlue) {
  for (int32_t y = std::max(aY, 0); y < std::min<int64_t>(int64_t(aY) + aHeight, fHeight); ++y) {
    for (int32_t x = std::max(aX, 0); x < std::min<int64_t>(int64_t(aX) + aWidth, fWidth); ++x) {
      SetPixel(x, y, aRed, aGreen, aBlue);
    }
  }
}

tOV_Bitmap tOV_Bitmap::FromBmpFile(const std::filesystem::path& aFile) {
  std::ifstream in(aFile, std::ios::binary);
  if (!in) {
    const std::u8string name = aFile.u8string();
    throw tOV_Exception(u"Unable to read bitmap " + Utf8ToUtf16(std::string(name.begin(), name.end())));
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return FromBmpBytes(bytes);
}

tOV_Bitmap tOV_Bitmap::FromBmpBytes(const std::string& aBytes) {
  const ByteReader in(aBytes);
  if (!in.Has(0, 18) || in.U8(0) != 'B' || in.U8(1) != 'M') Refuse(u"not a BMP file");
  const uint32_t pixelOffset = in.U32(10);
  const uint32_t headerSize = in.U32(14);
  const size_t header = 14;
  if (headerSize < 12 || !in.Has(header, headerSize)) Refuse(u"truncated header");

  int64_t width = 0;
  int64_t height = 0;
  uint32_t bitsPerPixel = 0;
  uint32_t compression = kRgb;
  uint32_t colorsUsed = 0;
  size_t paletteEntry = 4;
  if (headerSize == 12) {  // the OS/2 core header
    width = in.U16(header + 4);
    height = in.U16(header + 6);
    bitsPerPixel = in.U16(header + 10);
    paletteEntry = 3;
  } else if (headerSize >= 40) {
    width = int32_t(in.U32(header + 4));
    height = int32_t(in.U32(header + 8));
    bitsPerPixel = in.U16(header + 14);
    compression = in.U32(header + 16);
    colorsUsed = in.U32(header + 32);
  } else {
    Refuse(u"unknown header");
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) {
    Refuse(u"unsupported size");
  }
  if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields) {
    Refuse(u"compressed bitmaps are not supported");
  }
  const bool palette = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8;
  if (!palette && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) Refuse(u"unsupported bits per pixel");
  if (compression != kRgb && bitsPerPixel != 16 && bitsPerPixel != 32) Refuse(u"bit fields need 16 or 32 bits per pixel");

  // Bit masks: in the header from version 2 on, else right after the 40 bytes.
  std::array<uint32_t, 4> masks = {0, 0, 0, 0};
  bool alpha = false;
  if (bitsPerPixel == 16) masks = {0x7C00, 0x03E0, 0x001F, 0};
  if (bitsPerPixel == 32) masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
  size_t afterHeader = header + headerSize;
  if (compression != kRgb) {
    const size_t count = compression == kAlphaBitFields ? 4 : 3;
    size_t at = header + 40;
    if (headerSize == 40) {
      if (!in.Has(at, count * 4)) Refuse(u"truncated bit masks");
      afterHeader += count * 4;
    } else if (headerSize < 40 + count * 4) {
      Refuse(u"truncated bit masks");
    }
    for (size_t i = 0; i < count; ++i) masks[i] = in.U32(at + i * 4);
    alpha = count == 4 && masks[3] != 0;
  }
  if (headerSize >= 56 && compression != kRgb && in.U32(header + 52) != 0) {
    masks[3] = in.U32(header + 52);
    alpha = true;
  }

  std::vector<std::array<uint8_t, 3>> colors;
  if (palette) {
    const size_t maximum = size_t(1) << bitsPerPixel;
    const size_t count = colorsUsed == 0 || colorsUsed > maximum ? maximum : colorsUsed;
    for (size_t i = 0; i < count; ++i) {
      const size_t at = afterHeader + i * paletteEntry;
      if (!in.Has(at, 3) || at + 3 > pixelOffset) break;  // a short palette: the rest is absent
      colors.push_back({in.U8(at + 2), in.U8(at + 1), in.U8(at)});
    }
    if (colors.empty()) Refuse(u"missing palette");
  }

  const size_t stride = ((size_t(width) * bitsPerPixel + 31) / 32) * 4;
  if (!in.Has(pixelOffset, stride * size_t(height))) Refuse(u"truncated pixel data");

  const Channel red = Channel::FromMask(masks[0]);
  const Channel green = Channel::FromMask(masks[1]);
  const Channel blue = Channel::FromMask(masks[2]);
  const Channel opacity = Channel::FromMask(masks[3]);
  tOV_Bitmap bitmap{int32_t(width), int32_t(height)};
  for (int64_t row = 0; row < height; ++row) {
    const size_t line = pixelOffset + stride * size_t(topDown ? row : height - 1 - row);
    for (int64_t x = 0; x < width; ++x) {
      uint8_t r = 0, g = 0, b = 0;
      if (palette) {
        const size_t bit = size_t(x) * bitsPerPixel;
        const uint8_t byte = in.U8(line + bit / 8);
        const size_t index = (byte >> (8 - bitsPerPixel - bit % 8)) & ((1u << bitsPerPixel) - 1);
        if (index >= colors.size()) Refuse(u"palette index out of range");
        r = colors[index][0];
        g = colors[index][1];
        b = colors[index][2];
      } else if (bitsPerPixel == 24) {
        const size_t at = line + size_t(x) * 3;
        b = in.U8(at);
        g = in.U8(at + 1);
        r = in.U8(at + 2);
      } else {
        const uint32_t value = bitsPerPixel == 16 ? in.U16(line + size_t(x) * 2) : in.U32(line + size_t(x) * 4);
        r = red.Of(value);
        g = green.Of(value);
        b = blue.Of(value);
        if (alpha) {  // on white paper
          const uint32_t a = opacity.Of(value);
          r = uint8_t((r * a + 255 * (255 - a)) / 255);
          g = uint8_t((g * a + 255 * (255 - a)) / 255);
          b = uint8_t((b * a + 255 * (255 - a)) / 255);
        }
      }
      bitmap.SetPixel(int32_t(x), int32_t(row), r, g, b);
    }
  }
  return bitmap;
}

std::string tOV_Bitmap::ToBmpBytes() const {
  const size_t stride = (RowBytes() + 3) / 4 * 4;
  const uint32_t imageSize = uint32_t(stride * size_t(fHeight));
  std::string out;
  out.reserve(54 + imageSize);
  out += "BM";
  AppendU32(out, 54 + imageSize);
  AppendU32(out, 0);
  AppendU32(out, 54);
  AppendU32(out, 40);
  AppendU32(out, uint32_t(fWidth));
  AppendU32(out, uint32_t(fHeight));
  AppendU16(out, 1);
  AppendU16(out, 24);
  AppendU32(out, kRgb);
  AppendU32(out, imageSize);
  AppendU32(out, 11811);  // 300 dpi, the resolution a printed bitmap is taken to have
  AppendU32(out, 11811);
  AppendU32(out, 0);
  AppendU32(out, 0);
  for (int32_t y = fHeight - 1; y >= 0; --y) {
    const uint8_t* row = Row(y);
    for (int32_t x = 0; x < fWidth; ++x) {
      out += char(row[x * 3 + 2]);
      out += char(row[x * 3 + 1]);
      out += char(row[x * 3]);
    }
    out.append(stride - RowBytes(), '\0');
  }
  return out;
}
