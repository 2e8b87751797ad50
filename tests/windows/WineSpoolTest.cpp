// The spool and OPOS handlers of the Windows build under Wine. Wine's
// spooler hands its printers over to CUPS, so the queues of the suite's own
// scheduler (fixture print_spooler) are Windows printers there: a raw job
// goes through OpenPrinter/WritePrinter, a page through a GDI printer device
// context and Wine's PostScript driver, and both arrive at the queue's
// loopback socket. There is no OPOS control under Wine: only the failure of
// a ProgID that does not exist can be seen.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <fstream>

#include "print/CaptureServer.h"
#include "print/TestSpooler.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"
#include "support/WholeFile.h"
#include "windows/WineRun.h"

namespace {

using namespace std::chrono_literals;

class WineSpoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(UseTestSpooler(error)) << error;
  }

  rapidjson::Document Probe(const std::vector<std::string>& aArguments) {
    return ProbeAnswer(RunUnderWine("tools/ovpa-handler-probe.exe", aArguments, fFolder.Path(), 120s));
  }

  static std::string Text(const rapidjson::Document& aAnswer, const char* aName) {
    return aAnswer.HasMember(aName) ? aAnswer[aName].GetString() : "<absent>";
  }
  static int Number(const rapidjson::Document& aAnswer, const char* aName) {
    return aAnswer.HasMember(aName) ? aAnswer[aName].GetInt() : -999;
  }

  TempFolder fFolder;
  CaptureServer fPrinter;
};

TEST_F(WineSpoolTest, ARawJobOfTheWindowsSpoolerArrivesByteForByte) {
  // Wine hands the job to CUPS without its RAW data type, so CUPS types the
  // bytes by their content: the queue passes both kinds through unchanged.
  TestQueue queue("OvWineRaw", fPrinter.DeviceUri(), {"application/octet-stream", "text/plain"});
  const auto answer = Probe({"spool-raw", "OvWineRaw", "Σύνολο 12,50€"});
  EXPECT_EQ(Number(answer, "ok"), 1) << Text(answer, "errorMessage");
  ASSERT_TRUE(fPrinter.WaitForDocuments(1));
  EXPECT_EQ(fPrinter.Documents()[0], "\xd3\xfd\xed\xef\xeb\xef 12,50\x80");
}

TEST_F(WineSpoolTest, AnUnknownPrinterFailsWithTheSystemsText) {
  const auto raw = Probe({"spool-raw", "OvWineNoSuchPrinter", "x"});
  EXPECT_EQ(Number(raw, "ok"), 0);
  EXPECT_NE(Text(raw, "errorMessage"), "");
  const auto page = Probe({"spool-page", "OvWineNoSuchPrinter", "576", "1000"});
  EXPECT_EQ(Text(page, "failure"), "kIOHandler_Spool.WriteNormal: Printer OvWineNoSuchPrinter not found");
}

TEST_F(WineSpoolTest, APageOfTheGdiDeviceContextShowsTheBitmapWhereTheRulesPutIt) {
  TestQueue queue("OvWinePage", fPrinter.DeviceUri(), {"application/postscript"});
  const auto answer = Probe({"spool-page", "ovwinepage", "576", "1000"});  // found ignoring case
  EXPECT_EQ(Text(answer, "failure"), "");
  EXPECT_EQ(Number(answer, "ok"), 1);
  // The device context of the queue's PPD: 600 dpi, a quarter inch in from the edges.
  EXPECT_EQ(Number(answer, "dpi"), 600);
  EXPECT_EQ(Number(answer, "horzRes"), 4800);
  EXPECT_EQ(Number(answer, "vertRes"), 7000);
  EXPECT_EQ(Number(answer, "offsetX"), 150);
  EXPECT_EQ(Number(answer, "offsetY"), 150);
  ASSERT_TRUE(fPrinter.WaitForDocuments(1));
  const std::string document = fPrinter.Documents()[0];
  ASSERT_EQ(document.rfind("%!PS", 0), 0u);
  std::ofstream(fFolder.Path() / "page.ps", std::ios::binary) << document;
  const ChildResult run = RunChild({"/usr/bin/gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=bbox", "-r600",
                                    "page.ps"},
                                   fFolder.Path(), 120s);
  ASSERT_TRUE(run.finished && run.exitCode == 0) << run.errors;
  // The bounding box of what is drawn, in points from the bottom left of the
  // 612 x 876 point page: x 1974..3126 and y 2650..4650 pixels from the top.
  double left = 0, bottom = 0, right = 0, top = 0;
  const size_t at = run.errors.find("%%HiResBoundingBox:");
  ASSERT_NE(at, std::string::npos) << run.errors;
  ASSERT_EQ(std::sscanf(run.errors.c_str() + at, "%%%%HiResBoundingBox: %lf %lf %lf %lf", &left, &bottom, &right, &top), 4);
  EXPECT_NEAR(left, 1974 * 0.12, 0.25);
  EXPECT_NEAR(right, (1974 + 1152) * 0.12, 0.25);
  EXPECT_NEAR(top, 876 - 2650 * 0.12, 0.25);
  EXPECT_NEAR(bottom, 876 - (2650 + 2000) * 0.12, 0.25);
}

TEST_F(WineSpoolTest, AnOposControlThatDoesNotExistFailsTheConstruction) {
  const auto answer = Probe({"opos", "No.Such.FiscalPrinter", "FiscalPrinter"});
  const std::string failure = Text(answer, "failure");
  EXPECT_EQ(failure.rfind("Unable to create OPOS control No.Such.FiscalPrinter. ", 0), 0u) << failure;
  EXPECT_NE(failure.find("[0x800401F3]"), std::string::npos) << failure;  // CO_E_CLASSSTRING
  EXPECT_EQ(Number(answer, "connected"), -1);
}

}  // namespace
