#include "platform/ovPageRender_posix.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/raster.h>

#include <algorithm>

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kHundredthsOfMmPerInch = 2540.0;

cairo_status_t AppendToString(void* aTarget, const unsigned char* aData, unsigned int aLength) {
  static_cast<std::string*>(aTarget)->append(reinterpret_cast<const char*>(aData), aLength);
  return CAIRO_STATUS_SUCCESS;
}

ssize_t AppendRaster(void* aTarget, unsigned char* aData, size_t aLength) {
  static_cast<std::string*>(aTarget)->append(reinterpret_cast<const char*>(aData), aLength);
  return ssize_t(aLength);
}

// cairo's RGB24: one 32-bit word per pixel, the top byte unused.
std::vector<uint32_t> CairoPixels(const ovPagePicture& aPicture, int aStride) {
  std::vector<uint32_t> pixels(size_t(aStride / 4) * size_t(aPicture.Height), 0);
  for (int32_t y = 0; y < aPicture.Height; ++y) {
    const uint8_t* row = aPicture.Rgb.data() + size_t(y) * size_t(aPicture.Width) * 3;
    uint32_t* out = pixels.data() + size_t(y) * size_t(aStride / 4);
    for (int32_t x = 0; x < aPicture.Width; ++x) {
      out[x] = (uint32_t(row[x * 3]) << 16) | (uint32_t(row[x * 3 + 1]) << 8) | uint32_t(row[x * 3 + 2]);
    }
  }
  return pixels;
}

}  // namespace

bool RenderPagePdf(const ovPageLayout& aPage, std::string& aDocument, std::string& aError) {
  aDocument.clear();
  const double width = aPage.MediaWidth * kPointsPerInch / kHundredthsOfMmPerInch;
  const double height = aPage.MediaLength * kPointsPerInch / kHundredthsOfMmPerInch;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(AppendToString, &aDocument, width, height);
  cairo_t* cr = cairo_create(surface);
  const double xScale = kPointsPerInch / aPage.XDpi;
  const double yScale = kPointsPerInch / aPage.YDpi;
  for (const ovPagePicture& picture : aPage.Pictures) {
    if (picture.DrawnWidth <= 0 || picture.DrawnHeight <= 0) continue;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, picture.Width);
    std::vector<uint32_t> pixels = CairoPixels(picture, stride);
    cairo_surface_t* image = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                 CAIRO_FORMAT_RGB24, picture.Width, picture.Height, stride);
    cairo_save(cr);
    cairo_translate(cr, picture.X * xScale, picture.Y * yScale);
    cairo_scale(cr, picture.DrawnWidth * xScale / picture.Width, picture.DrawnHeight * yScale / picture.Height);
    cairo_set_source_surface(cr, image, 0, 0);
    // Printed dots stay dots: no smoothing of a logo between its pixels.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, picture.Width, picture.Height);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);  // the PDF surface keeps its own copy
  }
  cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    aError = std::string("Unable to make the page: ") + cairo_status_to_string(status);
    return false;
  }
  return true;
}

bool RenderPagePwgRaster(const ovPageLayout& aPage, const std::string& aType, std::string& aDocument,
                         std::string& aError) {
  aDocument.clear();
  pwg_media_t* media = pwgMediaForSize(aPage.MediaWidth, aPage.MediaLength);
  cups_page_header2_t header;
  if (media == nullptr ||
      !cupsRasterInitPWGHeader(&header, media, aType.c_str(), aPage.XDpi, aPage.YDpi, "one-sided", nullptr)) {
    aError = "Unable to make the page: " + std::string(cupsLastErrorString());
    return false;
  }
  cups_raster_t* raster = cupsRasterOpenIO(AppendRaster, &aDocument, CUPS_RASTER_WRITE_PWG);
  if (raster == nullptr || !cupsRasterWriteHeader2(raster, &header)) {
    if (raster != nullptr) cupsRasterClose(raster);
    aError = "Unable to make the page: " + std::string(cupsLastErrorString());
    return false;
  }
  const bool gray = header.cupsNumColors == 1;
  const int32_t pageWidth = int32_t(header.cupsWidth);
  std::vector<uint8_t> line(header.cupsBytesPerLine);
  bool written = true;
  for (int32_t y = 0; y < int32_t(header.cupsHeight) && written; ++y) {
    std::fill(line.begin(), line.end(), 0xFF);
    for (const ovPagePicture& picture : aPage.Pictures) {
      if (y < picture.Y || y >= int64_t(picture.Y) + picture.DrawnHeight || picture.DrawnWidth <= 0) continue;
      const int64_t sourceY = int64_t(y - picture.Y) * picture.Height / picture.DrawnHeight;
      const uint8_t* source = picture.Rgb.data() + size_t(sourceY) * size_t(picture.Width) * 3;
      const int32_t from = std::max(picture.X, 0);
      const int32_t to = int32_t(std::min<int64_t>(int64_t(picture.X) + picture.DrawnWidth, pageWidth));
      for (int32_t x = from; x < to; ++x) {
        const uint8_t* pixel = source + size_t(int64_t(x - picture.X) * picture.Width / picture.DrawnWidth) * 3;
        if (gray) {
          line[size_t(x)] = uint8_t((pixel[0] * 299 + pixel[1] * 587 + pixel[2] * 114) / 1000);
        } else {
          std::copy(pixel, pixel + 3, line.begin() + ptrdiff_t(x) * 3);
        }
      }
    }
    written = cupsRasterWritePixels(raster, line.data(), unsigned(line.size())) == line.size();
  }
  cupsRasterClose(raster);
  if (!written) {
    aError = "Unable to make the page: " + std::string(cupsLastErrorString());
    return false;
  }
  return true;
}
