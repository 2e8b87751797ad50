// The spool handler against a real CUPS scheduler (fixture print_spooler),
// with queues whose device is a loopback socket of the test's own: what the
// handler sends is what arrives there.
#include <cups/cups.h>
#include <cups/raster.h>
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <thread>

#include "base/uOV_Exception.h"
#include "io/uOVIOHandler_Spool.h"
#include "platform/ovUtf.h"
#include "print/CaptureServer.h"
#include "print/TestSpooler.h"
#include "request/uOvConnection.h"
#include "support/ChildProcess.h"
#include "support/FailureOf.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"
#include "support/WholeFile.h"

namespace {

using namespace std::chrono_literals;

struct Rgb {
  int r, g, b;
};

struct Picture {
  int width = 0;
  int height = 0;
  std::string pixels;  // RGB
  Rgb At(int aX, int aY) const {
    const size_t at = (size_t(aY) * size_t(width) + size_t(aX)) * 3;
    return {uint8_t(pixels[at]), uint8_t(pixels[at + 1]), uint8_t(pixels[at + 2])};
  }
};

// The picture of the 600 dpi example: 576 x 1000, four quadrants.
tOV_Bitmap QuadrantBitmap() {
  tOV_Bitmap bitmap(576, 1000);
  bitmap.FillRect(0, 0, 288, 500, 255, 0, 0);
  bitmap.FillRect(288, 0, 288, 500, 0, 255, 0);
  bitmap.FillRect(0, 500, 288, 500, 0, 0, 255);
  bitmap.FillRect(288, 500, 288, 500, 0, 0, 0);
  return bitmap;
}

bool Near(Rgb aSeen, Rgb aWanted) {
  return std::abs(aSeen.r - aWanted.r) < 40 && std::abs(aSeen.g - aWanted.g) < 40 && std::abs(aSeen.b - aWanted.b) < 40;
}

// The quadrant bitmap drawn at (aX, aY) with twice its size, and nothing else on the page.
void ExpectQuadrantsAt(const Picture& aPage, int aX, int aY) {
  int left = aPage.width, top = aPage.height, right = -1, bottom = -1;
  for (int y = 0; y < aPage.height; ++y) {
    for (int x = 0; x < aPage.width; ++x) {
      const Rgb pixel = aPage.At(x, y);
      if (pixel.r > 250 && pixel.g > 250 && pixel.b > 250) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_EQ(left, aX);
  EXPECT_EQ(top, aY);
  EXPECT_EQ(right - left + 1, 1152);
  EXPECT_EQ(bottom - top + 1, 2000);
  const struct {
    int dx, dy;
    Rgb colour;
  } probes[] = {{0, 0, {255, 0, 0}},      {575, 999, {255, 0, 0}},   {576, 0, {0, 255, 0}},
                {1151, 999, {0, 255, 0}}, {0, 1000, {0, 0, 255}},    {575, 1999, {0, 0, 255}},
                {576, 1000, {0, 0, 0}},   {1151, 1999, {0, 0, 0}}};
  for (const auto& probe : probes) {
    const Rgb seen = aPage.At(aX + probe.dx, aY + probe.dy);
    EXPECT_TRUE(Near(seen, probe.colour)) << "at +" << probe.dx << ",+" << probe.dy << ": " << seen.r << " "
                                          << seen.g << " " << seen.b;
  }
}

// Ghostscript draws an image's pixels as they are unless the document asks
// for smoothing (pdftoppm smooths small enlargements whatever it asks).
Picture RenderPage(const std::string& aDocument) {
  TempFolder folder;
  std::ofstream(folder.Path() / "page.doc", std::ios::binary) << aDocument;
  const ChildResult run = RunChild({"/usr/bin/gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ppmraw", "-r600",
                                    "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1", "-sOutputFile=page.ppm", "page.doc"},
                                   folder.Path(), 120s);
  EXPECT_TRUE(run.finished && run.exitCode == 0) << run.errors;
  const std::string ppm = ReadWholeFile(folder.Path() / "page.ppm");
  // P6, width, height, maximum: blank-separated, "#" comments between them.
  Picture picture;
  int fields[3] = {0, 0, 0};
  size_t at = 2;
  for (int field = 0; ppm.rfind("P6", 0) == 0 && field < 3; ++field) {
    while (at < ppm.size() && (std::isspace(uint8_t(ppm[at])) || ppm[at] == '#')) {
      if (ppm[at] == '#') at = ppm.find('\n', at);
      if (at == std::string::npos) break;
      ++at;
    }
    while (at < ppm.size() && std::isdigit(uint8_t(ppm[at]))) fields[field] = fields[field] * 10 + (ppm[at++] - '0');
  }
  if (fields[2] != 255 || at >= ppm.size()) {
    ADD_FAILURE() << "no page rendered";
    return picture;
  }
  picture.width = fields[0];
  picture.height = fields[1];
  picture.pixels = ppm.substr(at + 1);
  return picture;
}

struct RasterSource {
  const std::string* data;
  size_t at = 0;
};

ssize_t ReadRaster(void* aSource, unsigned char* aBuffer, size_t aLength) {
  auto* source = static_cast<RasterSource*>(aSource);
  const size_t count = std::min(aLength, source->data->size() - source->at);
  std::copy_n(source->data->data() + source->at, count, aBuffer);
  source->at += count;
  return ssize_t(count);
}

Picture ReadPwgRaster(const std::string& aRaster, unsigned& aDpi) {
  RasterSource source{&aRaster};
  cups_raster_t* raster = cupsRasterOpenIO(ReadRaster, &source, CUPS_RASTER_READ);
  cups_page_header2_t header;
  Picture picture;
  if (raster == nullptr || !cupsRasterReadHeader2(raster, &header)) {
    ADD_FAILURE() << "no PWG raster page";
    if (raster != nullptr) cupsRasterClose(raster);
    return picture;
  }
  aDpi = header.HWResolution[0];
  picture.width = int(header.cupsWidth);
  picture.height = int(header.cupsHeight);
  std::string line(header.cupsBytesPerLine, '\0');
  for (unsigned y = 0; y < header.cupsHeight; ++y) {
    cupsRasterReadPixels(raster, reinterpret_cast<unsigned char*>(line.data()), unsigned(line.size()));
    for (unsigned x = 0; x < header.cupsWidth; ++x) {
      if (header.cupsNumColors == 1) {
        picture.pixels.append(3, line[x]);
      } else {
        picture.pixels.append(line, x * 3, 3);
      }
    }
  }
  cupsRasterClose(raster);
  return picture;
}

class SpoolHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(UseTestSpooler(error)) << error;
  }

  std::unique_ptr<kIOHandler_Spool> Handler(const std::u16string& aPrinter) {
    connection.SetPrinterName(aPrinter);
    return std::make_unique<kIOHandler_Spool>(&connection, u"", u"");
  }

  kConnection connection;
  CaptureServer printer;
};

TEST_F(SpoolHandlerTest, RawJobsArriveByteForByte) {
  TestQueue queue("OvRawReceipt", printer.DeviceUri(), {"application/pdf"});
  auto handler = Handler(u"OvRawReceipt");
  handler->SetOutputType(ovSpoolOutputType::Raw);
  handler->SetCodePage(1253);
  ASSERT_TRUE(handler->Write(u"Σύνολο 12,50€\r\n\x1b@")) << Utf16ToUtf8(handler->ErrorMessage());
  std::vector<uint8_t> everyByte;
  for (int value = 0; value < 256; ++value) everyByte.push_back(uint8_t(value));
  ASSERT_TRUE(handler->WriteBytes(everyByte)) << Utf16ToUtf8(handler->ErrorMessage());
  ASSERT_TRUE(printer.WaitForDocuments(2));
  const auto documents = printer.Documents();
  EXPECT_EQ(documents[0], "\xd3\xfd\xed\xef\xeb\xef 12,50\x80\r\n\x1b@");
  EXPECT_EQ(documents[1], std::string(everyByte.begin(), everyByte.end()));
  EXPECT_FALSE(handler->ErrorFound());
}

TEST_F(SpoolHandlerTest, RawJobPassesTheNameAsGivenAndTheSpoolerFindsItInAnyCase) {
  TestQueue queue("OvCaseReceipt", printer.DeviceUri(), {});
  auto handler = Handler(u"ovcasereceipt");
  handler->SetOutputType(ovSpoolOutputType::Raw);
  ASSERT_TRUE(handler->Write(u"case")) << Utf16ToUtf8(handler->ErrorMessage());
  ASSERT_TRUE(printer.WaitForDocuments(1));
  EXPECT_EQ(printer.Documents()[0], "case");
}

TEST_F(SpoolHandlerTest, RawJobFailuresAnswerFalseWithTheSpoolersText) {
  TestQueue stopped("OvStoppedReceipt", printer.DeviceUri(), {});
  stopped.Pause();
  TestQueue refusing("OvRefusingReceipt", printer.DeviceUri(), {});
  refusing.RejectJobs();
  const struct {
    std::u16string printer;
    std::string message;
  } cases[] = {
      {u"OvNoSuchPrinter", "The printer or class does not exist."},
      {u"OvStoppedReceipt", "Destination \"OvStoppedReceipt\" is stopped (Paused)."},
      {u"OvRefusingReceipt", "Destination \"OvRefusingReceipt\" is not accepting jobs."},
  };
  for (const auto& c : cases) {
    auto handler = Handler(c.printer);
    handler->SetOutputType(ovSpoolOutputType::Raw);
    handler->SetCustomError(7, u"earlier");
    EXPECT_FALSE(handler->Write(u"lost?"));
    EXPECT_EQ(Utf16ToUtf8(handler->ErrorMessage()), c.message);
    EXPECT_TRUE(handler->ErrorFound());  // as it was
    EXPECT_EQ(handler->ErrorCode(), 7);
  }
  EXPECT_EQ(stopped.PendingJobs(), 0);  // nothing left to print later
  EXPECT_EQ(refusing.PendingJobs(), 0);
  EXPECT_TRUE(printer.Documents().empty());
}

TEST_F(SpoolHandlerTest, TextTheCodePageCannotHoldFailsTheJob) {
  TestQueue queue("OvCodePageReceipt", printer.DeviceUri(), {});
  auto handler = Handler(u"OvCodePageReceipt");
  handler->SetOutputType(ovSpoolOutputType::Raw);
  handler->SetCodePage(1253);
  EXPECT_FALSE(handler->Write(u"Ж"));
  EXPECT_EQ(handler->ErrorMessage(), u"The text cannot be converted to code page 1253");
  EXPECT_EQ(queue.PendingJobs(), 0);
}

TEST_F(SpoolHandlerTest, UnreachableSpoolerFailsWithinTheConnectTimeout) {
  const int port = ClosedLoopbackPort();
  connection.SetConnectTimeOut(2000);
  auto handler = Handler(u"OvRawReceipt");
  handler->SetOutputType(ovSpoolOutputType::Raw);
  bool written = true;
  const auto start = std::chrono::steady_clock::now();
  // libcups keeps its server per thread.
  std::thread([&] {
    cupsSetServer(("127.0.0.1:" + std::to_string(port)).c_str());
    written = handler->Write(u"x");
  }).join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_FALSE(written);
  const std::string message = Utf16ToUtf8(handler->ErrorMessage());
  const std::string expected = "Unable to connect to the print spooler 127.0.0.1:" + std::to_string(port) + ": ";
  EXPECT_EQ(message.rfind(expected, 0), 0u) << message;
  EXPECT_GT(message.size(), expected.size()) << message;  // and CUPS's reason
}

TEST_F(SpoolHandlerTest, PageOnAPdfQueueShowsTheBitmapWhereTheRulesPutIt) {
  TestQueue queue("OvPdfPrinter", printer.DeviceUri(), {"application/pdf"});
  const tOV_Bitmap bitmap = QuadrantBitmap();
  auto handler = Handler(u"OVPDFPRINTER");  // found ignoring case
  handler->SetBitmap(&bitmap);
  EXPECT_TRUE(handler->Write(u"not printed"));  // Normal by default: the text is not used
  ASSERT_TRUE(printer.WaitForDocuments(1));
  const std::string document = printer.Documents()[0];
  ASSERT_EQ(document.rfind("%PDF-", 0), 0u);
  const Picture page = RenderPage(document);
  EXPECT_EQ(page.width, 5100);  // 8.5 inches at 600 dpi
  // 600 dpi: s = 2, w = 1152, h = 2000, x = (4800 - 1152) / 2 + 150, y = (7000 - 2000) / 2 + 150.
  ExpectQuadrantsAt(page, 1824 + 150, 2500 + 150);
}

TEST_F(SpoolHandlerTest, PageOnARasterQueueIsRenderedAtThePrintersResolution) {
  TestQueue queue("OvRasterPrinter", printer.DeviceUri(), {"image/pwg-raster"});
  const tOV_Bitmap bitmap = QuadrantBitmap();
  auto handler = Handler(u"ovrasterprinter");
  handler->SetBitmap(&bitmap);
  EXPECT_TRUE(handler->Write(u""));
  ASSERT_TRUE(printer.WaitForDocuments(1));
  unsigned dpi = 0;
  const Picture page = ReadPwgRaster(printer.Documents()[0], dpi);
  EXPECT_EQ(dpi, 600u);
  EXPECT_EQ(page.width, 5100);
  ExpectQuadrantsAt(page, 1974, 2650);
}

TEST_F(SpoolHandlerTest, PageFailuresRaise) {
  TestQueue stopped("OvStoppedPrinter", printer.DeviceUri(), {"application/pdf"});
  stopped.Pause();
  TestQueue textOnly("OvTextPrinter", printer.DeviceUri(), {"text/plain"});
  const tOV_Bitmap bitmap = QuadrantBitmap();
  const struct {
    std::u16string printer;
    const tOV_Bitmap* bitmap;
    std::u16string message;
  } cases[] = {
      {u"OvNoSuchPrinter", &bitmap, u"kIOHandler_Spool.WriteNormal: Printer OvNoSuchPrinter not found"},
      {u"OvStoppedPrinter", nullptr, u"kIOHandler_Spool.WriteNormal: No bitmap assigned"},
      {u"OvStoppedPrinter", &bitmap, u"Destination \"OvStoppedPrinter\" is stopped (Paused)."},
      {u"ovtextprinter", &bitmap,
       u"Destination \"OvTextPrinter\" takes neither application/pdf nor image/pwg-raster."},
  };
  for (const auto& c : cases) {
    auto handler = Handler(c.printer);
    handler->SetBitmap(c.bitmap);
    EXPECT_EQ(FailureOf([&] { handler->Write(u""); }), c.message);
  }
  EXPECT_EQ(stopped.PendingJobs(), 0);
  EXPECT_TRUE(printer.Documents().empty());
}

}  // namespace
