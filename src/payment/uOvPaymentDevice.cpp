#include "payment/uOvPaymentDevice.h"

#include "app/uOV_Base.h"
#include "io/uOVIOHandler.h"
#include "io/uOVIOHandlerFactory.h"
#include "platform/ovPaths.h"
#include "platform/ovProcess.h"

namespace {

// Banner lines: Pay and VerifyTran after 60 hyphens, DayClose and GetTotals after 55.
constexpr char16_t kPayBanner[] = u"------------------------------------------------------------ Pay";
constexpr char16_t kVerifyTranBanner[] = u"------------------------------------------------------------ VerifyTran";
constexpr char16_t kDayCloseBanner[] = u"------------------------------------------------------- DayClose";
constexpr char16_t kGetTotalsBanner[] = u"------------------------------------------------------- GetTotals";

}  // namespace

kPaymentDevice::kPaymentDevice(const kPaymentHandler& aHandler)
    : fIOHandler(CreateIOHandler(aHandler, LogFolder())) {
  fIOHandler->SetVersion(GetDriverVersion());
}

kPaymentDevice::~kPaymentDevice() = default;

std::u16string kPaymentDevice::LogFolder() {
  return JoinPath(JoinPath(HostExecutableFolder(), u"LogFiles"), u"Payment");
}

std::u16string kPaymentDevice::GetDriverVersion() {
  const tOV_Application* application = Application();
  return application ? application->VersionText() : std::u16string();
}

// Every operation starts with a clean error state: a failure recorded by an
// earlier one must not reach this one's answer.
void kPaymentDevice::StartOperation() { fIOHandler->ResetCustomError(); }

void kPaymentDevice::Banner(const std::u16string& aLine) { fIOHandler->Debug(let_info, aLine); }

void kPaymentDevice::StampPayment(_int_PAY_result& aResult) {
  aResult.LogFileName = fIOHandler->GetLogFileName();
  aResult.PaymentDateTime = Now();
  aResult.TransactionType = ptt_Other;
  aResult.PaymentNetwork = Other;
}

template <typename Record>
void kPaymentDevice::CopyTransportError(Record& aResult) {
  // The driver decides whether the result failed; a recorded transport error
  // only supplies the text.
  if (fIOHandler->ErrorFound()) aResult.ErrorText = fIOHandler->ErrorMessage();
}

void kPaymentDevice::Pub_Pay(const kPaymentHandler& aHandler, _int_PAY_result& aResult) {
  StartOperation();
  Banner(kPayBanner);
  StampPayment(aResult);
  const kPaymentReceipt& receipt = aHandler.PaymentReceipt();
  switch (receipt.Action) {
    case ovPaymentAction::Refund:
      Refund(receipt, aResult);
      break;
    case ovPaymentAction::Void:
      Void(receipt, aResult);
      break;
    default:
      Pay(receipt, aResult);
      break;
  }
  CopyTransportError(aResult);
}

void kPaymentDevice::Pub_VerifyTran(const kPaymentHandler& aHandler, _int_PAY_result& aResult) {
  StartOperation();
  Banner(kVerifyTranBanner);
  StampPayment(aResult);
  VerifyTran(aHandler.PaymentReceipt(), aResult);
  CopyTransportError(aResult);
}

void kPaymentDevice::Pub_DayClose(const kPaymentHandler& aHandler, _int_DAYCLOSE_result& aResult) {
  StartOperation();
  Banner(kDayCloseBanner);
  aResult.LogFileName = fIOHandler->GetLogFileName();
  aResult.ClosureDateTime = Now();
  DayClose(aHandler.DayClose(), aResult);
  CopyTransportError(aResult);
}

void kPaymentDevice::Pub_GetTotals(const kPaymentHandler& aHandler, _int_GETTOTALS_result& aResult) {
  StartOperation();
  Banner(kGetTotalsBanner);
  aResult.LogFileName = fIOHandler->GetLogFileName();
  aResult.DateTime = Now();
  GetTotals(aHandler.Totals(), aResult);
  CopyTransportError(aResult);
}

void kPaymentDevice::Pub_Reprint(const kPaymentHandler& aHandler, _int_REPRINT_result& aResult) {
  StartOperation();
  Reprint(aHandler.PaymentReceipt(), aResult);
  CopyTransportError(aResult);
}
