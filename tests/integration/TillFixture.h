// What the integration tests share: a till's working folder holding the
// driver's settings file, a registry database of the test's own (PostgreSQL
// through ODBC), the simulated terminal and signing services, and the request
// documents a host sends.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/TestRegistry.h"
#include "integration/ServiceRecord.h"
#include "sim/SimOptions.h"
#include "sim/Simulator.h"
#include "support/TempFolder.h"

inline const char* const kSettingsFileName = "ovFP_RORUZEZU_10.ini";

// The device parameters of an OPEN request.
struct Device {
  std::string impactApiKey = "impact-demo-key";
  std::string user = "demo";
  std::string password = "demo-password";
  std::string termId = "T1001";
  std::string apiKey;
  std::string baseUrl;
  std::string impactUrl;
  std::string caFile;
  bool hexLog = false;
  // Further parameters, name and value, after those above.
  std::vector<std::pair<std::string, std::string>> moreParameters;
};

// One Payment element: a sale, a refund or a void.
struct Sale {
  std::string action = "PAY";
  std::string amount = "20.00";
  std::string store = "12";
  std::string till = "3";
  std::string currency = "EUR";
  std::string documentType = "receipt";
  std::string net = "16.13";
  std::string vat = "3.87";
  std::string total = "20.00";
  std::string voidedPayment;  // PaymentId of the RefundReference of a void
};

Sale Refund(const std::string& aAmount);
Sale VoidOf(const std::string& aPaymentNumber);

// What ovpa-host puts in place of the handle the latest OPEN answered.
inline const char* const kHostHandle = "${Handle}";

std::string Element(const std::string& aName, const std::string& aValue);
// The envelope for the driver; an empty handle is left out.
std::string Envelope(const std::string& aMethod, const std::string& aHandle, const std::string& aBody);
// A handle of 0 or below is left out.
std::string Envelope(const std::string& aMethod, int aHandle, const std::string& aBody);
std::string OpenRequest(const Device& aDevice, const std::string& aLogId);
std::string PayRequest(const std::string& aHandle, const Sale& aSale);
std::string PayRequest(int aHandle, const Sale& aSale);

void WriteFile(const std::filesystem::path& aPath, const std::string& aText);

// Runs in a till folder of its own (the current directory, holding the
// settings file of a fresh registry) for the length of one test.
class TillTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the simulator and points fDevice at it.
  void StartServices(const std::function<void(ovsim::SimOptions&)>& aAdjust = {});
  // A log id of this test and process, so that runs side by side keep apart.
  std::string LogId() const;
  std::vector<RecordedRequest> Record() const { return ReadRecord(fSimulator->RecordFile()); }

  TempFolder fTill;          // the host's working directory
  TempFolder fServiceFiles;  // the simulator's certificate and record
  std::filesystem::path fOldDirectory;
  std::unique_ptr<TestRegistry> fRegistry;
  std::unique_ptr<ovsim::Simulator> fSimulator;
  Device fDevice;
};
