#include "io/uOVIOHandlerFactory.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/uOV_Exception.h"
#include "io/LogLines.h"
#include "io/uOVIOHandler_Com.h"
#include "io/uOVIOHandler_Dll.h"
#include "io/uOVIOHandler_HTTP.h"
#include "io/uOVIOHandler_OPOS.h"
#include "io/uOVIOHandler_Serial.h"
#include "io/uOVIOHandler_Spool.h"
#include "io/uOVIOHandler_TCP.h"
#include "platform/ovUtf.h"
#include "request/uOvDeviceHandler.h"
#include "support/FailureOf.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

class IOHandlerFactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockForTesting([] { return kLogTestTime; });
    envelope.SetDriver(u"OVPA_DOVAVAREZU_10");
    envelope.SetLogId(u"7");
  }
  void TearDown() override { SetClockForTesting(nullptr); }

  std::unique_ptr<kIOHandler> Create(ovConnectionType aType) {
    envelope.Connection().SetConnectionType(aType);
    return CreateIOHandler(envelope, folder.Path16());
  }

  TempFolder folder;
  kDeviceHandler envelope;
};

TEST_F(IOHandlerFactoryTest, ConnectionTypePicksTheHandlerClass) {
  envelope.Connection().SetLibraryName(Utf8ToUtf16(OV_TEST_DYNLIB_PATH));
  const auto http = Create(ovConnectionType::HTTP);
  EXPECT_NE(dynamic_cast<kIOHandler_HTTP*>(http.get()), nullptr);
  EXPECT_EQ(std::u16string(http->ClassName()), u"kIOHandler_HTTP");
  const auto dll = Create(ovConnectionType::DLL);
  EXPECT_NE(dynamic_cast<kIOHandler_Dll*>(dll.get()), nullptr);
  EXPECT_EQ(std::u16string(dll->ClassName()), u"kIOHandler_Dll");
  const auto com = Create(ovConnectionType::Com);
  EXPECT_NE(dynamic_cast<kIOHandler_Com*>(com.get()), nullptr);
  EXPECT_EQ(std::u16string(com->ClassName()), u"kIOHandler_Com");
  envelope.Connection().SetPrinterName(u"Receipt");
  const auto spool = Create(ovConnectionType::Spool);
  ASSERT_NE(dynamic_cast<kIOHandler_Spool*>(spool.get()), nullptr);
  EXPECT_EQ(dynamic_cast<kIOHandler_Spool&>(*spool).PrinterName(), u"Receipt");
  EXPECT_EQ(dynamic_cast<kIOHandler_Spool&>(*spool).OutputType(), ovSpoolOutputType::Normal);
  envelope.Connection().SetLibraryName(Utf8ToUtf16(OV_FPTR_SIM_PATH));
  envelope.Connection().SetDeviceName(u"FiscalPrinter");
  const auto opos = Create(ovConnectionType::OPOS);
  ASSERT_NE(dynamic_cast<kIOHandler_OPOS*>(opos.get()), nullptr);
  EXPECT_EQ(dynamic_cast<kIOHandler_OPOS&>(*opos).DeviceName(), u"FiscalPrinter");
}

TEST_F(IOHandlerFactoryTest, HexLogIsOnOnlyForTrueInAnyLetterCase) {
  struct Case {
    std::u16string value;
    bool hexLog;
  } cases[] = {{u"true", true},  {u"TRUE", true},   {u"True", true}, {u"1", false},
               {u"yes", false},  {u"false", false}, {u" true", false}, {u"", false}};
  for (const auto& c : cases) {
    envelope.SetParameter(u"HexLog", c.value);
    EXPECT_EQ(Create(ovConnectionType::Com)->HexLog(), c.hexLog) << Utf16ToUtf8(c.value);
  }
  kDeviceHandler without;  // no parameter at all
  without.Connection().SetConnectionType(ovConnectionType::Com);
  EXPECT_FALSE(CreateIOHandler(without, folder.Path16())->HexLog());
}

TEST_F(IOHandlerFactoryTest, LogIsNamedAfterDriverAndLogIdAndOpensWithStart) {
  struct Case {
    std::u16string logId;
    std::string fileName;
  } cases[] = {
      {u"7", "OVPA_DOVAVAREZU_10_7_20240315.log"},
      {u"", "OVPA_DOVAVAREZU_10__20240315.log"},
      // The request cannot move the log out of its folder or drop the driver's name.
      {u"shop/till1", "OVPA_DOVAVAREZU_10_shop_till1_20240315.log"},
      {u"../../x", "OVPA_DOVAVAREZU_10_.._.._x_20240315.log"},
      {u"a\\b:c*?\"<>|\td", "OVPA_DOVAVAREZU_10_a_b_c_______d_20240315.log"},
      {u"Ταμείο 1", "OVPA_DOVAVAREZU_10_Ταμείο 1_20240315.log"},
      // Cut to 64 characters, so the name stays a name the system can make.
      {std::u16string(300, u'L'), "OVPA_DOVAVAREZU_10_" + std::string(64, 'L') + "_20240315.log"},
  };
  for (const auto& c : cases) {
    envelope.SetLogId(c.logId);
    auto handler = Create(ovConnectionType::HTTP);
    EXPECT_EQ(Utf16ToUtf8(handler->GetLogFileName()), (folder.Path() / c.fileName).string());
    handler.reset();
    EXPECT_EQ(LogMessages(folder.Path() / c.fileName), (std::vector<std::string>{kStartBanner, kStopBanner}));
  }
}

