// Where the spool handler draws its bitmap on a page: the 300 dpi rule, the
// narrowing to the printable area, the centring and the physical offsets.
#include <gtest/gtest.h>

#include "io/uOVIOHandler_Spool.h"

namespace {

ovPrinterCapabilities Caps(int32_t aDpi, int32_t aWidth, int32_t aHeight, int32_t aOffsetX, int32_t aOffsetY) {
  ovPrinterCapabilities caps;
  caps.LogPixelsX = aDpi;
  caps.LogPixelsY = aDpi;
  caps.HorzRes = aWidth;
  caps.VertRes = aHeight;
  caps.PhysicalOffsetX = aOffsetX;
  caps.PhysicalOffsetY = aOffsetY;
  return caps;
}

TEST(SpoolPlacementTest, ScaleSizeAndPositionFollowTheRules) {
  const struct {
    const char* name;
    ovPrinterCapabilities caps;
    int32_t bitmapWidth, bitmapHeight;
    ovSpoolPlacement expected;
  } cases[] = {
      // s = 2, centred, moved by the offsets.
      {"600 dpi", Caps(600, 4800, 7000, 150, 100), 576, 1000, {1824 + 150, 2500 + 100, 1152, 2000, true}},
      {"300 dpi draws unscaled", Caps(300, 2400, 3300, 30, 40), 576, 1000, {912 + 30, 1150 + 40, 576, 1000, false}},
      // Wider than the printable width: exactly that width, placed at OX.
      {"300 dpi, too wide", Caps(300, 2000, 3000, 25, 0), 3000, 600, {25, 1300, 2000, 400, true}},
      {"too wide by a fraction", Caps(300, 1999, 3000, 0, 0), 3000, 10, {0, 1497, 1999, 6, true}},
      // Narrowed for the width, then again for the height.
      {"too tall after narrowing", Caps(600, 1000, 500, 0, 0), 1000, 1000, {250, 0, 500, 500, true}},
      {"203 dpi receipt printer", Caps(203, 576, 8000, 0, 0), 576, 200, {93, 3932, 389, 135, true}},
      {"odd remainder rounds toward zero", Caps(300, 101, 101, 0, 0), 100, 100, {0, 0, 100, 100, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ovSpoolPlacement placement = SpoolPagePlacement(c.caps, c.bitmapWidth, c.bitmapHeight);
    EXPECT_EQ(placement.X, c.expected.X);
    EXPECT_EQ(placement.Y, c.expected.Y);
    EXPECT_EQ(placement.Width, c.expected.Width);
    EXPECT_EQ(placement.Height, c.expected.Height);
    EXPECT_EQ(placement.Stretched, c.expected.Stretched);
  }
}

}  // namespace
