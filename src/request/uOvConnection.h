// Connection settings of a device, as the request envelope gives them, and
// the three word tables of the envelope (connection type, parity,
// authentication). The I/O handler factory and the drivers read them.
#pragma once

#include <cstdint>
#include <string>

enum class ovConnectionType : uint8_t { OPOS = 0, TCP = 1, HTTP = 2, Serial = 3, DLL = 4, Com = 5, Spool = 6 };
enum class ovParity : uint8_t { None = 0, Even = 1, Odd = 2 };
enum class ovHTTPAuthType : uint8_t { at_None = 0, at_Basic = 1, at_Digest = 2, at_Bearer = 3 };

class kConnection {
 public:
  // Reading lowers the word first, so any letter case is accepted; writing
  // gives upper case. An unknown connection type or parity raises
  // "Connection Type <text> is not valid" / "Connection Parity <text> is not
  // valid"; an unknown authentication word reads as at_None.
  static ovConnectionType ConvertConnectionType(const std::u16string& aString);
  static ovParity ConvertParity(const std::u16string& aString);
  static ovHTTPAuthType ConvertAuthType(const std::u16string& aString);
  static std::u16string ConnectionTypeToString(ovConnectionType aValue);
  static std::u16string ParityToString(ovParity aValue);
  static std::u16string AuthTypeToString(ovHTTPAuthType aValue);

  const std::u16string& Address() const { return fAddress; }
  void SetAddress(const std::u16string& aValue) { fAddress = aValue; }
  int32_t Port() const { return fPort; }
  void SetPort(int32_t aValue) { fPort = aValue; }
  const std::u16string& URL() const { return fURL; }
  void SetURL(const std::u16string& aValue) { fURL = aValue; }
  ovHTTPAuthType AuthType() const { return fAuthType; }
  void SetAuthType(ovHTTPAuthType aValue) { fAuthType = aValue; }
  const std::u16string& User() const { return fUser; }
  void SetUser(const std::u16string& aValue) { fUser = aValue; }
  const std::u16string& Password() const { return fPassword; }
  void SetPassword(const std::u16string& aValue) { fPassword = aValue; }
  const std::u16string& SerialPort() const { return fSerialPort; }
  void SetSerialPort(const std::u16string& aValue) { fSerialPort = aValue; }
  int32_t Speed() const { return fSpeed; }
  void SetSpeed(int32_t aValue) { fSpeed = aValue; }
  int32_t DataBits() const { return fDataBits; }
  void SetDataBits(int32_t aValue) { fDataBits = aValue; }
  ovParity Parity() const { return fParity; }
  void SetParity(ovParity aValue) { fParity = aValue; }
  int32_t StopBits() const { return fStopBits; }
  void SetStopBits(int32_t aValue) { fStopBits = aValue; }
  const std::u16string& DeviceName() const { return fDeviceName; }
  void SetDeviceName(const std::u16string& aValue) { fDeviceName = aValue; }
  const std::u16string& LibraryName() const { return fLibraryName; }
  void SetLibraryName(const std::u16string& aValue) { fLibraryName = aValue; }
  const std::u16string& PrinterName() const { return fPrinterName; }
  void SetPrinterName(const std::u16string& aValue) { fPrinterName = aValue; }
  ovConnectionType ConnectionType() const { return fConnectionType; }
  void SetConnectionType(ovConnectionType aValue) { fConnectionType = aValue; }
  // Time-outs in milliseconds; values of 0 or below are ignored.
  int32_t ConnectTimeOut() const { return fConnectTimeout; }
  void SetConnectTimeOut(int32_t aValue) {
    if (aValue > 0) fConnectTimeout = aValue;
  }
  int32_t ReadTimeOut() const { return fReadTimeout; }
  void SetReadTimeOut(int32_t aValue) {
    if (aValue > 0) fReadTimeout = aValue;
  }

 private:
  std::u16string fAddress;
  int32_t fPort = 0;
  std::u16string fURL;
  ovHTTPAuthType fAuthType = ovHTTPAuthType::at_None;
  std::u16string fUser;
  std::u16string fPassword;
  std::u16string fSerialPort;
  int32_t fSpeed = 0;
  int32_t fDataBits = 0;
  ovParity fParity = ovParity::None;
  int32_t fStopBits = 0;
  std::u16string fDeviceName;
  std::u16string fLibraryName;
  std::u16string fPrinterName;
  ovConnectionType fConnectionType = ovConnectionType::OPOS;
  int32_t fConnectTimeout = 1000;
  int32_t fReadTimeout = 1000;
};
