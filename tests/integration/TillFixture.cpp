#include "integration/TillFixture.h"

#include <unistd.h>

#include <fstream>

namespace {

// Two companies whose VAT numbers are stored without and with the "EL"
// prefix, a third with a lower-case "el"; one branch without a fiscal number.
std::vector<CompanyRow> Companies() { return {{1, "094019245"}, {2, "EL800123456"}, {3, "el555000111"}}; }

std::vector<BranchRow> Branches() {
  return {
      {"12", 1, 3, "A{{Store}}-{{Till}}/{{YYYY}}", "CN{{store}}-{{TILL}}/{{yy}}"},
      {"14", 1, std::nullopt, "B{{Store}}", "BC{{Store}}"},
      {"21", 2, 7, "T{{MM}}{{DD}}", "TC{{Store}}"},
      {"SH1", 3, 11, "S{{Till}}", "SC{{Till}}"},
  };
}

}  // namespace

Sale Refund(const std::string& aAmount) {
  Sale sale;
  sale.action = "REFUND";
  sale.amount = sale.total = aAmount;
  sale.documentType = "invoice";
  sale.net = "3.23";
  sale.vat = "0.77";
  return sale;
}

Sale VoidOf(const std::string& aPaymentNumber) {
  Sale sale;
  sale.action = "VOID";
  sale.voidedPayment = aPaymentNumber;
  return sale;
}

std::string Element(const std::string& aName, const std::string& aValue) {
  return "<" + aName + ">" + aValue + "</" + aName + ">";
}

std::string Envelope(const std::string& aMethod, const std::string& aHandle, const std::string& aBody) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><ReceiptPrinterManager Version=\"1.0\">" +
         Element("Type", "Payment") + Element("Driver", "OVPA_DOVAVAREZU_10") + Element("Method", aMethod) +
         (aHandle.empty() ? std::string() : Element("Handle", aHandle)) + aBody + "</ReceiptPrinterManager>";
}

std::string Envelope(const std::string& aMethod, int aHandle, const std::string& aBody) {
  return Envelope(aMethod, aHandle > 0 ? std::to_string(aHandle) : std::string(), aBody);
}

std::string OpenRequest(const Device& aDevice, const std::string& aLogId) {
  std::string parameters = Element("ImpactApiKey", aDevice.impactApiKey) + Element("User", aDevice.user) +
                           Element("Password", aDevice.password) + Element("TermId", aDevice.termId) +
                           Element("Test", "Y") + Element("BaseURL", aDevice.baseUrl) +
                           Element("ImpactServerURL", aDevice.impactUrl) + Element("CAFile", aDevice.caFile);
  if (!aDevice.apiKey.empty()) parameters += Element("ApiKey", aDevice.apiKey);
  if (aDevice.hexLog) parameters += Element("HexLog", "true");
  for (const auto& [name, value] : aDevice.moreParameters) parameters += Element(name, value);
  return Envelope("Open", 0,
                  Element("LogId", aLogId) + Element("Connection", Element("Type", "HTTP")) +
                      Element("Parameters", parameters));
}

std::string PayRequest(const std::string& aHandle, const Sale& aSale) {
  std::string payment = Element("StoreCode", aSale.store) + Element("TillCode", aSale.till) +
                        Element("Reference", "R-" + aSale.amount) + Element("Action", aSale.action);
  if (aSale.action == "VOID") {
    payment += Element("RefundReference", Element("PaymentId", aSale.voidedPayment));
  } else {
    payment += Element("Amount", aSale.amount) + Element("Currency", aSale.currency) +
               Element("DocumentType", aSale.documentType) + Element("DocumentNetAmount", aSale.net) +
               Element("DocumentVatAmount", aSale.vat) + Element("DocumentAmount", aSale.total);
  }
  return Envelope(aSale.action == "PAY" ? "Pay" : aSale.action == "REFUND" ? "Refund" : "Void", aHandle,
                  Element("Payment", payment));
}

std::string PayRequest(int aHandle, const Sale& aSale) {
  return PayRequest(aHandle > 0 ? std::to_string(aHandle) : std::string(), aSale);
}

void WriteFile(const std::filesystem::path& aPath, const std::string& aText) {
  std::ofstream file(aPath, std::ios::binary);
  file << aText;
}

void TillTest::SetUp() {
  fRegistry = std::make_unique<TestRegistry>(Companies(), Branches());
  fOldDirectory = std::filesystem::current_path();
  // The driver looks for its settings file in the host's current directory.
  std::filesystem::current_path(fTill.Path());
  WriteFile(fTill.Path() / kSettingsFileName, fRegistry->SettingsFileText());
}

void TillTest::TearDown() { std::filesystem::current_path(fOldDirectory); }

void TillTest::StartServices(const std::function<void(ovsim::SimOptions&)>& aAdjust) {
  ovsim::SimOptions options;
  options.fRecordFile = (fServiceFiles.Path() / "requests.jsonl").string();
  options.fCertOut = (fServiceFiles.Path() / "ca.pem").string();
  options.fQuiet = true;
  if (aAdjust) aAdjust(options);
  fSimulator = std::make_unique<ovsim::Simulator>(options);
  fSimulator->Start();
  fDevice.baseUrl = fSimulator->TerminalUrl();
  fDevice.impactUrl = fSimulator->SigningUrl();
  fDevice.caFile = fSimulator->CaFile();
  fDevice.apiKey = options.fApiKey;
}

std::string TillTest::LogId() const {
  return std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
         std::to_string(getpid());
}
