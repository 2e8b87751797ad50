// A driver opened against the test services, with a fixed branch table and
// a fixed clock (5 March 2024), and the requests a host would send it.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "drivers/EpayTestServices.h"
#include "drivers/epay_webecr/uOVPA_DOVAVAREZU_10.h"
#include "payment/uOvPaymentHandler.h"

inline constexpr const char16_t* kTestPassword = u"secret/pass-4711";
inline constexpr const char16_t* kTestImpactApiKey = u"impact-key-0815";

// Branch 12 (company EL123456789, fiscal number 7) with series templates.
void LoadTestBranches(kProviderData& aData);

class EpayDriverTest : public ::testing::Test {
 public:
  // A Payment element with the given action, amount and extra elements.
  static std::u16string Payment(const std::u16string& aAction, const std::u16string& aAmount = u"12.50",
                                const std::u16string& aMore = {});

 protected:
  EpayDriverTest();
  ~EpayDriverTest() override;

  // The envelope for the driver with fParameters and aDocument (a Payment,
  // DayClose or Totals element).
  std::u16string Request(const std::u16string& aDocument = {}) const;
  std::unique_ptr<kPayment_DOVAVAREZU> Open(const kProviderDataLoader& aLoader = LoadTestBranches) const;

  _int_PAY_result Pay(kPayment_DOVAVAREZU& aDriver, const std::u16string& aPayment) const;

  EpayTestServices fServices;
  std::map<std::u16string, std::u16string> fParameters;
};
