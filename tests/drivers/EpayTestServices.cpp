#include "drivers/EpayTestServices.h"

#include <thread>

namespace {

const char* const kApprovedPayment =
    R"({"Status":0,"Terminal":"T1","TransactionId":"99","Id":"abc","Amount":1250,"CurrencyCode":978,)"
    R"("Transaction":{"CardPAN":"476173******0010","AuthCode":"A12345","STAN":"123"},)"
    R"("TipAmount":0,"Instalments":0,"Result":1})";
const char* const kApprovedVoid =
    R"({"Status":0,"Terminal":"T1","Id":"void-7","Result":1,"Transaction":{"Amount":1250,"CurrencyCode":978,)"
    R"("CardPAN":"521234******0001","AuthCode":"A12345","STAN":"124","TipAmount":50,"Instalments":2}})";

}  // namespace

std::string EpayRequest::Header(const std::string& aName) const {
  const auto found = headers.find(aName);
  return found == headers.end() ? std::string() : found->second;
}

std::string TerminalPath(const std::string& aOperation) {
  return std::string("/terminal/") + EpayTestServices::kTerminalId + "/" + aOperation;
}

EpayTestServices::EpayTestServices() : fServer(&fCertificate) {
  fCertificate.WriteCaFile(fFolder.Path() / "ca.pem");
  fAnswers["/token"] = {200, R"({"access":"ACCESS-1","refresh":"REFRESH-1"})"};
  fAnswers["/token/refresh"] = {200, R"({"access":"ACCESS-2"})"};
  fAnswers["/PosTransactions/signpos"] = {200, std::string(R"({"input":")") + kSignatureInput +
                                                   R"(","signature":"SIG\/1=="})"};
  fAnswers[TerminalPath("txninit")] = {200, kApprovedPayment};
  fAnswers[TerminalPath("txnvoid")] = {200, kApprovedVoid};
  fServer.Server().Post(".*", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
    EpayAnswer answer{404, R"({"error":"Not found"})"};
    {
      std::lock_guard lock(fMutex);
      fRequests.push_back(
          {aRequest.path, {aRequest.headers.begin(), aRequest.headers.end()}, aRequest.body, aRequest.remote_port});
      const auto found = fAnswers.find(aRequest.path);
      if (found != fAnswers.end()) answer = found->second;
    }
    // A terminal that is slow to answer: the card holder is still at it.
    if (answer.delay.count() > 0) std::this_thread::sleep_for(answer.delay);
    aResponse.status = answer.status;
    if (answer.cutAfter < answer.body.size()) {
      aResponse.set_content_provider(answer.body.size(), answer.contentType,
                                     [answer](size_t, size_t, httplib::DataSink& aSink) {
                                       aSink.write(answer.body.data(), answer.cutAfter);
                                       return false;  // the connection closes here
                                     });
      return;
    }
    aResponse.set_content(answer.body, answer.contentType);
  });
  // More requests per connection than the library's default of five, so that
  // a test sees the client's reuse, not the server's limit.
  fServer.Server().set_keep_alive_max_count(100);
  fServer.Start();
}

std::u16string EpayTestServices::CaFile() const { return (fFolder.Path() / "ca.pem").u16string(); }

void EpayTestServices::Answer(const std::string& aPath, EpayAnswer aAnswer) {
  std::lock_guard lock(fMutex);
  fAnswers[aPath] = std::move(aAnswer);
}

std::vector<EpayRequest> EpayTestServices::Requests() const {
  std::lock_guard lock(fMutex);
  return fRequests;
}

std::vector<std::string> EpayTestServices::Paths() const {
  std::vector<std::string> paths;
  for (const auto& request : Requests()) paths.push_back(request.path);
  return paths;
}

std::string EpayTestServices::LastBody(const std::string& aPath) const {
  const auto requests = Requests();
  for (auto it = requests.rbegin(); it != requests.rend(); ++it) {
    if (it->path == aPath) return it->body;
  }
  return {};
}
