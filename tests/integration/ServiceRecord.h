// The requests the simulator recorded (its --record file: one JSON line per
// request, written before the answer went out), read back for checks on
// what the driver sent.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <rapidjson/document.h>

struct RecordedRequest {
  std::string service;  // "terminal" or "signing"
  std::string path;
  std::map<std::string, std::string> headers;
  std::string body;

  // The body parsed as JSON (a null document when it is not JSON).
  rapidjson::Document Json() const;
  // A header by its exact name, or empty text.
  std::string Header(const std::string& aName) const;
};

// Every line of aFile in order; a line that is not a recorded request throws.
std::vector<RecordedRequest> ReadRecord(const std::string& aFile);

// The paths of aRequests from index aFrom on, for comparing sequences.
std::vector<std::string> PathsOf(const std::vector<RecordedRequest>& aRequests, size_t aFrom = 0);

// Text of a string member, the digits of a number member, or "<absent>".
std::string MemberText(const rapidjson::Value& aObject, const char* aName);
