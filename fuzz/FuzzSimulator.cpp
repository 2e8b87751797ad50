// The simulator's request handlers, with one state for the whole run so
// that tokens and signatures it issued can come back: the first line is the
// path, the rest the body, posted to both services.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "sim/Services.h"

namespace {

ovsim::SimOptions& Options() {
  static ovsim::SimOptions& options = *new ovsim::SimOptions;
  return options;
}

ovsim::ServiceState& State() {
  static ovsim::ServiceState& state = *new ovsim::ServiceState;
  return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::string input(reinterpret_cast<const char*>(aData), aSize);
  const size_t lineEnd = input.find('\n');
  ovsim::SimRequest request;
  request.fMethod = "POST";
  request.fPath = input.substr(0, lineEnd);
  request.fBody = lineEnd == std::string::npos ? std::string() : input.substr(lineEnd + 1);
  request.fHeaders = {{"Content-Type", "application/json"}, {"APIKey", Options().fImpactApiKey},
                      {"Authorization", "Bearer " + request.fBody.substr(0, 64)}};
  ovsim::TerminalService terminal(Options(), State());
  ovsim::SigningService signing(Options(), State());
  terminal.Handle(request);
  signing.Handle(request);
  return 0;
}
