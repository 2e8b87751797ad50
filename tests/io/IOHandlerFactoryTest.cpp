#include "io/uOVIOHandlerFactory.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/uOV_Exception.h"
#include "io/LogLines.h"
#include "io/uOVIOHandler_Com.h"
#include "io/uOVIOHandler_Dll.h"
#include "io/uOVIOHandler_HTTP.h"
#include "io/uOVIOHandler_OPOS.h"
#include "io/uOVIOHandler_Spool.h"
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

TEST_F(IOHandlerFactoryTest, TransportsOfLaterVersionsAreReportedByName) {
  struct Case {
    ovConnectionType type;
    std::u16string message;
  } cases[] = {
      {ovConnectionType::TCP, u"Connection Type TCP is not available in this version"},
      {ovConnectionType::Serial, u"Connection Type SERIAL is not available in this version"},
  };
  for (const auto& c : cases) EXPECT_EQ(FailureOf([&] { Create(c.type); }), c.message);
  EXPECT_TRUE(fs::is_empty(folder.Path()));
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

}  // namespace
