#include "request/uOvConnection.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"

namespace {

template <typename Value>
struct Word {
  Value value;
  const char16_t* read;
  const char16_t* written;
};

const Word<ovConnectionType> kConnectionTypes[] = {
    {ovConnectionType::OPOS, u"opos", u"OPOS"},       {ovConnectionType::TCP, u"tcp", u"TCP"},
    {ovConnectionType::HTTP, u"http", u"HTTP"},       {ovConnectionType::Serial, u"serial", u"SERIAL"},
    {ovConnectionType::DLL, u"dll", u"DLL"},          {ovConnectionType::Com, u"com", u"COM"},
    {ovConnectionType::Spool, u"spool", u"SPOOL"},
};

const Word<ovParity> kParities[] = {
    {ovParity::None, u"none", u"NONE"},
    {ovParity::Even, u"even", u"EVEN"},
    {ovParity::Odd, u"odd", u"ODD"},
};

const Word<ovHTTPAuthType> kAuthTypes[] = {
    {ovHTTPAuthType::at_None, u"none", u"NONE"},
    {ovHTTPAuthType::at_Basic, u"basic", u"BASIC"},
    {ovHTTPAuthType::at_Digest, u"digest", u"DIGEST"},
    {ovHTTPAuthType::at_Bearer, u"bearer", u"BEARER"},
};

template <typename Value, size_t N>
const Word<Value>* FindWord(const Word<Value> (&aTable)[N], const std::u16string& aString) {
  const std::u16string lowered = LowerCase(aString);
  for (const auto& word : aTable) {
    if (lowered == word.read) return &word;
  }
  return nullptr;
}

template <typename Value, size_t N>
std::u16string WrittenWord(const Word<Value> (&aTable)[N], Value aValue) {
  for (const auto& word : aTable) {
    if (word.value == aValue) return word.written;
  }
  return {};
}

}  // namespace

ovConnectionType kConnection::ConvertConnectionType(const std::u16string& aString) {
  if (const auto* word = FindWord(kConnectionTypes, aString)) return word->value;
  throw tOV_Exception(u"Connection Type " + aString + u" is not valid");
}

ovParity kConnection::ConvertParity(const std::u16string& aString) {
  if (const auto* word = FindWord(kParities, aString)) return word->value;
  throw tOV_Exception(u"Connection Parity " + aString + u" is not valid");
}

ovHTTPAuthType kConnection::ConvertAuthType(const std::u16string& aString) {
  const auto* word = FindWord(kAuthTypes, aString);
  return word ? word->value : ovHTTPAuthType::at_None;
}

std::u16string kConnection::ConnectionTypeToString(ovConnectionType aValue) {
  return WrittenWord(kConnectionTypes, aValue);
}

std::u16string kConnection::ParityToString(ovParity aValue) { return WrittenWord(kParities, aValue); }

std::u16string kConnection::AuthTypeToString(ovHTTPAuthType aValue) { return WrittenWord(kAuthTypes, aValue); }
