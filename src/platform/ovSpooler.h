// The system's print spooler: raw jobs for printers that take their own
// command language, and one-page documents with a picture on them. On
// Windows the spooler and a GDI printer device context; on POSIX the CUPS
// scheduler (the one libcups finds: CUPS_SERVER, client.conf or the local
// socket), reached within the given time-outs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ovSpoolTimeouts {
  int32_t ConnectMilliseconds = 1000;  // reaching the scheduler (POSIX)
  int32_t ReadMilliseconds = 1000;     // each answer of the scheduler (POSIX)
};

// One raw job of aBytes to aPrinter, the name passed as given: document
// aDocumentName, data type RAW. False with the system's text of the failure
// in aErrorText (a queue that is stopped or refuses jobs fails too).
bool SpoolRawJob(const std::u16string& aPrinter, const std::u16string& aDocumentName, const std::string& aBytes,
                 const ovSpoolTimeouts& aTimeouts, std::u16string& aErrorText);

// The installed printers, in the system's order. False with the system's text.
bool InstalledPrinterNames(const ovSpoolTimeouts& aTimeouts, std::vector<std::u16string>& aNames,
                           std::u16string& aErrorText);

// What the printer's device context reports, in device pixels.
struct ovPrinterCapabilities {
  int32_t HorzRes = 0;          // printable width
  int32_t VertRes = 0;          // printable height
  int32_t PhysicalOffsetX = 0;  // unprintable margin at the left
  int32_t PhysicalOffsetY = 0;  // unprintable margin at the top
  int32_t LogPixelsX = 0;       // dots per inch
  int32_t LogPixelsY = 0;
  int32_t BitsPixel = 0;
  int32_t Planes = 0;
};

// An RGB picture, 3 bytes per pixel, top row first, rows aRowBytes apart.
struct ovRgbImage {
  int32_t Width = 0;
  int32_t Height = 0;
  size_t RowBytes = 0;
  const uint8_t* Pixels = nullptr;
};

// A document of one page on one printer. Positions are device pixels from
// the physical corner of the page. A document that is not ended is abandoned
// when the object goes away: nothing reaches the printer.
class ovPrinterPage {
 public:
  ovPrinterPage();
  ~ovPrinterPage();
  ovPrinterPage(const ovPrinterPage&) = delete;
  ovPrinterPage& operator=(const ovPrinterPage&) = delete;

  // Opens the document titled aTitle on aPrinter and starts its page.
  bool Begin(const std::u16string& aPrinter, const std::u16string& aTitle, const ovSpoolTimeouts& aTimeouts,
             std::u16string& aErrorText);
  const ovPrinterCapabilities& Capabilities() const;
  // The picture stretched into the rectangle (unscaled when the sizes agree).
  bool Draw(const ovRgbImage& aImage, int32_t aX, int32_t aY, int32_t aWidth, int32_t aHeight,
            std::u16string& aErrorText);
  // Ends the page and the document: the job goes to the printer.
  bool End(std::u16string& aErrorText);

 private:
  struct State;
  std::unique_ptr<State> fState;
};
