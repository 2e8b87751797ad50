#include "io/uOVIOHandler.h"

#include "base/uOV_Text.h"
#include "log/uOV_LogWriter.h"
#include "request/uOvConnection.h"

namespace {

constexpr char16_t kStartBanner[] = u"*************************** START ***************************";
constexpr char16_t kStopBanner[] = u"*************************** STOP ****************************";
constexpr char16_t kConnectBanner[] = u"*************************************************************";

}  // namespace

kIOHandler::kIOHandler(const kConnection* aConnection, const std::u16string& aDirectory,
                       const std::u16string& aFileName) {
  if (aConnection != nullptr) {
    fReadTimeout = aConnection->ReadTimeOut();
    fConnectTimeout = aConnection->ConnectTimeOut();
  }
  if (!aDirectory.empty() && !aFileName.empty()) {
    fLogger = std::make_unique<tOV_LogWriter>(aFileName, aDirectory, 0, true);
    Debug(let_info, kStartBanner);
  }
}

kIOHandler::~kIOHandler() {
  if (fLogger) Debug(let_info, kStopBanner);
}

bool kIOHandler::Connect() {
  Debug(let_info, kConnectBanner);
  Debug(let_info, ClassName());
  Debug(let_info, fVersion);
  Debug(let_info, u"ConnectTimeout=" + IntToStr(fConnectTimeout));
  Debug(let_info, u"ReadTimeout=" + IntToStr(fReadTimeout));
  return true;
}

void kIOHandler::WriteLog(tOV_MessageType aEntryType, const std::u16string& aTitle,
                          const std::u16string& aMessage) {
  if (!fLogger) return;
  std::u16string line = aTitle + u":" + aMessage;
  if (fHexLog) line += u" [" + StringToHex(aMessage) + u"]";
  fLogger->Write(aEntryType, line);
}

void kIOHandler::Debug(tOV_MessageType aEntryType, const std::u16string& aMessage) {
  if (fLogger) fLogger->Write(aEntryType, aMessage);
}

void kIOHandler::SetCustomError(int32_t aErrorCode, const std::u16string& aErrorMessage) {
  fErrorFound = true;
  fErrorCode = aErrorCode;
  fErrorMessage = aErrorMessage;
}

void kIOHandler::ResetCustomError() {
  fErrorFound = false;
  fErrorCode = 0;
  fErrorMessage.clear();
}

std::u16string kIOHandler::GetLogFileName() const { return fLogger ? fLogger->FileName() : std::u16string(); }

void kIOHandler::SetTemporaryReadTimeout(int32_t aNewTimeout) {
  Debug(let_info, u"Set Read Timeout to " + IntToStr(aNewTimeout) + u"ms from " + IntToStr(fReadTimeout) + u" ms");
  if (aNewTimeout > 0) {
    fTemporaryReadTimeout = fReadTimeout;
    fReadTimeout = aNewTimeout;
  }
}

void kIOHandler::ResetTemporaryReadTimeout() {
  Debug(let_info, u"Reset Timeout to " + IntToStr(fTemporaryReadTimeout) + u" ms");
  if (fTemporaryReadTimeout != 0) fReadTimeout = fTemporaryReadTimeout;
}

std::u16string kIOHandler::StringToHex(const std::u16string& aText) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string hex;
  hex.reserve(aText.size() * 3);
  for (const char16_t unit : aText) {
    if (!hex.empty()) hex += u' ';
    if (unit > 0xff) {
      if (unit > 0xfff) hex += kDigits[unit >> 12];
      hex += kDigits[(unit >> 8) & 0xf];
    }
    hex += kDigits[(unit >> 4) & 0xf];
    hex += kDigits[unit & 0xf];
  }
  return hex;
}

std::u16string kIOHandler::FormatAmount(ovCurrency aAmount) { return CurrencyToText(aAmount); }
