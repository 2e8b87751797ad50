// What one payment costs against what the network itself costs, in one run:
// N payments through the exports (OPEN once, then PAY), and beside them the
// floor, the same three POSTs per payment (signature, token refresh,
// transaction) with libcurl on kept-alive connections, one per service. Both
// run against the same simulator (another process, so that the CPU measured
// here is the client's alone), once on loopback and once through a delay line
// holding each direction's data 25 ms. The system's certificate store is in
// the CA file both clients trust, so its cost is in the figures.
//
//   bench_pay TERMINAL_URL SIGNING_URL CA_FILE [PAYMENTS]
//
// run in a till folder holding ovFP_RORUZEZU_10.ini (scripts/bench-pay does
// all of it). OV_PAY_LIBRARY names the library (default: beside this program).
#include <curl/curl.h>
#include <rapidjson/document.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench/DelayLine.h"
#include "platform/ovDynLib.h"
#include "platform/ovHostStrings.h"
#include "platform/ovProcess.h"
#include "platform/ovPaths.h"
#include "platform/ovUtf.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Figures {
  double medianMs = 0;
  double p95Ms = 0;
  double cpuMs = 0;  // per payment
};

// Times aPayment aCount times after three warm-up runs.
Figures Measure(int aCount, const std::function<bool()>& aPayment) {
  for (int i = 0; i < 3; ++i) aPayment();
  std::vector<double> walls;
  const double cpuBefore = CpuSeconds();
  for (int i = 0; i < aCount; ++i) {
    const auto start = Clock::now();
    if (!aPayment()) {
      std::fprintf(stderr, "bench_pay: a payment failed\n");
      std::exit(1);
    }
    walls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  const double cpu = (CpuSeconds() - cpuBefore) * 1000 / aCount;
  std::sort(walls.begin(), walls.end());
  return {walls[walls.size() / 2], walls[std::min(walls.size() - 1, walls.size() * 95 / 100)], cpu};
}

// --- the library, as a host loads it ------------------------------------------

class Library {
 public:
  Library() {
    const char* path = std::getenv("OV_PAY_LIBRARY");
    const std::u16string library =
        path ? Utf8ToUtf16(path) : JoinPath(JoinPath(HostExecutableFolder(), u".."), u"OVPA_DOVAVAREZU_10.so");
    std::u16string error;
    int32_t code = 0;
    fModule = LoadDynamicLibrary(library, error, code);
    if (fModule == nullptr) {
      std::fprintf(stderr, "bench_pay: %s\n", Utf16ToUtf8(error).c_str());
      std::exit(1);
    }
    fStrings.emplace(fModule);
  }
  // The output fragment; aResult the export's answer.
  std::string Call(const char* aExport, const std::string& aRequest, int& aResult) {
    const auto operation = reinterpret_cast<OvpaOperation>(DynamicLibrarySymbol(fModule, AsciiToUtf16(aExport)));
    BSTR request = fStrings->Make(Utf8ToUtf16(aRequest));
    BSTR output = nullptr;
    BSTR message = nullptr;
    aResult = operation(request, &output, &message);
    fStrings->Free(request);
    const std::string text = Utf16ToUtf8(fStrings->Take(output)) + Utf16ToUtf8(fStrings->Take(message));
    return text;
  }

 private:
  ovLibraryHandle fModule = nullptr;
  std::optional<ovHostStrings> fStrings;
};

std::string Element(const std::string& aName, const std::string& aValue) {
  return "<" + aName + ">" + aValue + "</" + aName + ">";
}

std::string Envelope(const std::string& aBody) {
  return "<ReceiptPrinterManager>" + Element("Driver", "OVPA_DOVAVAREZU_10") + aBody + "</ReceiptPrinterManager>";
}

const char* const kPayment =
    "<Payment><StoreCode>12</StoreCode><TillCode>3</TillCode><Reference>R</Reference><Amount>20.00</Amount>"
    "<Currency>EUR</Currency><DocumentNetAmount>16.13</DocumentNetAmount><DocumentVatAmount>3.87</DocumentVatAmount>"
    "<DocumentAmount>20.00</DocumentAmount></Payment>";

Figures LibraryPayments(Library& aLibrary, const std::string& aTerminal, const std::string& aSigning,
                        const std::string& aCaFile, int aCount) {
  const std::string parameters =
      Element("ImpactApiKey", "impact-demo-key") + Element("User", "demo") + Element("Password", "demo-password") +
      Element("TermId", "T1001") + Element("BaseURL", aTerminal) + Element("ImpactServerURL", aSigning) +
      Element("CAFile", aCaFile);
  int result = 0;
  const std::string open = aLibrary.Call(
      "OPEN", Envelope(Element("LogId", "bench") + Element("Connection", Element("Type", "HTTP")) +
                       Element("Parameters", parameters)),
      result);
  if (result != 0) {
    std::fprintf(stderr, "bench_pay: OPEN failed: %s\n", open.c_str());
    std::exit(1);
  }
  const std::string handle = open.substr(8, open.find("</Handle>") - 8);
  const std::string pay = Envelope(Element("Handle", handle) + kPayment);
  const Figures figures = Measure(aCount, [&] {
    int answer = 0;
    aLibrary.Call("PAY", pay, answer);
    return answer == 0;
  });
  aLibrary.Call("CLOSE", Envelope(Element("Handle", handle)), result);
  return figures;
}

// --- the floor: the same exchanges with libcurl alone --------------------------

class KeptAlive {
 public:
  explicit KeptAlive(const std::string& aCaFile) : fCurl(curl_easy_init()) {
    curl_easy_setopt(fCurl, CURLOPT_CAINFO, aCaFile.c_str());
    curl_easy_setopt(fCurl, CURLOPT_WRITEFUNCTION, &KeptAlive::OnBody);
    curl_easy_setopt(fCurl, CURLOPT_WRITEDATA, &fBody);
  }
  ~KeptAlive() { curl_easy_cleanup(fCurl); }
  const std::string& Post(const std::string& aUrl, const std::string& aBody, const std::vector<std::string>& aHeaders) {
    fBody.clear();
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
    headers = curl_slist_append(headers, "Expect:");
    for (const std::string& header : aHeaders) headers = curl_slist_append(headers, header.c_str());
    curl_easy_setopt(fCurl, CURLOPT_URL, aUrl.c_str());
    curl_easy_setopt(fCurl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(fCurl, CURLOPT_POSTFIELDS, aBody.c_str());
    curl_easy_perform(fCurl);
    curl_slist_free_all(headers);
    return fBody;
  }

 private:
  static size_t OnBody(char* aData, size_t aSize, size_t aCount, void* aBody) {
    static_cast<std::string*>(aBody)->append(aData, aSize * aCount);
    return aSize * aCount;
  }
  CURL* fCurl;
  std::string fBody;
};

std::string Member(const std::string& aJson, const char* aName) {
  rapidjson::Document document;
  document.Parse(aJson.c_str());
  if (document.HasParseError() || !document.IsObject() || !document.HasMember(aName)) return {};
  return document[aName].GetString();
}

Figures FloorPayments(const std::string& aTerminal, const std::string& aSigning, const std::string& aCaFile,
                      int aCount) {
  KeptAlive terminal(aCaFile);
  KeptAlive signing(aCaFile);
  const std::string refresh =
      Member(terminal.Post(aTerminal + "/token", R"({"username":"demo","password":"demo-password"})", {}), "refresh");
  const std::string sale =
      R"({"nspCode":"EuronetWeb","issuerTin":"EL094019245","issueDate":"2026-01-01","branchCode":3,)"
      R"("invoiceTypeCode":"11.1","series":"A","identifier":"identifier","mark":0,"paymentAmount":20.0,)"
      R"("totalNetAmount":16.13,"totalVatAmount":3.87,"totalAmount":20.0,"terminalId":"T1001",)"
      R"("signatureDurationType":"H_24"})";
  return Measure(aCount, [&] {
    const std::string signature = signing.Post(aSigning + "/PosTransactions/signpos", sale,
                                               {"APIKey: impact-demo-key", "Accept: */*"});
    const std::string input = Member(signature, "input");
    std::vector<std::string> fields;
    for (size_t start = 0, end; start <= input.size(); start = end + 1) {
      end = input.find(';', start);
      if (end == std::string::npos) end = input.size();
      fields.push_back(input.substr(start, end - start));
    }
    if (fields.size() < 6) return false;
    const std::string access = Member(terminal.Post(aTerminal + "/token/refresh", R"({"refresh":")" + refresh + "\"}", {}),
                                      "access");
    const std::string transaction =
        R"({"TxnType":0,"Amount":2000,"TipAmount":0,"CurrencyCode":978,"CustomerReference":"R","Timeout":180,)"
        R"("ProviderData":{"Uid":")" + fields[0] + R"(","Mark":)" + fields[1] + R"(,"SignatureTimeStamp":")" +
        fields[2] + R"(","NetAmount":)" + fields[3] + R"(,"VatAmount":)" + fields[4] + R"(,"TotalAmount":)" +
        fields[5] + R"(,"ProviderId":3,"Signature":")" + Member(signature, "signature") + R"("}})";
    const std::string answer =
        terminal.Post(aTerminal + "/terminal/T1001/txninit", transaction, {"Authorization: Bearer " + access});
    return answer.find("\"Result\":1") != std::string::npos;
  });
}

