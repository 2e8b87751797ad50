#include "sim/Services.h"

#include <algorithm>
#include <cmath>
#include <strings.h>

#include "sim/Crypto.h"
#include "sim/Json.h"

namespace ovsim {

const std::string* SimRequest::Header(const std::string& aName) const {
  for (const auto& [name, value] : fHeaders) {
    if (strcasecmp(name.c_str(), aName.c_str()) == 0) return &value;
  }
  return nullptr;
}

SimAnswer HtmlServerError() {
  return {500, "text/html; charset=utf-8",
          "<!DOCTYPE html>\n<html><head><title>500 Internal Server Error</title></head>\n"
          "<body><h1>Internal Server Error</h1><p>The server encountered an unexpected condition.</p>"
          "</body></html>\n"};
}

namespace {

SimAnswer Error(int aStatus, std::string_view aMessage) { return {aStatus, "application/json", ErrorBody(aMessage)}; }

SimAnswer MethodNotAllowed() { return Error(405, "Method not allowed"); }

SimAnswer UnknownPath(const std::string& aPath) { return Error(404, "Unknown path " + aPath); }

// The token of an "Authorization: Bearer <token>" header (the scheme name
// compares without regard to case), or empty text.
std::string BearerToken(const SimRequest& aRequest) {
  const std::string* header = aRequest.Header("Authorization");
  if (header == nullptr) return {};
  const std::string& value = *header;
  const size_t space = value.find(' ');
  if (space != 6 || strncasecmp(value.c_str(), "Bearer", 6) != 0) return {};
  const size_t start = value.find_first_not_of(' ', space);
  if (start == std::string::npos) return {};
  const size_t end = value.find_last_not_of(' ');
  return value.substr(start, end - start + 1);
}

// Masked card numbers of four brands; the brand follows the whole currency
// units of the amount so that integrators can pick one. Only the masked form
// exists here: no full card number is ever made.
std::string MaskedCardPan(int64_t aAmount) {
  struct Brand {
    const char* fBin;
    int fLength;
  };
  static constexpr Brand kBrands[] = {
      {"476173", 16},  // Visa
      {"535110", 16},  // Mastercard
      {"374245", 15},  // American Express
      {"676770", 16},  // Maestro
  };
  const Brand& brand = kBrands[(aAmount / 100) % 4];
  std::string lastDigits;
  for (int i = 0; i < 4; ++i) lastDigits += static_cast<char>('0' + RandomBelow(10));
  return brand.fBin + std::string(static_cast<size_t>(brand.fLength) - 10, '*') + lastDigits;
}

std::string NewAuthCode() {
  static constexpr char kCharacters[] = "0123456789ABCDEFGHJKLMNPRSTUVWXYZ";
  std::string code;
  for (int i = 0; i < 6; ++i) code += kCharacters[RandomBelow(sizeof kCharacters - 1)];
  return code;
}

bool IsIsoDate(const std::string& aText) {
  if (aText.size() != 10 || aText[4] != '-' || aText[7] != '-') return false;
  for (const size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (aText[i] < '0' || aText[i] > '9') return false;
  }
  const int year = std::stoi(aText.substr(0, 4));
  const int month = std::stoi(aText.substr(5, 2));
  const int day = std::stoi(aText.substr(8, 2));
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// A currency number of the signing request in hundredths; false when it is
// out of the range a document amount can have.
bool ToHundredths(const rapidjson::Value& aValue, int64_t& aHundredths) {
  const double value = aValue.GetDouble();
  if (!std::isfinite(value) || std::fabs(value) >= 1e13) return false;
  aHundredths = std::llround(value * 100.0);
  return true;
}

// The terminal's "Result" by the cents of the amount.
int ResultByCents(int64_t aCents) {
  switch (aCents) {
    case 1: return 2;  // declined
    case 2: return 3;  // cancelled
    case 3: return 4;  // failed
    case 4: return 5;  // unknown error
    case 5: return 6;  // busy
    case 6: return 7;  // transactions limit reached
    case 7: return 0;  // not a code the driver maps
    default: return 1;
  }
}

// The log-in and refresh answers.
SimAnswer TokenAnswer(const std::string& aAccess, const std::string& aRefresh) {
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("access");
  WriteString(writer, aAccess);
  writer.Key("refresh");
  WriteString(writer, aRefresh);
  writer.EndObject();
  return {200, "application/json", buffer.GetString()};
}

// The members that open both transaction and void answers.
void WriteAnswerHead(JsonWriter& aWriter, const std::string& aTerminal, const std::string& aTransactionId,
                     const std::string& aId) {
  aWriter.Key("Status");
  aWriter.Int(0);
  aWriter.Key("Terminal");
  WriteString(aWriter, aTerminal);
  aWriter.Key("TransactionId");
  WriteString(aWriter, aTransactionId);
  aWriter.Key("Id");
  WriteString(aWriter, aId);
}

}  // namespace

SimAnswer TerminalService::Handle(const SimRequest& aRequest) {
  if (!fOptions.fApiKey.empty()) {
    const std::string* key = aRequest.Header("X-Api-Key");
    if (key == nullptr || !SameSecret(*key, fOptions.fApiKey)) return Error(403, "Invalid or missing API key");
  }
  const std::string& path = aRequest.fPath;
  if (path == "/token" || path == "/token/refresh") {
    if (aRequest.fMethod != "POST") return MethodNotAllowed();
    return path == "/token" ? LogIn(aRequest) : Refresh(aRequest);
  }
  static const std::string kTerminalPrefix = "/terminal/";
  if (path.rfind(kTerminalPrefix, 0) != 0) return UnknownPath(path);
  const std::string rest = path.substr(kTerminalPrefix.size());
  const size_t slash = rest.find('/');
  if (slash == 0 || slash == std::string::npos) return UnknownPath(path);
  const std::string terminalId = rest.substr(0, slash);
  const std::string operation = rest.substr(slash);
  if (operation != "/txninit" && operation != "/txnvoid") return UnknownPath(path);
  if (aRequest.fMethod != "POST") return MethodNotAllowed();
  // Authentication first: an unauthenticated client learns nothing about terminals.
  if (!HasCurrentBearer(aRequest)) return Error(401, "Invalid or expired access token");
  if (terminalId != fOptions.fTerminalId) return Error(404, "Terminal " + terminalId + " not found");
  return operation == "/txninit" ? TransactionInit(aRequest) : TransactionVoid(aRequest);
}

bool TerminalService::HasCurrentBearer(const SimRequest& aRequest) const {
  const std::string token = BearerToken(aRequest);
  return !token.empty() && fState.IsCurrentAccessToken(token);
}

SimAnswer TerminalService::LogIn(const SimRequest& aRequest) {
  rapidjson::Document body;
  if (std::string fault = ParseObject(aRequest.fBody, body); !fault.empty()) return Error(400, fault);
  if (std::string fault = CheckMembers(body, {{"username", JsonKind::String}, {"password", JsonKind::String}});
      !fault.empty()) {
    return Error(400, fault);
  }
  const rapidjson::Value& user = body.FindMember("username")->value;
  const rapidjson::Value& password = body.FindMember("password")->value;
  // Both compared in full: the answer time tells nothing about which one is wrong.
  const bool userMatches = SameSecret({user.GetString(), user.GetStringLength()}, fOptions.fUser);
  const bool passwordMatches = SameSecret({password.GetString(), password.GetStringLength()}, fOptions.fPassword);
  if (!userMatches || !passwordMatches) return Error(401, "Invalid username or password");

  const TokenPair tokens = fState.LogIn();
  return TokenAnswer(tokens.fAccess, tokens.fRefresh);
}

SimAnswer TerminalService::Refresh(const SimRequest& aRequest) {
  rapidjson::Document body;
  if (std::string fault = ParseObject(aRequest.fBody, body); !fault.empty()) return Error(400, fault);
  if (std::string fault = CheckMembers(body, {{"refresh", JsonKind::String}}); !fault.empty()) {
    return Error(400, fault);
  }
  const rapidjson::Value& member = body.FindMember("refresh")->value;
  const std::string refresh(member.GetString(), member.GetStringLength());
  const std::optional<std::string> access = fState.Refresh(refresh);
  if (!access) return Error(401, "Invalid refresh token");

  return TokenAnswer(*access, refresh);
}

SimAnswer TerminalService::TransactionInit(const SimRequest& aRequest) {
  rapidjson::Document body;
  if (std::string fault = ParseObject(aRequest.fBody, body); !fault.empty()) return Error(400, fault);
  std::string fault = CheckMembers(body, {{"TxnType", JsonKind::Integer},
                                          {"Amount", JsonKind::Integer},
                                          {"TipAmount", JsonKind::Integer},
                                          {"CurrencyCode", JsonKind::Integer},
                                          {"CustomerReference", JsonKind::String},
                                          {"Timeout", JsonKind::Integer},
                                          {"ProviderData", JsonKind::Object}});
  if (!fault.empty()) return Error(400, fault);
  const rapidjson::Value& providerData = body.FindMember("ProviderData")->value;
  fault = CheckMembers(providerData, {{"Uid", JsonKind::String},
                                      {"Mark", JsonKind::Integer},
                                      {"SignatureTimeStamp", JsonKind::String},
                                      {"NetAmount", JsonKind::Integer},
                                      {"VatAmount", JsonKind::Integer},
                                      {"TotalAmount", JsonKind::Integer},
                                      {"ProviderId", JsonKind::Integer},
                                      {"Signature", JsonKind::String}});
  if (!fault.empty()) return Error(400, "ProviderData: " + fault);

  const auto integer = [](const rapidjson::Value& aObject, const char* aName) {
    return aObject.FindMember(aName)->value.GetInt64();
  };
  const auto text = [](const rapidjson::Value& aObject, const char* aName) {
    const rapidjson::Value& value = aObject.FindMember(aName)->value;
    return std::string(value.GetString(), value.GetStringLength());
  };
  const int64_t txnType = integer(body, "TxnType");
  const int64_t amount = integer(body, "Amount");
  const int64_t tipAmount = integer(body, "TipAmount");
  const int64_t currencyCode = integer(body, "CurrencyCode");
  const int64_t timeout = integer(body, "Timeout");
  if (txnType != 0 && txnType != 1) return Error(400, "Invalid TxnType");
  // A terminal takes no zero or negative amounts; refunds are TxnType 1.
  if (amount < 1) return Error(400, "Invalid amount");
  if (tipAmount < 0) return Error(400, "Invalid tip amount");
  if (currencyCode < 1 || currencyCode > 999) return Error(400, "Invalid currency code");
  if (timeout < 1) return Error(400, "Invalid timeout");

  SignatureData signature;
  signature.fUid = text(providerData, "Uid");
  signature.fMark = integer(providerData, "Mark");
  signature.fTimeStamp = text(providerData, "SignatureTimeStamp");
  signature.fNetAmount = integer(providerData, "NetAmount");
  signature.fVatAmount = integer(providerData, "VatAmount");
  signature.fTotalAmount = integer(providerData, "TotalAmount");
  signature.fSignature = text(providerData, "Signature");
  const int64_t cents = amount % 100;
  // Only a transaction that the terminal processes spends the signature.
  const bool processed = cents != 9 && cents != 10;
  if (integer(providerData, "ProviderId") != 3 || !fState.CheckSignature(signature, processed)) {
    return Error(400, "Invalid e-invoice signature");
  }
  if (cents == 9) return HtmlServerError();
  if (cents == 10) return Error(400, "Invalid amount");

  int result = ResultByCents(cents);
  if (cents == 8) {
    // The card holder is slow; the terminal gives up after the request's Timeout.
    const auto delay = std::chrono::milliseconds(fOptions.fDelayMs);
    const auto limit = std::chrono::milliseconds(std::min<int64_t>(timeout, 24 * 3600) * 1000);
    if (!fState.Wait(std::min(delay, limit))) return Error(503, "Simulator stopping");
    if (limit < delay) result = 3;
  }

  CardTransaction transaction;
  transaction.fTransactionId = fState.NewTransactionId();
  transaction.fId = fState.NewId();
  transaction.fAmount = amount;
  transaction.fTipAmount = tipAmount;
  transaction.fCurrencyCode = currencyCode;
  const bool cardRead = result != 3;
  if (cardRead) {
    transaction.fCardPan = MaskedCardPan(amount);
    transaction.fStan = fState.NewStan();
    if (result == 1) transaction.fAuthCode = NewAuthCode();
  }
  if (result == 1) fState.KeepApproved(transaction);

  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  WriteAnswerHead(writer, fOptions.fTerminalId, transaction.fTransactionId, transaction.fId);
  writer.Key("Amount");
  writer.Int64(amount);
  writer.Key("CurrencyCode");
  writer.Int64(currencyCode);
  writer.Key("TipAmount");
  writer.Int64(tipAmount);
  writer.Key("Instalments");
  writer.Int(0);
  writer.Key("Result");
  writer.Int(result);
  if (cardRead) {
    writer.Key("Transaction");
    writer.StartObject();
    writer.Key("CardPAN");
    WriteString(writer, transaction.fCardPan);
    writer.Key("AuthCode");
    WriteString(writer, transaction.fAuthCode);
    writer.Key("STAN");
    WriteString(writer, transaction.fStan);
    writer.EndObject();
  }
  writer.EndObject();
  return {200, "application/json", buffer.GetString()};
}

SimAnswer TerminalService::TransactionVoid(const SimRequest& aRequest) {
  rapidjson::Document body;
  if (std::string fault = ParseObject(aRequest.fBody, body); !fault.empty()) return Error(400, fault);
  if (std::string fault = CheckMembers(body, {{"OriginalIdentifier", JsonKind::String},
                                              {"OriginalIdentifierType", JsonKind::Integer},
                                              {"Timeout", JsonKind::Integer}});
      !fault.empty()) {
    return Error(400, fault);
  }
  if (body.FindMember("OriginalIdentifierType")->value.GetInt64() != 1) {
    return Error(400, "Unsupported OriginalIdentifierType");
  }
  if (body.FindMember("Timeout")->value.GetInt64() < 1) return Error(400, "Invalid timeout");
  const rapidjson::Value& identifier = body.FindMember("OriginalIdentifier")->value;
  CardTransaction original;
  switch (fState.Void({identifier.GetString(), identifier.GetStringLength()}, original)) {
    case VoidOutcome::NotFound: return Error(404, "Original transaction not found");
    case VoidOutcome::AlreadyVoided: return Error(409, "Transaction already voided");
    case VoidOutcome::Voided: break;
  }

  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  const std::string voidTransactionId = fState.NewTransactionId();
  const std::string voidId = fState.NewId();
  WriteAnswerHead(writer, fOptions.fTerminalId, voidTransactionId, voidId);
  writer.Key("Result");
  writer.Int(1);
  writer.Key("Transaction");
  writer.StartObject();
  writer.Key("Amount");
  writer.Int64(original.fAmount);
  writer.Key("CurrencyCode");
  writer.Int64(original.fCurrencyCode);
  writer.Key("CardPAN");
  WriteString(writer, original.fCardPan);
  writer.Key("AuthCode");
  WriteString(writer, original.fAuthCode);
  writer.Key("STAN");
  WriteString(writer, original.fStan);
  writer.Key("TipAmount");
  writer.Int64(original.fTipAmount);
  writer.Key("Instalments");
  writer.Int(0);
  writer.EndObject();
  writer.EndObject();
  return {200, "application/json", buffer.GetString()};
}

SimAnswer SigningService::Handle(const SimRequest& aRequest) {
  const std::string* key = aRequest.Header("APIKey");
  if (key == nullptr || !SameSecret(*key, fOptions.fImpactApiKey)) return Error(401, "Invalid or missing API key");
  if (aRequest.fPath != "/PosTransactions/signpos") return UnknownPath(aRequest.fPath);
  if (aRequest.fMethod != "POST") return MethodNotAllowed();
  return Sign(aRequest);
}

SimAnswer SigningService::Sign(const SimRequest& aRequest) {
  rapidjson::Document body;
  if (std::string fault = ParseObject(aRequest.fBody, body); !fault.empty()) return Error(400, fault);
  if (std::string fault = CheckMembers(body, {{"nspCode", JsonKind::String},
                                              {"issuerTin", JsonKind::String},
                                              {"issueDate", JsonKind::String},
                                              {"branchCode", JsonKind::Integer},
                                              {"invoiceTypeCode", JsonKind::String},
                                              {"series", JsonKind::String},
                                              {"identifier", JsonKind::String},
                                              {"mark", JsonKind::Integer},
                                              {"paymentAmount", JsonKind::Number},
                                              {"totalNetAmount", JsonKind::Number},
                                              {"totalVatAmount", JsonKind::Number},
                                              {"totalAmount", JsonKind::Number},
                                              {"terminalId", JsonKind::String},
                                              {"signatureDurationType", JsonKind::String}});
      !fault.empty()) {
    return Error(400, fault);
  }
  if (!IsIsoDate(body.FindMember("issueDate")->value.GetString())) return Error(400, "Invalid issueDate");
  int64_t payment = 0, net = 0, vat = 0, total = 0;
  if (!ToHundredths(body.FindMember("paymentAmount")->value, payment)) return Error(400, "Invalid paymentAmount");
  if (!ToHundredths(body.FindMember("totalNetAmount")->value, net)) return Error(400, "Invalid totalNetAmount");
  if (!ToHundredths(body.FindMember("totalVatAmount")->value, vat)) return Error(400, "Invalid totalVatAmount");
  if (!ToHundredths(body.FindMember("totalAmount")->value, total)) return Error(400, "Invalid totalAmount");

  const int64_t cents = (payment < 0 ? -payment : payment) % 100;
  if (cents == 11) return HtmlServerError();
  if (cents == 12) return Error(503, "Signing service unavailable");

  const SignatureData signature = fState.Sign(net, vat, total);
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("input");
  WriteString(writer, signature.Input());
  writer.Key("signature");
  WriteString(writer, signature.fSignature);
  writer.EndObject();
  return {200, "application/json", buffer.GetString()};
}

}  // namespace ovsim
