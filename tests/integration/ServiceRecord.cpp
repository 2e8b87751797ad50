#include "integration/ServiceRecord.h"

#include <fstream>
#include <stdexcept>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

rapidjson::Document RecordedRequest::Json() const {
  rapidjson::Document document;
  document.Parse(body.c_str(), body.size());
  if (document.HasParseError()) document.SetNull();
  return document;
}

std::string RecordedRequest::Header(const std::string& aName) const {
  const auto found = headers.find(aName);
  return found == headers.end() ? std::string() : found->second;
}

std::vector<RecordedRequest> ReadRecord(const std::string& aFile) {
  std::vector<RecordedRequest> requests;
  std::ifstream file(aFile);
  for (std::string line; std::getline(file, line);) {
    if (line.empty()) continue;
    rapidjson::Document document;
    document.Parse(line.c_str(), line.size());
    if (document.HasParseError() || !document.IsObject() || !document.HasMember("path") ||
        !document.HasMember("headers") || !document.HasMember("body")) {
      throw std::runtime_error("not a recorded request: " + line);
    }
    RecordedRequest request;
    request.service = document["service"].GetString();
    request.path = document["path"].GetString();
    request.body = document["body"].GetString();
    for (const auto& header : document["headers"].GetObject()) {
      request.headers[header.name.GetString()] = header.value.GetString();
    }
    requests.push_back(std::move(request));
  }
  return requests;
}

std::vector<std::string> PathsOf(const std::vector<RecordedRequest>& aRequests, size_t aFrom) {
  std::vector<std::string> paths;
  for (size_t i = aFrom; i < aRequests.size(); ++i) paths.push_back(aRequests[i].path);
  return paths;
}

std::string MemberText(const rapidjson::Value& aObject, const char* aName) {
  if (!aObject.IsObject() || !aObject.HasMember(aName)) return "<absent>";
  const rapidjson::Value& value = aObject[aName];
  if (value.IsString()) return value.GetString();
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  value.Accept(writer);
  return buffer.GetString();
}
