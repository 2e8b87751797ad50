#include "request/uOvDeviceHandler.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "request/uOvReceipt.h"

namespace {

std::u16string NamePart(const std::u16string& aLine) { return aLine.substr(0, aLine.find(u'=')); }

std::u16string ValuePart(const std::u16string& aLine) {
  const auto equals = aLine.find(u'=');
  return equals == std::u16string::npos ? std::u16string() : aLine.substr(equals + 1);
}

void AddTextChild(pugi::xml_node& aParent, const std::u16string& aName, const std::u16string& aValue) {
  aParent.append_child(Utf16ToUtf8(aName).c_str()).text().set(Utf16ToUtf8(aValue).c_str());
}

}  // namespace

kDeviceHandler::kDeviceHandler() : fConnection(std::make_unique<kConnection>()) {}

kDeviceHandler::~kDeviceHandler() = default;

std::unique_ptr<ovXmlDocument> kDeviceHandler::Deserialize(const std::u16string& aXml) {
  auto document = ovXmlDocument::Parse(aXml);
  const ovXmlElement root = document->Root();
  fType = krptUtil::GetNodeValueAsString(root, u"Type");
  fDriver = krptUtil::GetNodeValueAsString(root, u"Driver");
  fMethod = krptUtil::GetNodeValueAsString(root, u"Method");
  fDeviceHandle = krptUtil::GetNodeValueAsInteger(root, u"Handle");
  fLogId = krptUtil::GetNodeValueAsString(root, u"LogId");
  if (const auto connection = krptUtil::FindChild(root, u"Connection")) ReadConnection(connection);
  if (const auto parameters = krptUtil::FindChild(root, u"Parameters")) ReadParameters(parameters);
  if (ParameterExists(u"DeviceName")) fConnection->SetDeviceName(GetParameter(u"DeviceName"));
  if (ParameterExists(u"ConnectTimeout")) fConnection->SetConnectTimeOut(StrToInt(GetParameter(u"ConnectTimeout")));
  return document;
}

void kDeviceHandler::ReadConnection(const ovXmlElement& aNode) {
  kConnection& c = *fConnection;
  c.SetConnectionType(kConnection::ConvertConnectionType(krptUtil::GetNodeValueAsString(aNode, u"Type")));
  c.SetConnectTimeOut(krptUtil::GetNodeValueAsInteger(aNode, u"ConnectTimeout"));
  c.SetReadTimeOut(krptUtil::GetNodeValueAsInteger(aNode, u"ReadTimeout"));
  auto readNetworkAccess = [&] {
    c.SetURL(krptUtil::GetNodeValueAsString(aNode, u"URL"));
    c.SetAuthType(kConnection::ConvertAuthType(krptUtil::GetNodeValueAsString(aNode, u"AuthType")));
    c.SetUser(krptUtil::GetNodeValueAsString(aNode, u"User"));
    c.SetPassword(krptUtil::GetNodeValueAsString(aNode, u"Password"));
  };
  switch (c.ConnectionType()) {
    case ovConnectionType::OPOS:
      c.SetDeviceName(krptUtil::GetNodeValueAsString(aNode, u"DeviceName"));
      // The control: a ProgID on Windows, the plug-in library elsewhere.
      c.SetLibraryName(krptUtil::GetNodeValueAsString(aNode, u"LibraryName"));
      break;
    case ovConnectionType::TCP:
    case ovConnectionType::HTTP:
      c.SetAddress(krptUtil::GetNodeValueAsString(aNode, u"Address"));
      c.SetPort(krptUtil::GetNodeValueAsInteger(aNode, u"Port"));
      readNetworkAccess();
      break;
    case ovConnectionType::Serial:
      c.SetSerialPort(krptUtil::GetNodeValueAsString(aNode, u"SerialPort"));
      c.SetSpeed(krptUtil::GetNodeValueAsInteger(aNode, u"Speed"));
      c.SetDataBits(krptUtil::GetNodeValueAsInteger(aNode, u"DataBits"));
      c.SetParity(kConnection::ConvertParity(krptUtil::GetNodeValueAsString(aNode, u"Parity")));
      c.SetStopBits(krptUtil::GetNodeValueAsInteger(aNode, u"StopBits"));
      readNetworkAccess();
      break;
    case ovConnectionType::DLL:
      c.SetLibraryName(krptUtil::GetNodeValueAsString(aNode, u"LibraryName"));
      break;
    case ovConnectionType::Spool:
      c.SetPrinterName(krptUtil::GetNodeValueAsString(aNode, u"PrinterName"));
      break;
    case ovConnectionType::Com:
      break;
  }
}

