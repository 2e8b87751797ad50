// A request as a host hands it to any export: the envelope and every
// operation document through each wrapper's parsing, then its result
// fragment. No driver is registered, so nothing is opened or sent.
#include <cstddef>
#include <cstdint>

#include "entry/uOVDeviceTable.h"
#include "entry/uOVPaymentWrapper.h"
#include "fuzz/FuzzText.h"

namespace {

template <typename Wrapper>
void Run(const std::u16string& aRequest) {
  Wrapper wrapper;
  try {
    wrapper.Process(aRequest);
  } catch (...) {
    // CLOSE lets its errors out; the export logs them.
  }
  std::u16string output;
  std::u16string message;
  int16_t result = 0;
  wrapper.Format(output, message, result);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitializePaymentTables();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::u16string request = FuzzText(aData, aSize);
  Run<kPaymentWrapper_PAY>(request);
  Run<kPaymentWrapper_REPRINT>(request);
  Run<kPaymentWrapper_OPEN>(request);
  Run<kPaymentWrapper_CLOSE>(request);
  Run<kPaymentWrapper_GETSTATUS>(request);
  Run<kPaymentWrapper_DAYCLOSE>(request);
  Run<kPaymentWrapper_GETTOTALS>(request);
  Run<kPaymentWrapper_VERIFYTRAN>(request);
  return 0;
}
