#include "base/uOV_Exception.h"

#include "base/uOV_Text.h"

tOV_Exception::tOV_Exception(std::u16string aMessage)
    : fMessage(std::move(aMessage)), fMessageUtf8(Utf16ToUtf8(fMessage)) {}