void kDeviceHandler::ReadParameters(const ovXmlElement& aNode) {
  for (const auto& child : aNode.children()) {
    if (child.type() != pugi::node_element) continue;
    const std::u16string name = ovXmlDocument::Text(child.name());
    // The value is looked up by the name as written, so a repeated name
    // carries the value of its first occurrence.
    fParameters.push_back(LowerCase(name) + u"=" + krptUtil::GetNodeValueAsString(aNode, name));
  }
}

std::u16string kDeviceHandler::GetParameter(const std::u16string& aName) const {
  std::u16string value;
  FindNameValue(fParameters, aName, value);
  return value;
}

bool kDeviceHandler::ParameterExists(const std::u16string& aName) const {
  std::u16string ignored;
  return FindNameValue(fParameters, aName, ignored);
}

void kDeviceHandler::SetParameter(const std::u16string& aName, const std::u16string& aValue) {
  for (auto it = fParameters.begin(); it != fParameters.end(); ++it) {
    if (!SameText(NamePart(*it), aName)) continue;
    if (aValue.empty()) {
      fParameters.erase(it);
    } else {
      *it = aName + u"=" + aValue;
    }
    return;
  }
  if (!aValue.empty()) fParameters.push_back(aName + u"=" + aValue);
}

std::u16string kDeviceHandler::Serialize() const {
  pugi::xml_document document;
  auto declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "utf-8";
  auto root = document.append_child("ReceiptPrinterManager");
  root.append_attribute("Version") = "1.0";
  AddTextChild(root, u"Type", fType);
  AddTextChild(root, u"Driver", fDriver);
  AddTextChild(root, u"Method", fMethod);
  AddTextChild(root, u"LogId", fLogId);
  if (LowerCase(fMethod) != u"open") AddTextChild(root, u"Handle", IntToStr(fDeviceHandle));
  const kConnection& c = *fConnection;
  auto connection = root.append_child("Connection");
  AddTextChild(connection, u"Type", kConnection::ConnectionTypeToString(c.ConnectionType()));
  AddTextChild(connection, u"ConnectTimeout", IntToStr(c.ConnectTimeOut()));
  AddTextChild(connection, u"ReadTimeout", IntToStr(c.ReadTimeOut()));
  AddTextChild(connection, u"Address", c.Address());
  AddTextChild(connection, u"Port", IntToStr(c.Port()));
  AddTextChild(connection, u"URL", c.URL());
  AddTextChild(connection, u"AuthType", kConnection::AuthTypeToString(c.AuthType()));
  AddTextChild(connection, u"User", c.User());
  AddTextChild(connection, u"Password", c.Password());
  AddTextChild(connection, u"SerialPort", c.SerialPort());
  AddTextChild(connection, u"Speed", IntToStr(c.Speed()));
  AddTextChild(connection, u"DataBits", IntToStr(c.DataBits()));
  AddTextChild(connection, u"Parity", kConnection::ParityToString(c.Parity()));
  AddTextChild(connection, u"StopBits", IntToStr(c.StopBits()));
  AddTextChild(connection, u"DeviceName", c.DeviceName());
  AddTextChild(connection, u"LibraryName", c.LibraryName());
  AddTextChild(connection, u"PrinterName", c.PrinterName());
  auto parameters = root.append_child("Parameters");
  for (const auto& line : fParameters) AddTextChild(parameters, NamePart(line), ValuePart(line));
  struct Collect : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
  } collect;
  document.save(collect, "", pugi::format_raw, pugi::encoding_utf8);
  return Utf8ToUtf16(collect.text);
}
