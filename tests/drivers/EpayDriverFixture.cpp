#include "drivers/EpayDriverFixture.h"

#include <unistd.h>

#include <string>

#include "platform/ovClock.h"
#include "platform/ovUtf.h"

void LoadTestBranches(kProviderData& aData) {
  aData.Add({u"12", u"EL123456789", 7, u"INV-{{Store}}-{{Till}}/{{YYYY}}{{MM}}{{DD}}", u"CRN-{{store}}/{{yy}}"});
}

EpayDriverTest::EpayDriverTest() {
  SetClockForTesting([] { return ovLocalTime{2024, 3, 5, 14, 7, 9, 0}; });
  fParameters = {{u"ImpactApiKey", kTestImpactApiKey},
                 {u"User", u"till-user"},
                 {u"Password", kTestPassword},
                 {u"TermId", u"T1"},
                 {u"BaseURL", fServices.BaseUrl()},
                 {u"ImpactServerURL", fServices.BaseUrl()},
                 {u"CAFile", fServices.CaFile()}};
}

EpayDriverTest::~EpayDriverTest() { SetClockForTesting({}); }

std::u16string EpayDriverTest::Request(const std::u16string& aDocument) const {
  std::u16string parameters;
  for (const auto& [name, value] : fParameters) parameters += u"<" + name + u">" + value + u"</" + name + u">";
  // A log of its own per test and run: tests run side by side, and the clock
  // stands still on one day.
  const std::u16string logId = Utf8ToUtf16(::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                           std::string("_") + std::to_string(::getpid()));
  return u"<ReceiptPrinterManager><Type>Payment</Type><Driver>OVPA_DOVAVAREZU_10</Driver><LogId>" + logId +
         u"</LogId><Connection><Type>HTTP</Type></Connection><Parameters>" +
         parameters + u"</Parameters>" + aDocument + u"</ReceiptPrinterManager>";
}

std::unique_ptr<kPayment_DOVAVAREZU> EpayDriverTest::Open(const kProviderDataLoader& aLoader) const {
  kPaymentHandler handler;
  handler.Deserialize(Request(), {dt_Open});
  return std::make_unique<kPayment_DOVAVAREZU>(handler, aLoader);
}

std::u16string EpayDriverTest::Payment(const std::u16string& aAction, const std::u16string& aAmount,
                                       const std::u16string& aMore) {
  return u"<Payment><StoreCode>12</StoreCode><TillCode>3</TillCode><Reference>R1</Reference><Action>" + aAction +
         u"</Action><Amount>" + aAmount +
         u"</Amount><Currency>EUR</Currency><DocumentNetAmount>10.08</DocumentNetAmount>"
         u"<DocumentVatAmount>2.42</DocumentVatAmount><DocumentAmount>12.50</DocumentAmount>" +
         aMore + u"</Payment>";
}

_int_PAY_result EpayDriverTest::Pay(kPayment_DOVAVAREZU& aDriver, const std::u16string& aPayment) const {
  kPaymentHandler handler;
  handler.Deserialize(Request(aPayment), {dt_Pay});
  _int_PAY_result result{};
  aDriver.Pub_Pay(handler, result);
  return result;
}