TEST_F(IOHandlerFactoryTest, HandlerTakesTheConnectionSettings) {
  envelope.Connection().SetConnectTimeOut(2500);
  envelope.Connection().SetReadTimeOut(45000);
  envelope.Connection().SetURL(u"https://terminal.example/api");
  const auto handler = Create(ovConnectionType::HTTP);
  EXPECT_EQ(handler->ConnectTimeout(), 2500);
  EXPECT_EQ(handler->ReadTimeout(), 45000);
  EXPECT_EQ(dynamic_cast<kIOHandler_HTTP&>(*handler).URL(), u"https://terminal.example/api");
}

TEST_F(IOHandlerFactoryTest, LibraryThatCannotBeLoadedFailsTheFactory) {
  envelope.Connection().SetLibraryName(u"vendor_missing.so");
  EXPECT_THROW(Create(ovConnectionType::DLL), tOV_Exception);
  EXPECT_EQ(LogMessages(folder.Path() / "OVPA_DOVAVAREZU_10_7_20240315.log"),
            (std::vector<std::string>{kStartBanner, "kIOHandler_Dll.Create:Loading DLL vendor_missing.so",
                                      kStopBanner}));
}

TEST_F(IOHandlerFactoryTest, TcpAndSerialConnectionsGetTheirHandlersWithTheirSettings) {
  kConnection& connection = envelope.Connection();
  connection.SetAddress(u"10.0.0.7");
  connection.SetPort(9100);
  connection.SetConnectTimeOut(2500);
  const auto tcp = Create(ovConnectionType::TCP);
  auto* tcpHandler = dynamic_cast<kIOHandler_TCP*>(tcp.get());
  ASSERT_NE(tcpHandler, nullptr);
  EXPECT_EQ(tcpHandler->TCPClient().Host(), u"10.0.0.7");
  EXPECT_EQ(tcpHandler->TCPClient().Port(), 9100);
  EXPECT_EQ(tcpHandler->TCPClient().ConnectTimeout(), 2500);
  EXPECT_FALSE(tcp->Connected());

  connection.SetSerialPort(u"COM7");
  connection.SetSpeed(115200);
  connection.SetDataBits(7);
  connection.SetParity(ovParity::Even);
  connection.SetStopBits(2);
  const auto serial = Create(ovConnectionType::Serial);
  auto* serialHandler = dynamic_cast<kIOHandler_Serial*>(serial.get());
  ASSERT_NE(serialHandler, nullptr);
  const TComPort& port = serialHandler->ComPort();
  EXPECT_EQ(port.ComNumber(), 7u);
  EXPECT_EQ(port.BaudRate(), 115200u);
  EXPECT_EQ(port.DataBits(), 7u);
  EXPECT_EQ(port.Parity(), TParity::ptEven);
  EXPECT_EQ(port.StopBits(), TStopBits::sbTwo);
  EXPECT_FALSE(serial->Connected());  // opened by Connect, not here
}

TEST_F(IOHandlerFactoryTest, SerialSettingsThatMakeNoPortFailTheFactoryAfterStartAndStop) {
  struct Case {
    std::u16string serialPort;
    int32_t stopBits;
    std::u16string message;
  } cases[] = {
      {u"COM1", 3, u"Stop Bits 3 invalid"},
      {u"COM1", 0, u"Stop Bits 0 invalid"},  // an envelope without StopBits
      {u"COMX", 1, u"'X' is not a valid integer value"},
      {u"COM", 1, u"'' is not a valid integer value"},
      {u"COM1234", 1, u"Serial Port COM1234 invalid"},  // not COM123
      {u"COM0", 1, u"Serial Port COM0 invalid"},
  };
  envelope.Connection().SetSpeed(9600);
  envelope.Connection().SetDataBits(8);
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.message));
    envelope.Connection().SetSerialPort(c.serialPort);
    envelope.Connection().SetStopBits(c.stopBits);
    EXPECT_EQ(FailureOf([&] { Create(ovConnectionType::Serial); }), c.message);
    const fs::path log = folder.Path() / "OVPA_DOVAVAREZU_10_7_20240315.log";
    EXPECT_EQ(LogMessages(log), (std::vector<std::string>{kStartBanner, kStopBanner}));
    fs::remove(log);
  }
}

}  // namespace
