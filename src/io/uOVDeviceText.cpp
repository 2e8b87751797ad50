#include "io/uOVDeviceText.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "platform/ovCodePage.h"

namespace {

// Surrogate pairs are converted together, so one stands for one "?".
size_t CodePointLength(const std::u16string& aText, size_t aAt) {
  const char16_t unit = aText[aAt];
  const bool pair = unit >= 0xD800 && unit <= 0xDBFF && aAt + 1 < aText.size() && aText[aAt + 1] >= 0xDC00 &&
                    aText[aAt + 1] <= 0xDFFF;
  return pair ? 2 : 1;
}

}  // namespace

std::string DeviceBytesFromText(const std::u16string& aText, int32_t aCodePage) {
  std::string bytes;
  if (aCodePage == 0) {
    bytes.reserve(aText.size());
    for (const char16_t unit : aText) bytes += unit <= 0xFF ? char(unit) : '?';
    return bytes;
  }
  if (EncodeToCodePage(aText, aCodePage, bytes)) return bytes;
  std::string probe;
  if (!EncodeToCodePage(u"A", aCodePage, probe)) {
    throw tOV_Exception(u"Code page " + IntToStr(aCodePage) + u" is not supported");
  }
  // Only some characters do not fit: convert one at a time.
  bytes.clear();
  for (size_t at = 0; at < aText.size();) {
    const size_t length = CodePointLength(aText, at);
    std::string piece;
    if (EncodeToCodePage(aText.substr(at, length), aCodePage, piece)) {
      bytes += piece;
    } else if (!EncodeToCodePage(u"?", aCodePage, piece)) {
      bytes += '?';
    } else {
      bytes += piece;
    }
    at += length;
  }
  return bytes;
}

std::u16string TextFromDeviceBytes(const std::vector<uint8_t>& aBytes) {
  return std::u16string(aBytes.begin(), aBytes.end());
}

std::u16string AsciiTextOfBytes(const std::vector<uint8_t>& aBytes) {
  std::u16string text;
  text.reserve(aBytes.size());
  for (const uint8_t byte : aBytes) text += byte <= 0x7F ? char16_t(byte) : u'?';
  return text;
}

std::u16string WaitingForLine(const std::vector<uint8_t>& aChars, std::u16string (*aDump)(const std::u16string&)) {
  std::u16string list;
  std::u16string dumps;
  for (size_t i = 0; i < aChars.size(); ++i) {
    if (i > 0) {
      list += u',';
      dumps += u',';
    }
    const std::u16string terminator(1, char16_t(aChars[i]));
    list += terminator;
    if (aDump != nullptr) dumps += aDump(terminator);
  }
  std::u16string line = u"Waiting for:" + list;
  if (aDump != nullptr) line += u" [" + dumps + u"]";
  return line;
}
