// What the two simulated services share in one process: the sessions of the
// terminal service, the e-invoice signatures issued by the signing service
// (which the terminal service accepts once each), and the transactions that
// can be voided. Every member is safe to call from the server threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace ovsim {

struct TokenPair {
  std::string fAccess;
  std::string fRefresh;
};

// The members of a signature as the signing service answers them and as
// txninit carries them back in "ProviderData".
struct SignatureData {
  std::string fUid;
  int64_t fMark = 0;
  std::string fTimeStamp;  // yyyyMMddHHmmss, local time
  int64_t fNetAmount = 0;  // hundredths
  int64_t fVatAmount = 0;
  int64_t fTotalAmount = 0;
  std::string fSignature;  // base64 HMAC-SHA256 of Input()

  // "<uid>;<mark>;<timestamp>;<net>;<vat>;<total>"
  std::string Input() const;
  bool operator==(const SignatureData&) const = default;
};

struct CardTransaction {
  std::string fTransactionId;  // digits; what a void names
  std::string fId;
  int64_t fAmount = 0;  // hundredths
  int64_t fTipAmount = 0;
  int64_t fCurrencyCode = 0;
  std::string fCardPan;  // masked
  std::string fAuthCode;
  std::string fStan;
  bool fVoided = false;
};

enum class VoidOutcome { Voided, NotFound, AlreadyVoided };

class ServiceState {
 public:
  ServiceState();

  // A new session: a fresh access and refresh token.
  TokenPair LogIn();
  // A new access token for a refresh token issued here; the session's former
  // access token stops working. Nothing for an unknown refresh token.
  std::optional<std::string> Refresh(const std::string& aRefreshToken);
  bool IsCurrentAccessToken(const std::string& aAccessToken) const;

  // Issues a signature over the three amounts (hundredths).
  SignatureData Sign(int64_t aNetAmount, int64_t aVatAmount, int64_t aTotalAmount);
  // True when aData is exactly a signature issued here and not yet spent;
  // aSpend marks it spent in the same step, so that two transactions racing
  // with one signature cannot both have it.
  bool CheckSignature(const SignatureData& aData, bool aSpend);

  // Keeps an approved transaction so that it can be voided once.
  void KeepApproved(const CardTransaction& aTransaction);
  VoidOutcome Void(const std::string& aTransactionId, CardTransaction& aOriginal);

  std::string NewTransactionId();
  std::string NewId();    // a UUID, unlike the digits of transaction ids
  std::string NewStan();  // six digits, counting

  // Waits aDuration; false when StopWaiting came first.
  bool Wait(std::chrono::milliseconds aDuration);
  void StopWaiting();

 private:
  const std::string fSigningSecret;  // per process: signatures of an earlier run are void

  mutable std::mutex fMutex;
  std::map<std::string, std::string> fAccessByRefresh;
  std::set<std::string> fCurrentAccess;
  std::map<std::string, std::pair<SignatureData, bool>> fSignaturesByUid;  // second: spent
  std::map<std::string, CardTransaction> fApproved;
  int64_t fNextMark = 400000001;
  uint64_t fNextTransactionId;
  int fNextStan = 1;

  std::mutex fWaitMutex;
  std::condition_variable fWaitSignal;
  bool fStopping = false;
};

}  // namespace ovsim
