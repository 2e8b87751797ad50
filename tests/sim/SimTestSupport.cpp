#include "sim/SimTestSupport.h"

#include <stdexcept>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace {

int PortOf(const std::string& aUrl) { return std::stoi(aUrl.substr(aUrl.rfind(':') + 1)); }

}  // namespace

RunningSimulator::RunningSimulator(const std::function<void(ovsim::SimOptions&)>& aAdjust) {
  fOptions.fCertOut = (fFolder.Path() / "ca.pem").string();
  fOptions.fRecordFile = (fFolder.Path() / "record.jsonl").string();
  fOptions.fDelayMs = 20;
  fOptions.fQuiet = true;
  if (aAdjust) aAdjust(fOptions);
  fSimulator = std::make_unique<ovsim::Simulator>(fOptions);
  fSimulator->Start();
}

httplib::Result RunningSimulator::Post(const std::string& aUrl, const std::string& aPath,
                                       const std::string& aBody, const httplib::Headers& aHeaders) {
  httplib::SSLClient client("127.0.0.1", PortOf(aUrl));
  client.set_ca_cert_path(fSimulator->CaFile().c_str());
  client.enable_server_certificate_verification(true);
  client.set_connection_timeout(10);
  client.set_read_timeout(30);
  return client.Post(aPath.c_str(), aHeaders, aBody, "application/json");
}

httplib::Result RunningSimulator::PostTerminal(const std::string& aPath, const std::string& aBody,
                                               const httplib::Headers& aHeaders) {
  return Post(fSimulator->TerminalUrl(), aPath, aBody, aHeaders);
}

httplib::Result RunningSimulator::PostSigning(const std::string& aBody, const httplib::Headers& aHeaders) {
  return Post(fSimulator->SigningUrl(), "/PosTransactions/signpos", aBody, aHeaders);
}

std::string RunningSimulator::LogIn(std::string* aRefreshToken) {
  httplib::Headers headers;
  if (!fOptions.fApiKey.empty()) headers.emplace("X-Api-Key", fOptions.fApiKey);
  const auto answer = PostTerminal(
      "/token", "{\"username\":\"" + fOptions.fUser + "\",\"password\":\"" + fOptions.fPassword + "\"}", headers);
  if (!answer || answer->status != 200) throw std::runtime_error("log-in failed");
  const rapidjson::Document tokens = ParseJson(answer->body);
  if (aRefreshToken != nullptr) *aRefreshToken = Text(tokens, "refresh");
  return Text(tokens, "access");
}

httplib::Headers RunningSimulator::Bearer(const std::string& aAccessToken) const {
  httplib::Headers headers{{"Authorization", "Bearer " + aAccessToken}};
  if (!fOptions.fApiKey.empty()) headers.emplace("X-Api-Key", fOptions.fApiKey);
  return headers;
}

std::string RunningSimulator::SignedProviderData(const std::string& aPaymentAmount) {
  const auto answer = PostSigning(SigningBody(aPaymentAmount), {{"APIKey", fOptions.fImpactApiKey}});
  if (!answer || answer->status != 200) throw std::runtime_error("signing failed");
  const rapidjson::Document signature = ParseJson(answer->body);
  const std::string input = Text(signature, "input");
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t end; (end = input.find(';', start)) != std::string::npos; start = end + 1) {
    fields.push_back(input.substr(start, end - start));
  }
  fields.push_back(input.substr(start));
  if (fields.size() != 6) throw std::runtime_error("unexpected signature input " + input);
  return "{\"Uid\":\"" + fields[0] + "\",\"Mark\":" + fields[1] + ",\"SignatureTimeStamp\":\"" + fields[2] +
         "\",\"NetAmount\":" + fields[3] + ",\"VatAmount\":" + fields[4] + ",\"TotalAmount\":" + fields[5] +
         ",\"ProviderId\":3,\"Signature\":\"" + Text(signature, "signature") + "\"}";
}

std::string RunningSimulator::SaleBody(long long aAmount, const std::string& aProviderData, int aTimeout) {
  return "{\"TxnType\":0,\"Amount\":" + std::to_string(aAmount) +
         ",\"TipAmount\":0,\"CurrencyCode\":978,\"CustomerReference\":\"R1\",\"Timeout\":" +
         std::to_string(aTimeout) + ",\"ProviderData\":" + aProviderData + "}";
}

httplib::Result RunningSimulator::Sale(long long aAmount) {
  const std::string providerData =
      SignedProviderData(std::to_string(aAmount / 100) + "." + std::to_string(aAmount % 100 / 10) +
                         std::to_string(aAmount % 10));
  const std::string access = LogIn();
  return PostTerminal("/terminal/" + fOptions.fTerminalId + "/txninit", SaleBody(aAmount, providerData),
                      Bearer(access));
}

std::string SigningBody(const std::string& aPaymentAmount, const std::string& aNet, const std::string& aVat,
                        const std::string& aTotal) {
  return "{\"nspCode\":\"EuronetWeb\",\"issuerTin\":\"EL094014201\",\"issueDate\":\"2024-03-05\","
         "\"branchCode\":0,\"invoiceTypeCode\":\"11.1\",\"series\":\"A-12-3\",\"identifier\":\"identifier\","
         "\"mark\":0,\"paymentAmount\":" +
         aPaymentAmount + ",\"totalNetAmount\":" + aNet + ",\"totalVatAmount\":" + aVat +
         ",\"totalAmount\":" + aTotal + ",\"terminalId\":\"T1001\",\"signatureDurationType\":\"H_24\"}";
}

rapidjson::Document ParseJson(const std::string& aText) {
  rapidjson::Document document;
  document.Parse(aText.data(), aText.size());
  if (document.HasParseError() || !document.IsObject()) document.SetObject();
  return document;
}

std::string Text(const rapidjson::Value& aObject, const char* aName) {
  const auto member = aObject.FindMember(aName);
  if (member == aObject.MemberEnd() || !member->value.IsString()) return "<absent>";
  return {member->value.GetString(), member->value.GetStringLength()};
}

std::string ErrorOf(const httplib::Result& aResult) {
  if (!aResult) return "<no answer>";
  return Text(ParseJson(aResult->body), "error");
}
