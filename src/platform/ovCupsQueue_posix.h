// The CUPS side of the spooler seam: a connection to the scheduler within the
// caller's time-outs, a queue's attributes, and one job sent as one
// document. Errors are CUPS's own texts.
#pragma once

#include <cups/cups.h>

#include <string>
#include <vector>

#include "platform/ovSpooler.h"

// Owns one connection to the scheduler.
class ovCupsConnection {
 public:
  ovCupsConnection() = default;
  ~ovCupsConnection();
  ovCupsConnection(const ovCupsConnection&) = delete;
  ovCupsConnection& operator=(const ovCupsConnection&) = delete;

  bool Open(const ovSpoolTimeouts& aTimeouts, std::string& aError);
  http_t* Http() const { return fHttp; }

 private:
  http_t* fHttp = nullptr;
};

// What a queue says of itself, with the sizes in hundredths of millimetres.
struct ovCupsQueue {
  std::string Name;  // as the scheduler spells it
  int State = 0;     // IPP printer-state: 3 idle, 4 processing, 5 stopped
  std::string StateMessage;
  std::vector<std::string> Formats;
  std::vector<std::string> RasterTypes;  // pwg-raster-document-type-supported
  bool Color = false;
  int XDpi = 300;
  int YDpi = 300;
  int MediaWidth = 21000;  // A4 when the queue names no medium
  int MediaLength = 29700;
  int LeftMargin = 0;
  int RightMargin = 0;
  int TopMargin = 0;
  int BottomMargin = 0;

  bool Accepts(const std::string& aFormat) const;
};

// The queue's attributes; false with CUPS's text (an unknown queue among them).
bool ReadCupsQueue(http_t* aHttp, const std::string& aName, ovCupsQueue& aQueue, std::string& aError);
// Every queue's name (printers and classes).
bool ListCupsQueues(http_t* aHttp, std::vector<std::string>& aNames, std::string& aError);
// Refuses a stopped queue: its job would wait there, unprinted, for as long as
// nobody resumes it.
bool CupsQueueTakesJobs(const ovCupsQueue& aQueue, std::string& aError);
// One job of one document; a job that fails on the way is cancelled.
bool SubmitCupsJob(http_t* aHttp, const std::string& aName, const std::string& aTitle, const std::string& aFormat,
                   const std::string& aData, std::string& aError);
