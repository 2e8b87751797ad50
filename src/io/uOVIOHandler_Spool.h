// I/O handler of printers reached through the system's print spooler: either
// raw jobs (receipt printers with a command language of their own) or one
// page with a picture, placed and scaled from the printer's resolution and
// printable area. The printer is opened and closed within each job.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/uOV_Bitmap.h"
#include "io/uOVIOHandler.h"
#include "platform/ovSpooler.h"

enum class ovSpoolOutputType : uint8_t { Raw = 0, Normal = 1 };

// Where and how big the picture goes on the page, in device pixels.
struct ovSpoolPlacement {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool Stretched = false;
};

// The picture is taken to be 300 dots per inch: scaled by dpi / 300, narrowed
// to the printable width and then height when it does not fit, centred in the
// printable area and moved by the physical offsets. Exact fractions: the size
// drops only the fraction of its last step.
ovSpoolPlacement SpoolPagePlacement(const ovPrinterCapabilities& aCaps, int32_t aBitmapWidth, int32_t aBitmapHeight);

class kIOHandler_Spool : public kIOHandler {
 public:
  // Takes the connection's PrinterName; OutputType Normal. Opens nothing.
  kIOHandler_Spool(const kConnection* aConnection, const std::u16string& aDirectory,
                   const std::u16string& aFileName);

  const char16_t* ClassName() const override { return u"kIOHandler_Spool"; }
  bool Connected() override { return true; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  // Normal: the bitmap page (aMessage unused); Raw: aMessage as a raw job.
  bool Write(const std::u16string& aMessage) override;
  std::u16string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::u16string ReadChars(int32_t aCharsNum) override;
  std::u16string ReadAll() override;
  std::u16string DecodeError(int32_t aErrorCode) override;
  bool InputBufferContainsData() override;
  void SetParameter(const std::u16string& aName, const std::u16string& aValue) override;

  // The bytes unchanged as one raw job. False with the system's text in
  // ErrorMessage (ErrorFound and ErrorCode stay as they were).
  bool WriteBytes(const std::vector<uint8_t>& aBytes);

  ovSpoolOutputType OutputType() const { return fOutputType; }
  void SetOutputType(ovSpoolOutputType aValue) { fOutputType = aValue; }
  // The caller's picture; it must outlive the jobs that print it.
  const tOV_Bitmap* Bitmap() const { return fBitmap; }
  void SetBitmap(const tOV_Bitmap* aValue) { fBitmap = aValue; }
  const std::u16string& PrinterName() const { return fPrinterName; }

 private:
  // The text in CodePage (the ANSI code page when 0 or below) as a raw job.
  bool WriteRaw(const std::u16string& aMessage);
  // The bitmap on one page; raises on every failure.
  bool WriteNormal();
  bool SpoolBytes(const std::string& aBytes);
  ovSpoolTimeouts Timeouts() const;

  std::u16string fPrinterName;
  ovSpoolOutputType fOutputType = ovSpoolOutputType::Normal;
  const tOV_Bitmap* fBitmap = nullptr;  // not owned
};
