#include "drivers/epay_webecr/uOVPA_DOVAVAREZU_10.h"

#include <memory>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "entry/uOVDeviceTable.h"
#include "io/uOVIOHandler_HTTP.h"
#include "platform/ovHttpTransport.h"

namespace {

// The first missing one of the four parameters the driver cannot do without.
void RequireMandatoryParameters(const kPaymentHandler& aHandler) {
  for (const char16_t* name : {u"ImpactApiKey", u"User", u"Password", u"TermId"}) {
    if (aHandler.GetParameter(name).empty()) throw tOV_Exception(std::u16string(name) + u" is mandatory");
  }
}

// The driver works only on an HTTP connection. The type is checked before the
// base builds the I/O handler, so that a request naming another connection
// (a library to load, a port to open) makes nothing of it; a missing
// parameter is still reported first, as it is on an HTTP connection.
const kPaymentHandler& RequireHttpConnection(const kPaymentHandler& aHandler) {
  if (aHandler.Connection().ConnectionType() != ovConnectionType::HTTP) {
    RequireMandatoryParameters(aHandler);
    throw tOV_Exception(u"Invalid class typecast");
  }
  return aHandler;
}

// A configured base address is used as given, less a trailing "/": the
// service paths are appended to it.
std::u16string BaseAddress(std::u16string aAddress) {
  while (!aAddress.empty() && aAddress.back() == u'/') aAddress.pop_back();
  return aAddress;
}

template <typename Record>
bool Unsupported(Record& aResult) {
  aResult.Error = true;
  aResult.ErrorText = u"Unsupported";
  return false;
}

}  // namespace

kPayment_DOVAVAREZU::kPayment_DOVAVAREZU(const kPaymentHandler& aHandler,
                                         const kProviderDataLoader& aLoadProviderData)
    : kPaymentDevice(RequireHttpConnection(aHandler)), fHttpSession(std::make_shared<ovHttpSession>()) {
  ReadParameters(aHandler);
  // The handler serves for the log and the error state; the exchanges use
  // clients of their own.
  fIOHandlerHTTP = &dynamic_cast<kIOHandler_HTTP&>(IOHandler());
  ChooseEndpoints(aHandler);
  // A failed log-in is recorded in the error state and shows at the first
  // transaction, whose refresh then fails.
  RequestAccessToken();
  aLoadProviderData(fProviderData);
}

kPayment_DOVAVAREZU::~kPayment_DOVAVAREZU() = default;

void kPayment_DOVAVAREZU::ReadParameters(const kPaymentHandler& aHandler) {
  fImpactApiKey = aHandler.GetParameter(u"ImpactApiKey");
  fUser = aHandler.GetParameter(u"User");
  fPassword = aHandler.GetParameter(u"Password");
  fTermId = aHandler.GetParameter(u"TermId");
  fApiKey = aHandler.GetParameter(u"ApiKey");
  fIsTest = aHandler.GetParameter(u"Test") == u"Y";
  // Certificates are checked unless the deployment says exactly "N".
  fTlsVerify = aHandler.GetParameter(u"TlsVerify") != u"N";
  fCAFile = aHandler.GetParameter(u"CAFile");
  int32_t readTimeout = 0;
  if (TryStrToInt(aHandler.GetParameter(u"ReadTimeout"), readTimeout) && readTimeout >= 1 &&
      readTimeout <= kReadTimeoutSeconds) {
    fReadTimeout = readTimeout;
  }
  RequireMandatoryParameters(aHandler);
}

void kPayment_DOVAVAREZU::ChooseEndpoints(const kPaymentHandler& aHandler) {
  fBaseURL = fIsTest ? u"" OV_EPAY_TEST_URL : u"" OV_EPAY_PRODUCTION_URL;
  fImpactServerURL = fIsTest ? u"" OV_IMPACT_TEST_URL : u"" OV_IMPACT_PRODUCTION_URL;
  const std::u16string baseURL = aHandler.GetParameter(u"BaseURL");
  if (!baseURL.empty()) fBaseURL = BaseAddress(baseURL);
  const std::u16string impactServerURL = aHandler.GetParameter(u"ImpactServerURL");
  if (!impactServerURL.empty()) fImpactServerURL = BaseAddress(impactServerURL);
}

bool kPayment_DOVAVAREZU::Pay(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) {
  return ExecuteTransaction(aReceipt, aResult);
}

bool kPayment_DOVAVAREZU::Refund(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) {
  return ExecuteTransaction(aReceipt, aResult);
}

bool kPayment_DOVAVAREZU::Void(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) {
  return ExecuteVoid(aReceipt, aResult);
}

bool kPayment_DOVAVAREZU::Reprint(const kPaymentReceipt&, _int_REPRINT_result& aResult) {
  return Unsupported(aResult);
}

bool kPayment_DOVAVAREZU::DayClose(const kPaymentDayClose&, _int_DAYCLOSE_result& aResult) {
  return Unsupported(aResult);
}

bool kPayment_DOVAVAREZU::GetTotals(const kPaymentTotals&, _int_GETTOTALS_result& aResult) {
  return Unsupported(aResult);
}

bool kPayment_DOVAVAREZU::GetStatus() { return false; }

bool kPayment_DOVAVAREZU::VerifyTran(const kPaymentReceipt&, _int_PAY_result&) { return false; }

void RegisterPaymentDriver_DOVAVAREZU(ovPaymentTables& aTables) {
  aTables.RegisterClass(kPayment_DOVAVAREZU::kDriverName, [](const kPaymentHandler& aHandler) {
    return std::make_unique<kPayment_DOVAVAREZU>(aHandler);
  });
}
