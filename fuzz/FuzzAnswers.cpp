// A service's answer as the driver reads it: the transaction and void
// answers into a payment result, the signature answer (with either decimal
// separator), the token answers, and the error text of a failed exchange.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/uOV_Exception.h"
#include "drivers/epay_webecr/uOVPA_Answers.h"
#include "drivers/epay_webecr/uOVPA_SignatureText.h"
#include "fuzz/FuzzText.h"
#include "http/uOV_JsonReader.h"

namespace {

template <typename Read>
void Try(Read aRead) {
  try {
    aRead();
  } catch (const tOV_Exception&) {
    // A malformed answer is reported with a message; that is all it may do.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::u16string answer = FuzzText(aData, aSize);
  Try([&] {
    _int_PAY_result result{};
    ReadTransactionAnswer(answer, result);
  });
  Try([&] {
    _int_PAY_result result{};
    ReadVoidAnswer(answer, result);
  });
  Try([&] { ReadSignatureAnswer(answer, u'.'); });
  Try([&] { ReadSignatureAnswer(answer, u','); });
  Try([&] {
    const tOV_JsonValue token = tOV_JsonValue::ParseObject(answer);
    token.GetText(u"access");
    token.GetText(u"refresh");
  });
  Try([&] {
    const std::optional<tOV_JsonValue> error = tOV_JsonValue::Parse(answer);
    std::u16string text;
    if (error && error->IsObject()) error->TryGetText(u"error", text);
  });
  return 0;
}
