#include "io/uOVIOHandler_Spool.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "platform/ovCodePage.h"
#include "platform/ovRegional.h"
#include "request/uOvConnection.h"

namespace {

constexpr char16_t kRawDocumentName[] = u"QVD Receipt";
constexpr char16_t kPageJobTitle[] = u"Tillora Spool Output";
constexpr int64_t kBitmapDpi = 300;

}  // namespace

ovSpoolPlacement SpoolPagePlacement(const ovPrinterCapabilities& aCaps, int32_t aBitmapWidth, int32_t aBitmapHeight) {
  // The scale as numerator / denominator, so that a picture narrowed to the
  // printable width gets exactly that width.
  int64_t numerator = aCaps.LogPixelsX;
  int64_t denominator = kBitmapDpi;
  if (int64_t(aCaps.HorzRes) * denominator < int64_t(aBitmapWidth) * numerator) {
    numerator = aCaps.HorzRes;
    denominator = aBitmapWidth;
  }
  if (int64_t(aCaps.VertRes) * denominator < int64_t(aBitmapHeight) * numerator) {
    numerator = aCaps.VertRes;
    denominator = aBitmapHeight;
  }
  ovSpoolPlacement placement;
  placement.Width = int32_t(int64_t(aBitmapWidth) * numerator / denominator);
  placement.Height = int32_t(int64_t(aBitmapHeight) * numerator / denominator);
  placement.X = (aCaps.HorzRes - placement.Width) / 2 + aCaps.PhysicalOffsetX;
  placement.Y = (aCaps.VertRes - placement.Height) / 2 + aCaps.PhysicalOffsetY;
  placement.Stretched = numerator != denominator;
  return placement;
}

kIOHandler_Spool::kIOHandler_Spool(const kConnection* aConnection, const std::u16string& aDirectory,
                                   const std::u16string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  if (aConnection != nullptr) fPrinterName = aConnection->PrinterName();
}

bool kIOHandler_Spool::Write(const std::u16string& aMessage) {
  return fOutputType == ovSpoolOutputType::Normal ? WriteNormal() : WriteRaw(aMessage);
}

bool kIOHandler_Spool::WriteBytes(const std::vector<uint8_t>& aBytes) {
  return SpoolBytes(std::string(aBytes.begin(), aBytes.end()));
}

bool kIOHandler_Spool::WriteRaw(const std::u16string& aMessage) {
  const int32_t codePage = CodePage() > 0 ? CodePage() : RegionalSettings().AnsiCodePage;
  std::string bytes;
  // A character the code page has no byte for fails the job rather than
  // printing something else in its place.
  if (!EncodeToCodePage(aMessage, codePage, bytes)) {
    SetErrorMessage(u"The text cannot be converted to code page " + IntToStr(codePage));
    return false;
  }
  return SpoolBytes(bytes);
}

bool kIOHandler_Spool::SpoolBytes(const std::string& aBytes) {
  std::u16string errorText;
  const bool written = SpoolRawJob(fPrinterName, kRawDocumentName, aBytes, Timeouts(), errorText);
  if (!written) SetErrorMessage(errorText);
  return written;
}

bool kIOHandler_Spool::WriteNormal() {
  // Checked before any printer is opened: an empty page would only waste paper.
  if (fBitmap == nullptr) throw tOV_Exception(u"kIOHandler_Spool.WriteNormal: No bitmap assigned");
  std::vector<std::u16string> printers;
  std::u16string errorText;
  if (!InstalledPrinterNames(Timeouts(), printers, errorText)) throw tOV_Exception(errorText);
  const std::u16string* printer = nullptr;
  for (const std::u16string& name : printers) {
    if (SameText(name, fPrinterName)) {
      printer = &name;
      break;
    }
  }
  if (printer == nullptr) {
    throw tOV_Exception(u"kIOHandler_Spool.WriteNormal: Printer " + fPrinterName + u" not found");
  }
  ovPrinterPage page;
  if (!page.Begin(*printer, kPageJobTitle, Timeouts(), errorText)) throw tOV_Exception(errorText);
  const ovPrinterCapabilities& caps = page.Capabilities();
  if (caps.LogPixelsX <= 0 || caps.HorzRes <= 0 || caps.VertRes <= 0) {
    throw tOV_Exception(u"kIOHandler_Spool.WriteNormal: Printer " + *printer + u" reports no printable area");
  }
  const ovSpoolPlacement placement = SpoolPagePlacement(caps, fBitmap->Width(), fBitmap->Height());
  const ovRgbImage image{fBitmap->Width(), fBitmap->Height(), fBitmap->RowBytes(), fBitmap->Pixels()};
  if (!page.Draw(image, placement.X, placement.Y, placement.Width, placement.Height, errorText) ||
      !page.End(errorText)) {
    throw tOV_Exception(errorText);
  }
  return true;
}

ovSpoolTimeouts kIOHandler_Spool::Timeouts() const { return ovSpoolTimeouts{ConnectTimeout(), ReadTimeout()}; }

std::u16string kIOHandler_Spool::ReadUpTo(const std::vector<uint8_t>&) { return {}; }

std::u16string kIOHandler_Spool::ReadChars(int32_t) { return {}; }

std::u16string kIOHandler_Spool::ReadAll() { throw tOV_Exception(u"ReadAll Unsupported"); }

std::u16string kIOHandler_Spool::DecodeError(int32_t) { return {}; }

bool kIOHandler_Spool::InputBufferContainsData() { throw tOV_Exception(u"InputBufferContainsData Unsupported"); }

void kIOHandler_Spool::SetParameter(const std::u16string&, const std::u16string&) {}
