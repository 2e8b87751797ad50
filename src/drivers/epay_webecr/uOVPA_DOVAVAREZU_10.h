// The payment device of this library: an EPay WebECR cloud terminal. Payments
// and refunds are signed by the e-invoicing service first, then sent to the
// terminal service, which answers when the card holder is done; voids go to
// the terminal service alone. Both services are reached over HTTPS with a
// fresh HTTP client per exchange. The shop's branches are read once, at
// construction, from the host's registry database.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/uOV_Currency.h"
#include "drivers/epay_webecr/uOVPA_ProviderData.h"
#include "payment/uOvPaymentDevice.h"

class kIOHandler_HTTP;
class OV_HttpClient;
class ovHttpSession;
class ovPaymentTables;
struct ovImpactSignature;

// Fills the branch table at construction; the deployment reads the registry database.
using kProviderDataLoader = std::function<void(kProviderData&)>;

class kPayment_DOVAVAREZU : public kPaymentDevice {
 public:
  static constexpr const char16_t* kDriverName = u"OVPA_DOVAVAREZU_10";
  static constexpr int32_t kConnectTimeoutSeconds = 10;
  // Covers the card holder at the terminal: the transaction's own "Timeout".
  static constexpr int32_t kReadTimeoutSeconds = 180;

  // Reads and checks the parameters, chooses the endpoints, logs in to the
  // terminal service (a failed log-in is recorded, not raised) and loads the
  // branches. Raises on a missing parameter, a connection that is not HTTP,
  // an unreachable registry or a malformed log-in answer.
  explicit kPayment_DOVAVAREZU(const kPaymentHandler& aHandler,
                               const kProviderDataLoader& aLoadProviderData = LoadProviderData);
  ~kPayment_DOVAVAREZU() override;

  const std::u16string& BaseURL() const { return fBaseURL; }
  const std::u16string& ImpactServerURL() const { return fImpactServerURL; }
  bool IsTest() const { return fIsTest; }
  bool TlsVerify() const { return fTlsVerify; }
  const std::u16string& AccessToken() const { return fAccessToken; }
  const std::u16string& RefreshToken() const { return fRefreshToken; }
  const kProviderData& ProviderData() const { return fProviderData; }

  // The wait for an answer in seconds: 180, or the device parameter
  // "ReadTimeout" (whole seconds from 1 to 180), which tests and diagnosis
  // use to see a late service without waiting minutes.
  int32_t ReadTimeout() const { return fReadTimeout; }
  void SetReadTimeout(int32_t aSeconds) { fReadTimeout = aSeconds; }

 protected:
  bool Pay(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) override;
  bool Refund(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) override;
  bool Void(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) override;
  bool Reprint(const kPaymentReceipt& aReceipt, _int_REPRINT_result& aResult) override;
  bool DayClose(const kPaymentDayClose& aDayClose, _int_DAYCLOSE_result& aResult) override;
  bool GetTotals(const kPaymentTotals& aTotals, _int_GETTOTALS_result& aResult) override;
  bool GetStatus() override;
  bool VerifyTran(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) override;

 private:
  void ReadParameters(const kPaymentHandler& aHandler);
  void ChooseEndpoints(const kPaymentHandler& aHandler);

  // Tokens and posting.
  bool RequestAccessToken();
  bool RefreshAccessToken();
  bool PostToTerminalService(const std::u16string& aURL);
  bool PostToSigningService(const std::u16string& aURL);
  void PrepareClient(OV_HttpClient& aClient);
  bool PostWith(OV_HttpClient& aClient, const std::u16string& aURL);

  // Signing.
  bool RequestSignature(const kPaymentReceipt& aReceipt);
  void StoreSignature();
  // Sets the signature fields, fImpactDataInput to fImpactDataProviderId.
  void KeepSignature(const ovImpactSignature& aSignature, int32_t aProviderId);

  // Transactions.
  void StartTransaction();
  bool ExecuteTransaction(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult);
  bool ExecuteVoid(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult);
  // Refreshes the access token, then posts fInputMessage to "txninit" or "txnvoid".
  bool SendInputMessage(const std::u16string& aOperation);
  void BuildTransactionRequest(const kPaymentReceipt& aReceipt);
  void BuildVoidRequest(const kPaymentReceipt& aReceipt);
  bool ParseTransactionResponse(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult);
  bool ParseVoidResponse(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult);

  std::u16string fImpactApiKey;
  std::u16string fUser;
  std::u16string fPassword;
  std::u16string fTermId;
  bool fIsTest = false;
  std::u16string fBaseURL;
  std::u16string fImpactServerURL;
  std::u16string fApiKey;
  std::u16string fAccessToken;
  std::u16string fRefreshToken;
  kProviderData fProviderData;
  std::u16string fJSONRequest;
  std::u16string fJSONResponse;
  std::u16string fImpactDataInput;
  std::u16string fImpactDataSignature;
  std::u16string fImpactDataUID;
  std::u16string fImpactDataSignatureTimeStamp;
  int32_t fImpactDataMark = 0;
  ovCurrency fImpactDataNetAmount;
  ovCurrency fImpactDataVatAmount;
  ovCurrency fImpactDataTotalAmount;
  int32_t fImpactDataProviderId = 0;
  std::u16string fInputMessage;
  kIOHandler_HTTP* fIOHandlerHTTP = nullptr;  // the base's I/O handler, not owned here

  // HTTPS settings of both services.
  bool fTlsVerify = true;
  std::u16string fCAFile;
  int32_t fReadTimeout = kReadTimeoutSeconds;
  // The exchanges of this device, one at a time, over the connections, TLS
  // sessions and certificate store they share.
  std::shared_ptr<ovHttpSession> fHttpSession;
};

// Adds the driver class to the registry under kDriverName.
void RegisterPaymentDriver_DOVAVAREZU(ovPaymentTables& aTables);
