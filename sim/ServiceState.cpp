#include "sim/ServiceState.h"

#include <cstdio>
#include <ctime>

#include "sim/Crypto.h"

namespace ovsim {

namespace {

std::string NewToken() { return Base64Url(RandomBytes(32)); }

std::string LocalTimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  return text;
}

}  // namespace

std::string SignatureData::Input() const {
  return fUid + ";" + std::to_string(fMark) + ";" + fTimeStamp + ";" + std::to_string(fNetAmount) + ";" +
         std::to_string(fVatAmount) + ";" + std::to_string(fTotalAmount);
}

ServiceState::ServiceState()
    : fSigningSecret(RandomBytes(32)),
      // Milliseconds since 1970 as the first id: ids of a later run do not
      // repeat those an integrator's database kept from an earlier one.
      fNextTransactionId(static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                   std::chrono::system_clock::now().time_since_epoch())
                                                   .count())) {}

TokenPair ServiceState::LogIn() {
  TokenPair pair{NewToken(), NewToken()};
  std::lock_guard lock(fMutex);
  fAccessByRefresh[pair.fRefresh] = pair.fAccess;
  fCurrentAccess.insert(pair.fAccess);
  return pair;
}

std::optional<std::string> ServiceState::Refresh(const std::string& aRefreshToken) {
  std::string access = NewToken();
  std::lock_guard lock(fMutex);
  const auto session = fAccessByRefresh.find(aRefreshToken);
  if (session == fAccessByRefresh.end()) return std::nullopt;
  fCurrentAccess.erase(session->second);
  session->second = access;
  fCurrentAccess.insert(access);
  return access;
}

bool ServiceState::IsCurrentAccessToken(const std::string& aAccessToken) const {
  std::lock_guard lock(fMutex);
  return fCurrentAccess.count(aAccessToken) != 0;
}

SignatureData ServiceState::Sign(int64_t aNetAmount, int64_t aVatAmount, int64_t aTotalAmount) {
  SignatureData data;
  data.fUid = HexUpper(RandomBytes(20));
  data.fTimeStamp = LocalTimeStamp();
  data.fNetAmount = aNetAmount;
  data.fVatAmount = aVatAmount;
  data.fTotalAmount = aTotalAmount;
  std::lock_guard lock(fMutex);
  data.fMark = fNextMark++;
  data.fSignature = Base64(HmacSha256(fSigningSecret, data.Input()));
  fSignaturesByUid[data.fUid] = {data, false};
  return data;
}

bool ServiceState::CheckSignature(const SignatureData& aData, bool aSpend) {
  std::lock_guard lock(fMutex);
  const auto issued = fSignaturesByUid.find(aData.fUid);
  if (issued == fSignaturesByUid.end() || issued->second.second) return false;
  // The signature covers the input text: any member changed on the way fails.
  if (!(issued->second.first == aData) ||
      !SameSecret(aData.fSignature, Base64(HmacSha256(fSigningSecret, aData.Input())))) {
    return false;
  }
  if (aSpend) issued->second.second = true;
  return true;
}

void ServiceState::KeepApproved(const CardTransaction& aTransaction) {
  std::lock_guard lock(fMutex);
  fApproved[aTransaction.fTransactionId] = aTransaction;
}

VoidOutcome ServiceState::Void(const std::string& aTransactionId, CardTransaction& aOriginal) {
  std::lock_guard lock(fMutex);
  const auto found = fApproved.find(aTransactionId);
  if (found == fApproved.end()) return VoidOutcome::NotFound;
  if (found->second.fVoided) return VoidOutcome::AlreadyVoided;
  found->second.fVoided = true;
  aOriginal = found->second;
  return VoidOutcome::Voided;
}

std::string ServiceState::NewTransactionId() {
  std::lock_guard lock(fMutex);
  return std::to_string(fNextTransactionId++);
}

std::string ServiceState::NewId() {
  std::string bytes = RandomBytes(16);
  bytes[6] = static_cast<char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  std::string hex = HexUpper(bytes);
  for (char& c : hex) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
  return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
         hex.substr(20);
}

std::string ServiceState::NewStan() {
  int stan = 0;
  {
    std::lock_guard lock(fMutex);
    stan = fNextStan;
    fNextStan = fNextStan % 999999 + 1;
  }
  char text[8];
  std::snprintf(text, sizeof text, "%06d", stan);
  return text;
}

bool ServiceState::Wait(std::chrono::milliseconds aDuration) {
  std::unique_lock lock(fWaitMutex);
  return !fWaitSignal.wait_for(lock, aDuration, [this] { return fStopping; });
}

void ServiceState::StopWaiting() {
  {
    std::lock_guard lock(fWaitMutex);
    fStopping = true;
  }
  fWaitSignal.notify_all();
}

}  // namespace ovsim
