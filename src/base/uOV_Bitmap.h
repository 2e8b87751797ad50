// A picture for printing: 24-bit RGB pixels, top row first. Logos and
// receipts come as Windows BMP files (monochrome, palette or true colour), so
// the loader reads those; every malformed file is refused with a message,
// never read past its end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class tOV_Bitmap {
 public:
  // A white picture of the given size; both at least 1.
  tOV_Bitmap(int32_t aWidth, int32_t aHeight);

  // Raises "Invalid bitmap: <reason>" for what is not an uncompressed (or
  // bit-field) BMP of 1, 4, 8, 16, 24 or 32 bits per pixel.
  static tOV_Bitmap FromBmpBytes(const std::string& aBytes);
  // As FromBmpBytes; raises "Unable to read bitmap <file>" when unreadable.
  static tOV_Bitmap FromBmpFile(const std::filesystem::path& aFile);

  int32_t Width() const { return fWidth; }
  int32_t Height() const { return fHeight; }
  // Width() * 3 bytes per row, red, green, blue.
  const uint8_t* Row(int32_t aY) const { return fPixels.data() + size_t(aY) * RowBytes(); }
  const uint8_t* Pixels() const { return fPixels.data(); }
  size_t RowBytes() const { return size_t(fWidth) * 3; }

  void SetPixel(int32_t aX, int32_t aY, uint8_t aRed, uint8_t aGreen, uint8_t aBlue);
  // Fills the rectangle, clipped to the picture.
  void FillRect(int32_t aX, int32_t aY, int32_t aWidth, int32_t aHeight, uint8_t aRed, uint8_t aGreen, uint8_t aBlue);

  // The picture as a 24-bit bottom-up BMP file.
  std::string ToBmpBytes() const;

 private:
  int32_t fWidth;
  int32_t fHeight;
  std::vector<uint8_t> fPixels;
};
