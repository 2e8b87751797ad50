#include "sim/RequestRecorder.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <strings.h>

#include "sim/Json.h"

namespace ovsim {

RequestRecorder::RequestRecorder(const std::string& aPath) {
  fFile = std::fopen(aPath.c_str(), "ab");
  if (fFile == nullptr) {
    throw std::runtime_error("cannot open the record file " + aPath + ": " + std::strerror(errno));
  }
}

RequestRecorder::~RequestRecorder() { std::fclose(fFile); }

std::string RequestRecorder::Line(const std::string& aService, const SimRequest& aRequest) {
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("service");
  WriteString(writer, aService);
  writer.Key("method");
  WriteString(writer, ValidUtf8(aRequest.fMethod));
  writer.Key("path");
  WriteString(writer, ValidUtf8(aRequest.fPath));
  writer.Key("headers");
  writer.StartObject();
  // One member per name, in the order of first appearance: a JSON object
  // with a repeated name would be read differently by different parsers.
  std::vector<bool> written(aRequest.fHeaders.size(), false);
  for (size_t i = 0; i < aRequest.fHeaders.size(); ++i) {
    if (written[i]) continue;
    const std::string& name = aRequest.fHeaders[i].first;
    std::string value = aRequest.fHeaders[i].second;
    for (size_t k = i + 1; k < aRequest.fHeaders.size(); ++k) {
      if (!written[k] && strcasecmp(aRequest.fHeaders[k].first.c_str(), name.c_str()) == 0) {
        value += ", " + aRequest.fHeaders[k].second;
        written[k] = true;
      }
    }
    const std::string key = ValidUtf8(name);
    writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    WriteString(writer, ValidUtf8(value));
  }
  writer.EndObject();
  writer.Key("body");
  WriteString(writer, ValidUtf8(aRequest.fBody));
  writer.EndObject();
  return buffer.GetString();
}

bool RequestRecorder::Append(const std::string& aService, const SimRequest& aRequest) {
  const std::string line = Line(aService, aRequest) + "\n";
  std::lock_guard lock(fMutex);
  return std::fwrite(line.data(), 1, line.size(), fFile) == line.size() && std::fflush(fFile) == 0;
}

}  // namespace ovsim
