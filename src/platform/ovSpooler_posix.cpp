// The spooler seam on CUPS: raw jobs as application/vnd.cups-raw; a page is
// laid out at the queue's default resolution on its default medium, within
// the medium's margins, and sent as PDF, or as PWG raster to a queue that
// takes no PDF.
#include <algorithm>
#include <cmath>

#include "platform/ovCupsQueue_posix.h"
#include "platform/ovPageRender_posix.h"
#include "platform/ovSpooler.h"
#include "platform/ovUtf.h"

namespace {

constexpr double kHundredthsOfMmPerInch = 2540.0;

int32_t Pixels(int aHundredthsOfMm, int aDpi) {
  return int32_t(std::lround(aHundredthsOfMm * double(aDpi) / kHundredthsOfMmPerInch));
}

}  // namespace

bool SpoolRawJob(const std::u16string& aPrinter, const std::u16string& aDocumentName, const std::string& aBytes,
                 const ovSpoolTimeouts& aTimeouts, std::u16string& aErrorText) {
  std::string error;
  ovCupsConnection connection;
  ovCupsQueue queue;
  const std::string name = Utf16ToUtf8(aPrinter);
  const bool sent = connection.Open(aTimeouts, error) && ReadCupsQueue(connection.Http(), name, queue, error) &&
                    CupsQueueTakesJobs(queue, error) &&
                    SubmitCupsJob(connection.Http(), name, Utf16ToUtf8(aDocumentName), CUPS_FORMAT_RAW, aBytes, error);
  if (!sent) aErrorText = Utf8ToUtf16(error);
  return sent;
}

bool InstalledPrinterNames(const ovSpoolTimeouts& aTimeouts, std::vector<std::u16string>& aNames,
                           std::u16string& aErrorText) {
  std::string error;
  ovCupsConnection connection;
  std::vector<std::string> names;
  if (!connection.Open(aTimeouts, error) || !ListCupsQueues(connection.Http(), names, error)) {
    aErrorText = Utf8ToUtf16(error);
    return false;
  }
  aNames.clear();
  for (const std::string& name : names) aNames.push_back(Utf8ToUtf16(name));
  return true;
}

struct ovPrinterPage::State {
  ovSpoolTimeouts Timeouts;
  std::string Printer;
  std::string Title;
  ovCupsQueue Queue;
  ovPrinterCapabilities Capabilities;
  ovPageLayout Layout;
  bool Begun = false;
};

ovPrinterPage::ovPrinterPage() : fState(std::make_unique<State>()) {}

ovPrinterPage::~ovPrinterPage() = default;

bool ovPrinterPage::Begin(const std::u16string& aPrinter, const std::u16string& aTitle,
                          const ovSpoolTimeouts& aTimeouts, std::u16string& aErrorText) {
  State& state = *fState;
  state = State{};
  state.Timeouts = aTimeouts;
  state.Printer = Utf16ToUtf8(aPrinter);
  state.Title = Utf16ToUtf8(aTitle);
  std::string error;
  ovCupsConnection connection;
  if (!connection.Open(aTimeouts, error) || !ReadCupsQueue(connection.Http(), state.Printer, state.Queue, error) ||
      !CupsQueueTakesJobs(state.Queue, error)) {
    aErrorText = Utf8ToUtf16(error);
    return false;
  }
  if (!state.Queue.Accepts("application/pdf") && !state.Queue.Accepts("image/pwg-raster")) {
    aErrorText = Utf8ToUtf16("Destination \"" + state.Queue.Name + "\" takes neither application/pdf nor image/pwg-raster.");
    return false;
  }
  const ovCupsQueue& queue = state.Queue;
  ovPrinterCapabilities& caps = state.Capabilities;
  caps.LogPixelsX = queue.XDpi;
  caps.LogPixelsY = queue.YDpi;
  caps.PhysicalOffsetX = Pixels(queue.LeftMargin, queue.XDpi);
  caps.PhysicalOffsetY = Pixels(queue.TopMargin, queue.YDpi);
  caps.HorzRes = Pixels(queue.MediaWidth - queue.LeftMargin - queue.RightMargin, queue.XDpi);
  caps.VertRes = Pixels(queue.MediaLength - queue.TopMargin - queue.BottomMargin, queue.YDpi);
  caps.BitsPixel = queue.Color ? 24 : 8;
  caps.Planes = 1;
  state.Layout.MediaWidth = queue.MediaWidth;
  state.Layout.MediaLength = queue.MediaLength;
  state.Layout.XDpi = queue.XDpi;
  state.Layout.YDpi = queue.YDpi;
  state.Begun = true;
  return true;
}

const ovPrinterCapabilities& ovPrinterPage::Capabilities() const { return fState->Capabilities; }

bool ovPrinterPage::Draw(const ovRgbImage& aImage, int32_t aX, int32_t aY, int32_t aWidth, int32_t aHeight,
                         std::u16string& aErrorText) {
  if (!fState->Begun) {
    aErrorText = u"No document has been begun";
    return false;
  }
  ovPagePicture picture;
  picture.Width = aImage.Width;
  picture.Height = aImage.Height;
  picture.Rgb.resize(size_t(aImage.Width) * size_t(aImage.Height) * 3);
  for (int32_t y = 0; y < aImage.Height; ++y) {
    const uint8_t* row = aImage.Pixels + size_t(y) * aImage.RowBytes;
    std::copy(row, row + size_t(aImage.Width) * 3, picture.Rgb.begin() + ptrdiff_t(y) * aImage.Width * 3);
  }
  picture.X = aX;
  picture.Y = aY;
  picture.DrawnWidth = aWidth;
  picture.DrawnHeight = aHeight;
  fState->Layout.Pictures.push_back(std::move(picture));
  return true;
}

bool ovPrinterPage::End(std::u16string& aErrorText) {
  State& state = *fState;
  if (!state.Begun) {
    aErrorText = u"No document has been begun";
    return false;
  }
  state.Begun = false;
  std::string document;
  std::string format;
  std::string error;
  bool made = false;
  if (state.Queue.Accepts("application/pdf")) {
    format = "application/pdf";
    made = RenderPagePdf(state.Layout, document, error);
  } else {
    format = "image/pwg-raster";
    const std::vector<std::string>& types = state.Queue.RasterTypes;
    const bool rgb = types.empty() || std::find(types.begin(), types.end(), "srgb_8") != types.end();
    made = RenderPagePwgRaster(state.Layout, rgb ? "srgb_8" : "sgray_8", document, error);
  }
  ovCupsConnection connection;
  const bool sent = made && connection.Open(state.Timeouts, error) &&
                    SubmitCupsJob(connection.Http(), state.Queue.Name, state.Title, format, document, error);
  if (!sent) aErrorText = Utf8ToUtf16(error);
  return sent;
}
