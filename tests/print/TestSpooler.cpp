#include "print/TestSpooler.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/TempFolder.h"
#include "support/WholeFile.h"

namespace {

std::string QueueUri(const std::string& aName) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                   aName.c_str());
  return uri;
}

// One administrative request; the test fails with CUPS's text otherwise.
void Administer(ipp_op_t aOperation, const std::string& aName, const char* aFile = nullptr,
                const std::string& aDeviceUri = "") {
  ipp_t* request = ippNewRequest(aOperation);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, QueueUri(aName).c_str());
  if (!aDeviceUri.empty()) {
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, aDeviceUri.c_str());
    ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
    ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
  }
  ippDelete(cupsDoFileRequest(CUPS_HTTP_DEFAULT, request, "/admin/", aFile));
  EXPECT_LE(cupsLastError(), IPP_STATUS_OK_CONFLICTING) << ippOpString(aOperation) << " " << aName << ": "
                                                        << cupsLastErrorString();
}

}  // namespace

bool UseTestSpooler(std::string& aError) {
  const char* binaryDir = std::getenv("OV_TEST_BINARY_DIR");
  const std::string file = std::string(binaryDir != nullptr ? binaryDir : ".") + "/print-spooler/print-spooler.env";
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("CUPS_SERVER=", 0) == 0) {
      setenv("CUPS_SERVER", line.substr(12).c_str(), 1);
      cupsSetServer(line.substr(12).c_str());
      return true;
    }
  }
  aError = "no print spooler: " + file + " (run the suite through ctest, fixture print_spooler)";
  return false;
}

std::string TestPpd(const std::vector<std::string>& aFormats) {
  std::string ppd =
      "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
      "*LanguageEncoding: ISOLatin1\n*PCFileName: \"OVTEST.PPD\"\n*Manufacturer: \"Test\"\n"
      "*Product: \"(Test Page Printer)\"\n*ModelName: \"Test Page Printer\"\n*ShortNickName: \"Test Page Printer\"\n"
      "*NickName: \"Test Page Printer\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n"
      "*DefaultColorSpace: RGB\n*FileSystem: False\n*Throughput: \"1\"\n*TTRasterizer: Type42\n*cupsVersion: 2.4\n";
  for (const std::string& format : aFormats) ppd += "*cupsFilter2: \"" + format + " " + format + " 0 -\"\n";
  // 8.5 x 12.1667 inches, a quarter inch unprintable on every side.
  ppd +=
      "*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n*DefaultPageSize: Tall\n"
      "*PageSize Tall/Tall: \"<</PageSize[612 876]>>setpagedevice\"\n*CloseUI: *PageSize\n"
      "*OpenUI *PageRegion/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n"
      "*DefaultPageRegion: Tall\n*PageRegion Tall/Tall: \"<</PageSize[612 876]>>setpagedevice\"\n"
      "*CloseUI: *PageRegion\n*DefaultImageableArea: Tall\n*ImageableArea Tall/Tall: \"18 18 594 858\"\n"
      "*DefaultPaperDimension: Tall\n*PaperDimension Tall/Tall: \"612 876\"\n"
      "*OpenUI *Resolution/Resolution: PickOne\n*OrderDependency: 10 AnySetup *Resolution\n"
      "*DefaultResolution: 600dpi\n*Resolution 600dpi/600 DPI: \"<</HWResolution[600 600]>>setpagedevice\"\n"
      "*CloseUI: *Resolution\n";
  return ppd;
}

TestQueue::TestQueue(const std::string& aName, const std::string& aDeviceUri, const std::vector<std::string>& aFormats)
    : Name(aName) {
  TempFolder folder;
  const auto ppd = folder.Path() / "queue.ppd";
  std::ofstream(ppd) << TestPpd(aFormats);
  Administer(IPP_OP_CUPS_ADD_MODIFY_PRINTER, aName, ppd.c_str(), aDeviceUri);
}

TestQueue::~TestQueue() { Administer(IPP_OP_CUPS_DELETE_PRINTER, Name); }

void TestQueue::Pause() { Administer(IPP_OP_PAUSE_PRINTER, Name); }

void TestQueue::RejectJobs() { Administer(IPP_OP_CUPS_REJECT_JOBS, Name); }

int TestQueue::PendingJobs() {
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, Name.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
  cupsFreeJobs(count, jobs);
  return count;
}
