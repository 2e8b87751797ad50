#include "io/uOVIOHandler_Com.h"

#include "base/uOV_Exception.h"

kIOHandler_Com::kIOHandler_Com(const kConnection* aConnection, const std::u16string& aDirectory,
                               const std::u16string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {}

bool kIOHandler_Com::Write(const std::u16string&) { return false; }

std::u16string kIOHandler_Com::ReadUpTo(const std::vector<uint8_t>&) { return {}; }

std::u16string kIOHandler_Com::ReadChars(int32_t) { return {}; }

std::u16string kIOHandler_Com::ReadAll() { throw tOV_Exception(u"ReadAll Unsupported"); }

std::u16string kIOHandler_Com::DecodeError(int32_t) { return {}; }

bool kIOHandler_Com::InputBufferContainsData() { throw tOV_Exception(u"InputBufferContainsData Unsupported"); }

void kIOHandler_Com::SetParameter(const std::u16string&, const std::u16string&) {}
