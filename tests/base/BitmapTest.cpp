#include "base/uOV_Bitmap.h"

#include <gtest/gtest.h>

#include <string>

#include "support/FailureOf.h"

namespace {

void Put16(std::string& aOut, size_t aAt, uint16_t aValue) {
  aOut[aAt] = char(aValue & 0xFF);
  aOut[aAt + 1] = char(aValue >> 8);
}

void Put32(std::string& aOut, size_t aAt, uint32_t aValue) {
  Put16(aOut, aAt, uint16_t(aValue & 0xFFFF));
  Put16(aOut, aAt + 2, uint16_t(aValue >> 16));
}

// A BMP with a 40-byte header, the palette and the rows as given.
std::string Bmp(int32_t aWidth, int32_t aHeight, uint16_t aBits, const std::string& aPalette, const std::string& aRows,
                uint32_t aCompression = 0) {
  std::string bmp(54, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  Put32(bmp, 2, uint32_t(54 + aPalette.size() + aRows.size()));
  Put32(bmp, 10, uint32_t(54 + aPalette.size()));
  Put32(bmp, 14, 40);
  Put32(bmp, 18, uint32_t(aWidth));
  Put32(bmp, 22, uint32_t(aHeight));
  Put16(bmp, 26, 1);
  Put16(bmp, 28, aBits);
  Put32(bmp, 30, aCompression);
  return bmp + aPalette + aRows;
}

std::string Pixel(const tOV_Bitmap& aBitmap, int aX, int aY) {
  const uint8_t* p = aBitmap.Row(aY) + aX * 3;
  return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
}

TEST(BitmapTest, ReadsMonochromePaletteAndTrueColourFiles) {
  // Palettes are blue, green, red, reserved; rows bottom-up, padded to 4 bytes.
  const std::string blackWhite = std::string("\0\0\0\0", 4) + std::string("\xff\xff\xff\0", 4);
  const struct {
    const char* name;
    std::string file;
    std::string topLeft, topRight, bottomLeft;
  } cases[] = {
      {"1 bit", Bmp(2, 2, 1, blackWhite, std::string("\x40\0\0\0\x80\0\0\0", 8)), "255,255,255", "0,0,0", "0,0,0"},
      {"4 bit", Bmp(2, 2, 4, std::string("\0\0\xff\0\0\xff\0\0", 8), std::string("\x01\0\0\0\x10\0\0\0", 8)),
       "0,255,0", "255,0,0", "255,0,0"},
      {"8 bit", Bmp(2, 2, 8, std::string("\x10\x20\x30\0\x40\x50\x60\0", 8), std::string("\0\x01\0\0\x01\0\0\0", 8)),
       "96,80,64", "48,32,16", "48,32,16"},
      {"24 bit", Bmp(2, 2, 24, "", std::string("\x03\x02\x01\x06\x05\x04\0\0\x09\x08\x07\x0c\x0b\x0a\0\0", 16)),
       "7,8,9", "10,11,12", "1,2,3"},
      {"32 bit", Bmp(2, 2, 32, "", std::string("\x03\x02\x01\0\x06\x05\x04\0\x09\x08\x07\0\x0c\x0b\x0a\0", 16)),
       "7,8,9", "10,11,12", "1,2,3"},
      {"top-down 24 bit", Bmp(2, -2, 24, "", std::string("\x03\x02\x01\x06\x05\x04\0\0\x09\x08\x07\x0c\x0b\x0a\0\0", 16)),
       "1,2,3", "4,5,6", "7,8,9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const tOV_Bitmap bitmap = tOV_Bitmap::FromBmpBytes(c.file);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(Pixel(bitmap, 0, 0), c.topLeft);
    EXPECT_EQ(Pixel(bitmap, 1, 0), c.topRight);
    EXPECT_EQ(Pixel(bitmap, 0, 1), c.bottomLeft);
  }
}

TEST(BitmapTest, WritesWhatItReads) {
  tOV_Bitmap bitmap(3, 2);
  bitmap.FillRect(0, 0, 2, 1, 10, 20, 30);
  bitmap.SetPixel(2, 1, 200, 100, 50);
  const tOV_Bitmap again = tOV_Bitmap::FromBmpBytes(bitmap.ToBmpBytes());
  EXPECT_EQ(Pixel(again, 0, 0), "10,20,30");
  EXPECT_EQ(Pixel(again, 1, 0), "10,20,30");
  EXPECT_EQ(Pixel(again, 2, 0), "255,255,255");
  EXPECT_EQ(Pixel(again, 2, 1), "200,100,50");
}

TEST(BitmapTest, MalformedFilesAreRefusedWithAReason) {
  std::string huge = Bmp(30000, 30000, 24, "", "");
  std::string truncated = Bmp(4, 4, 24, "", std::string(20, '\0'));
  std::string badIndex = Bmp(1, 1, 8, std::string("\0\0\0\0", 4), std::string("\x05\0\0\0", 4));
  std::string shortHeader = Bmp(1, 1, 24, "", "").substr(0, 30);
  const struct {
    std::string file;
    std::u16string message;
  } cases[] = {
      {"", u"Invalid bitmap: not a BMP file"},
      {"GIF89a............", u"Invalid bitmap: not a BMP file"},
      {shortHeader, u"Invalid bitmap: truncated header"},
      {huge, u"Invalid bitmap: unsupported size"},
      {Bmp(0, 5, 24, "", ""), u"Invalid bitmap: unsupported size"},
      {truncated, u"Invalid bitmap: truncated pixel data"},
      {Bmp(1, 1, 8, "", "\0\0\0\0", 1), u"Invalid bitmap: compressed bitmaps are not supported"},
      {Bmp(1, 1, 2, "", "\0\0\0\0"), u"Invalid bitmap: unsupported bits per pixel"},
      {badIndex, u"Invalid bitmap: palette index out of range"},
  };
  for (const auto& c : cases) EXPECT_EQ(FailureOf([&] { tOV_Bitmap::FromBmpBytes(c.file); }), c.message);
}

}  // namespace