void Report(const char* aSetting, const Figures& aLibrary, const Figures& aFloor) {
  std::printf("%-26s library: median %8.2f ms  p95 %8.2f ms  CPU %6.2f ms   floor: median %8.2f ms  p95 %8.2f ms"
              "  CPU %6.2f ms   ratio %.2fx\n",
              aSetting, aLibrary.medianMs, aLibrary.p95Ms, aLibrary.cpuMs, aFloor.medianMs, aFloor.p95Ms,
              aFloor.cpuMs, aLibrary.medianMs / aFloor.medianMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench_pay TERMINAL_URL SIGNING_URL CA_FILE [PAYMENTS]\n");
    return 2;
  }
  const std::string terminal = argv[1];
  const std::string signing = argv[2];
  const std::string caFile = argv[3];
  const int payments = argc > 4 ? std::atoi(argv[4]) : 50;
  // 25 ms each way: a 50 ms round trip between the till and each service.
  // The relays' processes start before this one has threads.
  const DelayLine terminalLine(PortOf(terminal), std::chrono::milliseconds(25));
  const DelayLine signingLine(PortOf(signing), std::chrono::milliseconds(25));
  curl_global_init(CURL_GLOBAL_DEFAULT);
  Library library;

  Report("loopback", LibraryPayments(library, terminal, signing, caFile, payments),
         FloorPayments(terminal, signing, caFile, payments));

  const std::string slowTerminal = "https://127.0.0.1:" + std::to_string(terminalLine.Port());
  const std::string slowSigning = "https://127.0.0.1:" + std::to_string(signingLine.Port());
  const int slowPayments = std::max(5, payments / 5);
  Report("50 ms round trip", LibraryPayments(library, slowTerminal, slowSigning, caFile, slowPayments),
         FloorPayments(slowTerminal, slowSigning, caFile, slowPayments));
  return 0;
}
