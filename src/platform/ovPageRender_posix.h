// A printer page made into a document a CUPS queue takes: PDF through cairo
// (the picture kept at its own resolution, placed and scaled on a page of the
// medium's size) or PWG raster at the printer's resolution.
#pragma once

#include <string>
#include <vector>

#include "platform/ovSpooler.h"

struct ovPagePicture {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Rgb;  // Width * 3 bytes per row, top row first
  int32_t X = 0;             // where it goes, device pixels from the page's corner
  int32_t Y = 0;
  int32_t DrawnWidth = 0;
  int32_t DrawnHeight = 0;
};

struct ovPageLayout {
  int MediaWidth = 0;  // hundredths of millimetres
  int MediaLength = 0;
  int XDpi = 0;
  int YDpi = 0;
  std::vector<ovPagePicture> Pictures;
};

bool RenderPagePdf(const ovPageLayout& aPage, std::string& aDocument, std::string& aError);
// aType: "srgb_8" or "sgray_8".
bool RenderPagePwgRaster(const ovPageLayout& aPage, const std::string& aType, std::string& aDocument,
                         std::string& aError);
