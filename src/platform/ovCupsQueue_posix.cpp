#include "platform/ovCupsQueue_posix.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

// Called when an answer is overdue: give up rather than wait again.
int GiveUp(http_t*, void*) { return 0; }

std::string LastCupsError() {
  const char* text = cupsLastErrorString();
  return text != nullptr && *text != '\0' ? text : ippErrorString(cupsLastError());
}

std::string PrinterUri(const std::string& aName) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                   aName.c_str());
  return uri;
}

int IntegerMember(ipp_t* aCollection, const char* aName, int aDefault) {
  ipp_attribute_t* member = ippFindAttribute(aCollection, aName, IPP_TAG_INTEGER);
  return member != nullptr ? ippGetInteger(member, 0) : aDefault;
}

void ReadMedia(ipp_t* aAnswer, ovCupsQueue& aQueue) {
  if (ipp_attribute_t* col = ippFindAttribute(aAnswer, "media-col-default", IPP_TAG_BEGIN_COLLECTION)) {
    ipp_t* media = ippGetCollection(col, 0);
    if (ipp_attribute_t* size = ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION)) {
      ipp_t* dimensions = ippGetCollection(size, 0);
      const int width = IntegerMember(dimensions, "x-dimension", 0);
      const int length = IntegerMember(dimensions, "y-dimension", 0);
      if (width > 0 && length > 0) {
        aQueue.MediaWidth = width;
        aQueue.MediaLength = length;
        aQueue.LeftMargin = std::max(0, IntegerMember(media, "media-left-margin", 0));
        aQueue.RightMargin = std::max(0, IntegerMember(media, "media-right-margin", 0));
        aQueue.TopMargin = std::max(0, IntegerMember(media, "media-top-margin", 0));
        aQueue.BottomMargin = std::max(0, IntegerMember(media, "media-bottom-margin", 0));
        return;
      }
    }
  }
  if (ipp_attribute_t* name = ippFindAttribute(aAnswer, "media-default", IPP_TAG_ZERO)) {
    if (const char* keyword = ippGetString(name, 0, nullptr)) {
      if (pwg_media_t* media = pwgMediaForPWG(keyword)) {
        aQueue.MediaWidth = media->width;
        aQueue.MediaLength = media->length;
      }
    }
  }
}

void ReadResolution(ipp_t* aAnswer, ovCupsQueue& aQueue) {
  ipp_attribute_t* resolution = ippFindAttribute(aAnswer, "printer-resolution-default", IPP_TAG_RESOLUTION);
  if (resolution == nullptr) return;
  int y = 0;
  ipp_res_t units = IPP_RES_PER_INCH;
  int x = ippGetResolution(resolution, 0, &y, &units);
  if (units == IPP_RES_PER_CM) {
    x = int(std::lround(x * 2.54));
    y = int(std::lround(y * 2.54));
  }
  if (x > 0 && y > 0) {
    aQueue.XDpi = x;
    aQueue.YDpi = y;
  }
}

std::vector<std::string> Strings(ipp_t* aAnswer, const char* aName) {
  std::vector<std::string> values;
  if (ipp_attribute_t* attribute = ippFindAttribute(aAnswer, aName, IPP_TAG_ZERO)) {
    for (int i = 0; i < ippGetCount(attribute); ++i) {
      if (const char* value = ippGetString(attribute, i, nullptr)) values.emplace_back(value);
    }
  }
  return values;
}

}  // namespace

ovCupsConnection::~ovCupsConnection() {
  if (fHttp != nullptr) httpClose(fHttp);
}

