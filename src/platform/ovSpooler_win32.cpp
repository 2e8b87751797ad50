// The spooler seam on Windows: the spooler's own functions for raw jobs, and a
// GDI printer device context for a page. The spooler is local, so the
// time-outs are not needed here.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <vector>

#include "platform/ovSpooler.h"
#include "platform/ovSystemText_win32.h"

namespace {

LPWSTR Wide(std::u16string& aText) { return reinterpret_cast<LPWSTR>(aText.data()); }

LPCWSTR Wide(const std::u16string& aText) { return reinterpret_cast<LPCWSTR>(aText.c_str()); }

}  // namespace

bool SpoolRawJob(const std::u16string& aPrinter, const std::u16string& aDocumentName, const std::string& aBytes,
                 const ovSpoolTimeouts&, std::u16string& aErrorText) {
  if (aBytes.size() > MAXDWORD) {
    aErrorText = SystemErrorText(ERROR_ARITHMETIC_OVERFLOW);
    return false;
  }
  std::u16string printer = aPrinter;
  std::u16string documentName = aDocumentName;
  std::u16string dataType = u"RAW";
  HANDLE handle = nullptr;
  DWORD error = ERROR_SUCCESS;
  bool written = false;
  if (OpenPrinterW(Wide(printer), &handle, nullptr)) {
    DOC_INFO_1W document = {Wide(documentName), nullptr, Wide(dataType)};
    if (StartDocPrinterW(handle, 1, reinterpret_cast<LPBYTE>(&document)) != 0) {
      if (StartPagePrinter(handle)) {
        DWORD count = 0;
        written = WritePrinter(handle, const_cast<char*>(aBytes.data()), DWORD(aBytes.size()), &count) &&
                  count == aBytes.size();
        if (!written) error = GetLastError();
        EndPagePrinter(handle);
      } else {
        error = GetLastError();
      }
      EndDocPrinter(handle);
    } else {
      error = GetLastError();
    }
    ClosePrinter(handle);
  } else {
    error = GetLastError();
  }
  // The error of the call that failed, not of the clean-up after it.
  if (!written) aErrorText = SystemErrorText(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
  return written;
}

bool InstalledPrinterNames(const ovSpoolTimeouts&, std::vector<std::u16string>& aNames, std::u16string& aErrorText) {
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0;
  DWORD count = 0;
  EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(std::max<DWORD>(needed, sizeof(PRINTER_INFO_4W)));
  if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), DWORD(buffer.size()), &needed, &count)) {
    aErrorText = SystemErrorText(GetLastError());
    return false;
  }
  aNames.clear();
  const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (printers[i].pPrinterName != nullptr) aNames.emplace_back(reinterpret_cast<const char16_t*>(printers[i].pPrinterName));
  }
  return true;
}

struct ovPrinterPage::State {
  HDC Dc = nullptr;
  bool InDocument = false;
  ovPrinterCapabilities Capabilities;

  ~State() {
    if (Dc == nullptr) return;
    if (InDocument) AbortDoc(Dc);
    DeleteDC(Dc);
  }
};

ovPrinterPage::ovPrinterPage() : fState(std::make_unique<State>()) {}

ovPrinterPage::~ovPrinterPage() = default;

bool ovPrinterPage::Begin(const std::u16string& aPrinter, const std::u16string& aTitle, const ovSpoolTimeouts&,
                          std::u16string& aErrorText) {
  fState = std::make_unique<State>();
  State& state = *fState;
  state.Dc = CreateDCW(L"WINSPOOL", Wide(aPrinter), nullptr, nullptr);
  if (state.Dc == nullptr) {
    aErrorText = SystemErrorText(GetLastError());
    return false;
  }
  DOCINFOW document = {};
  document.cbSize = sizeof document;
  document.lpszDocName = Wide(aTitle);
  if (StartDocW(state.Dc, &document) <= 0) {
    aErrorText = SystemErrorText(GetLastError());
    return false;
  }
  state.InDocument = true;
  if (StartPage(state.Dc) <= 0) {
    aErrorText = SystemErrorText(GetLastError());
    return false;
  }
  ovPrinterCapabilities& caps = state.Capabilities;
  caps.HorzRes = GetDeviceCaps(state.Dc, HORZRES);
  caps.VertRes = GetDeviceCaps(state.Dc, VERTRES);
  caps.PhysicalOffsetX = GetDeviceCaps(state.Dc, PHYSICALOFFSETX);
  caps.PhysicalOffsetY = GetDeviceCaps(state.Dc, PHYSICALOFFSETY);
  caps.LogPixelsX = GetDeviceCaps(state.Dc, LOGPIXELSX);
  caps.LogPixelsY = GetDeviceCaps(state.Dc, LOGPIXELSY);
  caps.BitsPixel = GetDeviceCaps(state.Dc, BITSPIXEL);
  caps.Planes = GetDeviceCaps(state.Dc, PLANES);
  return true;
}

const ovPrinterCapabilities& ovPrinterPage::Capabilities() const { return fState->Capabilities; }

bool ovPrinterPage::Draw(const ovRgbImage& aImage, int32_t aX, int32_t aY, int32_t aWidth, int32_t aHeight,
                         std::u16string& aErrorText) {
  State& state = *fState;
  if (!state.InDocument) {
    aErrorText = SystemErrorText(ERROR_INVALID_HANDLE);
    return false;
  }
  // A top-down 24-bit DIB: blue, green, red, rows padded to four bytes.
  const size_t stride = (size_t(aImage.Width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> bits(stride * size_t(aImage.Height), 0);
  for (int32_t y = 0; y < aImage.Height; ++y) {
    const uint8_t* source = aImage.Pixels + size_t(y) * aImage.RowBytes;
    uint8_t* target = bits.data() + size_t(y) * stride;
    for (int32_t x = 0; x < aImage.Width; ++x) {
      target[x * 3] = source[x * 3 + 2];
      target[x * 3 + 1] = source[x * 3 + 1];
      target[x * 3 + 2] = source[x * 3];
    }
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = aImage.Width;
  info.bmiHeader.biHeight = -aImage.Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(state.Dc, COLORONCOLOR);
  // A printer DC counts from the corner of its printable area; the caller
  // counts from the corner of the page.
  const int32_t x = aX - state.Capabilities.PhysicalOffsetX;
  const int32_t y = aY - state.Capabilities.PhysicalOffsetY;
  if (StretchDIBits(state.Dc, x, y, aWidth, aHeight, 0, 0, aImage.Width, aImage.Height, bits.data(), &info,
                    DIB_RGB_COLORS, SRCCOPY) == int(GDI_ERROR)) {
    aErrorText = SystemErrorText(GetLastError());
    return false;
  }
  return true;
}

bool ovPrinterPage::End(std::u16string& aErrorText) {
  State& state = *fState;
  if (!state.InDocument) {
    aErrorText = SystemErrorText(ERROR_INVALID_HANDLE);
    return false;
  }
  const bool pageEnded = EndPage(state.Dc) > 0;
  DWORD error = pageEnded ? ERROR_SUCCESS : GetLastError();
  const bool documentEnded = pageEnded && EndDoc(state.Dc) > 0;
  if (pageEnded && !documentEnded) error = GetLastError();
  if (documentEnded) state.InDocument = false;
  if (!documentEnded) aErrorText = SystemErrorText(error);
  return documentEnded;
}
