// Appends every request the simulator receives to a file, one JSON line per
// request, written and flushed before the answer goes out: a client holding
// its answer finds its line.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "sim/Services.h"

namespace ovsim {

class RequestRecorder {
 public:
  // Opens aPath for appending (creating it); throws std::runtime_error.
  explicit RequestRecorder(const std::string& aPath);
  ~RequestRecorder();
  RequestRecorder(const RequestRecorder&) = delete;
  RequestRecorder& operator=(const RequestRecorder&) = delete;

  // False when the line could not be written (reported by the caller).
  bool Append(const std::string& aService, const SimRequest& aRequest);

  // The line Append writes, without its line feed.
  static std::string Line(const std::string& aService, const SimRequest& aRequest);

 private:
  std::mutex fMutex;
  std::FILE* fFile = nullptr;
};

}  // namespace ovsim
