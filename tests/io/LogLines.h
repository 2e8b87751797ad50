// Reading a handler's log in the tests: the clock is fixed, so every line
// starts with the same timestamp, and a message may itself hold line breaks.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ovClock.h"
#include "support/WholeFile.h"

inline const ovLocalTime kLogTestTime{2024, 3, 15, 14, 30, 5, 123};
inline const std::string kLogTestStamp = "2024-03-15 14:30:05:123 - ";

// The messages of the log, without timestamp and final CR LF; error lines
// keep their "ERROR - " marker.
inline std::vector<std::string> LogMessages(const std::filesystem::path& aPath) {
  const std::string content = ReadWholeFile(aPath);
  std::vector<std::string> messages;
  size_t at = content.find(kLogTestStamp);
  while (at != std::string::npos) {
    const size_t start = at + kLogTestStamp.size();
    const size_t next = content.find("\r\n" + kLogTestStamp, start);
    const size_t end = next == std::string::npos ? content.size() - 2 : next;
    messages.push_back(content.substr(start, end - start));
    at = next == std::string::npos ? next : next + 2;
  }
  return messages;
}

inline const std::string kStartBanner = "*************************** START ***************************";
inline const std::string kStopBanner = "*************************** STOP ****************************";
inline const std::string kConnectBanner(61, '*');