bool ovCupsConnection::Open(const ovSpoolTimeouts& aTimeouts, std::string& aError) {
  const std::string server = cupsServer();
  fHttp = httpConnect2(server.c_str(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                       std::max(aTimeouts.ConnectMilliseconds, 1), nullptr);
  if (fHttp == nullptr) {
    // A local socket is a path; a host is named with its port.
    const std::string where = server.front() == '/' ? server : server + ":" + std::to_string(ippPort());
    aError = "Unable to connect to the print spooler " + where + ": " + LastCupsError();
    return false;
  }
  httpSetTimeout(fHttp, std::max(aTimeouts.ReadMilliseconds, 1) / 1000.0, GiveUp, nullptr);
  return true;
}

bool ovCupsQueue::Accepts(const std::string& aFormat) const {
  return std::find(Formats.begin(), Formats.end(), aFormat) != Formats.end();
}

bool ReadCupsQueue(http_t* aHttp, const std::string& aName, ovCupsQueue& aQueue, std::string& aError) {
  static const char* const kWanted[] = {
      "printer-name",        "printer-state",           "printer-state-message",
      "document-format-supported", "printer-resolution-default", "media-col-default",
      "media-default",       "pwg-raster-document-type-supported", "print-color-mode-supported"};
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(aName).c_str());
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(kWanted)), nullptr,
                kWanted);
  ipp_t* answer = cupsDoRequest(aHttp, request, "/");
  if (answer == nullptr || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
    aError = LastCupsError();
    ippDelete(answer);
    return false;
  }
  aQueue = ovCupsQueue{};
  ipp_attribute_t* name = ippFindAttribute(answer, "printer-name", IPP_TAG_NAME);
  aQueue.Name = name != nullptr && ippGetString(name, 0, nullptr) != nullptr ? ippGetString(name, 0, nullptr) : aName;
  if (ipp_attribute_t* state = ippFindAttribute(answer, "printer-state", IPP_TAG_ENUM)) aQueue.State = ippGetInteger(state, 0);
  if (ipp_attribute_t* message = ippFindAttribute(answer, "printer-state-message", IPP_TAG_TEXT)) {
    if (const char* text = ippGetString(message, 0, nullptr)) aQueue.StateMessage = text;
  }
  aQueue.Formats = Strings(answer, "document-format-supported");
  aQueue.RasterTypes = Strings(answer, "pwg-raster-document-type-supported");
  const std::vector<std::string> modes = Strings(answer, "print-color-mode-supported");
  aQueue.Color = std::find(modes.begin(), modes.end(), "color") != modes.end();
  ReadResolution(answer, aQueue);
  ReadMedia(answer, aQueue);
  ippDelete(answer);
  return true;
}

bool ListCupsQueues(http_t* aHttp, std::vector<std::string>& aNames, std::string& aError) {
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
  ipp_t* answer = cupsDoRequest(aHttp, request, "/");
  // No queue at all is an empty list, not a failure.
  if (answer == nullptr || (cupsLastError() > IPP_STATUS_OK_CONFLICTING && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)) {
    aError = LastCupsError();
    ippDelete(answer);
    return false;
  }
  aNames.clear();
  for (ipp_attribute_t* attribute = ippFindAttribute(answer, "printer-name", IPP_TAG_NAME); attribute != nullptr;
       attribute = ippFindNextAttribute(answer, "printer-name", IPP_TAG_NAME)) {
    if (const char* value = ippGetString(attribute, 0, nullptr)) aNames.emplace_back(value);
  }
  ippDelete(answer);
  return true;
}

bool CupsQueueTakesJobs(const ovCupsQueue& aQueue, std::string& aError) {
  if (aQueue.State != IPP_PSTATE_STOPPED) return true;
  aError = "Destination \"" + aQueue.Name + "\" is stopped";
  aError += aQueue.StateMessage.empty() ? "." : " (" + aQueue.StateMessage + ").";
  return false;
}

bool SubmitCupsJob(http_t* aHttp, const std::string& aName, const std::string& aTitle, const std::string& aFormat,
                   const std::string& aData, std::string& aError) {
  const int job = cupsCreateJob(aHttp, aName.c_str(), aTitle.c_str(), 0, nullptr);
  if (job == 0) {
    aError = LastCupsError();
    return false;
  }
  bool sent = cupsStartDocument(aHttp, aName.c_str(), job, aTitle.c_str(), aFormat.c_str(), 1) == HTTP_STATUS_CONTINUE;
  if (sent) sent = cupsWriteRequestData(aHttp, aData.data(), aData.size()) == HTTP_STATUS_CONTINUE;
  // Also after a failed write: it reads the scheduler's answer.
  const bool finished = cupsFinishDocument(aHttp, aName.c_str()) <= IPP_STATUS_OK_CONFLICTING;
  if (sent && finished) return true;
  aError = LastCupsError();
  cupsCancelJob2(aHttp, aName.c_str(), job, 0);
  return false;
}
