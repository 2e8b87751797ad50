// The two simulated services as plain request-to-answer functions, apart
// from the HTTPS servers that carry them (Simulator). Both read the same
// ServiceState.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sim/ServiceState.h"
#include "sim/SimOptions.h"

namespace ovsim {

struct SimRequest {
  std::string fMethod;
  std::string fPath;
  std::vector<std::pair<std::string, std::string>> fHeaders;  // as received
  std::string fBody;

  // The first header of that name, compared without regard to case.
  const std::string* Header(const std::string& aName) const;
};

struct SimAnswer {
  int fStatus = 200;
  std::string fContentType = "application/json";
  std::string fBody;
};

// The EPay WebECR terminal service: "/token", "/token/refresh",
// "/terminal/{id}/txninit" and "/terminal/{id}/txnvoid".
class TerminalService {
 public:
  TerminalService(const SimOptions& aOptions, ServiceState& aState) : fOptions(aOptions), fState(aState) {}
  SimAnswer Handle(const SimRequest& aRequest);

 private:
  SimAnswer LogIn(const SimRequest& aRequest);
  SimAnswer Refresh(const SimRequest& aRequest);
  SimAnswer TransactionInit(const SimRequest& aRequest);
  SimAnswer TransactionVoid(const SimRequest& aRequest);
  bool HasCurrentBearer(const SimRequest& aRequest) const;

  const SimOptions& fOptions;
  ServiceState& fState;
};

// The Impact e-invoice signing service: "/PosTransactions/signpos".
class SigningService {
 public:
  SigningService(const SimOptions& aOptions, ServiceState& aState) : fOptions(aOptions), fState(aState) {}
  SimAnswer Handle(const SimRequest& aRequest);

 private:
  SimAnswer Sign(const SimRequest& aRequest);

  const SimOptions& fOptions;
  ServiceState& fState;
};

// The page a failing web server in front of either service would send.
SimAnswer HtmlServerError();

}  // namespace ovsim
