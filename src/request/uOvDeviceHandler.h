// The request envelope every request carries: which driver, which open device,
// the identity of the device's log, how to reach the device, and the named
// driver parameters. kPaymentHandler reads its operation document from the
// same parsed tree, which Deserialize hands back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "request/uOvConnection.h"
#include "request/uOvXmlDocument.h"

class kDeviceHandler {
 public:
  kDeviceHandler();
  virtual ~kDeviceHandler();
  kDeviceHandler(const kDeviceHandler&) = delete;
  kDeviceHandler& operator=(const kDeviceHandler&) = delete;

  // Parses the request text and fills the fields; raises the XML parser's
  // message, the node readers' messages and the word-table messages.
  std::unique_ptr<ovXmlDocument> Deserialize(const std::u16string& aXml);
  // The envelope as XML text (no indentation).
  std::u16string Serialize() const;

  // Lookup by name without regard to letter case; the first line wins.
  std::u16string GetParameter(const std::u16string& aName) const;
  bool ParameterExists(const std::u16string& aName) const;
  // Sets the line named aName (stored in aName's letter case), adding one when
  // missing; an empty value removes it.
  void SetParameter(const std::u16string& aName, const std::u16string& aValue);

  const std::u16string& Type() const { return fType; }
  const std::u16string& Driver() const { return fDriver; }
  const std::u16string& Method() const { return fMethod; }
  void SetType(const std::u16string& aValue) { fType = aValue; }
  void SetDriver(const std::u16string& aValue) { fDriver = aValue; }
  void SetMethod(const std::u16string& aValue) { fMethod = aValue; }
  kConnection& Connection() { return *fConnection; }
  const kConnection& Connection() const { return *fConnection; }
  int32_t DeviceHandle() const { return fDeviceHandle; }
  void SetDeviceHandle(int32_t aValue) { fDeviceHandle = aValue; }
  const std::u16string& LogId() const { return fLogId; }
  void SetLogId(const std::u16string& aValue) { fLogId = aValue; }
  // Lines "name=value" in request order.
  const std::vector<std::u16string>& Parameters() const { return fParameters; }

 private:
  void ReadConnection(const ovXmlElement& aConnectionNode);
  void ReadParameters(const ovXmlElement& aParametersNode);

  std::u16string fType;
  std::u16string fDriver;
  std::u16string fMethod;
  std::unique_ptr<kConnection> fConnection;
  int32_t fDeviceHandle = 0;
  std::vector<std::u16string> fParameters;
  std::u16string fLogId;
};
