#include "io/uOVIOHandler.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "io/LogLines.h"
#include "platform/ovUtf.h"
#include "request/uOvConnection.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// The smallest concrete handler: the base's behaviour and its helpers.
class kTestHandler : public kIOHandler {
 public:
  using kIOHandler::FormatAmount;
  using kIOHandler::kIOHandler;
  using kIOHandler::StringToHex;

  const char16_t* ClassName() const override { return u"kTestHandler"; }
  bool Connected() override { return false; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  bool Write(const std::u16string&) override { return false; }
  std::u16string ReadUpTo(const std::vector<uint8_t>&) override { return {}; }
  std::u16string ReadChars(int32_t) override { return {}; }
  std::u16string ReadAll() override { return {}; }
  std::u16string DecodeError(int32_t) override { return {}; }
  bool InputBufferContainsData() override { return false; }
  void SetParameter(const std::u16string&, const std::u16string&) override {}
};

class IOHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClockForTesting([] { return kLogTestTime; }); }
  void TearDown() override { SetClockForTesting(nullptr); }

  fs::path LogPath() const { return folder.Path() / "DRV_7_20240315.log"; }
  std::unique_ptr<kTestHandler> MakeHandler(const kConnection* aConnection = nullptr) {
    return std::make_unique<kTestHandler>(aConnection, folder.Path16(), u"DRV_7");
  }

  TempFolder folder;
};

TEST_F(IOHandlerTest, BannersFrameTheLogAndConnectWritesItsBlock) {
  kConnection connection;
  connection.SetConnectTimeOut(5000);
  connection.SetReadTimeOut(30000);
  auto handler = MakeHandler(&connection);
  EXPECT_EQ(Utf16ToUtf8(handler->GetLogFileName()), LogPath().string());
  handler->SetVersion(u"Version 1.01 - 27/09/2024");
  EXPECT_TRUE(handler->Connect());
  handler.reset();
  EXPECT_EQ(kStartBanner.size(), 61u);
  EXPECT_EQ(kStopBanner.size(), 61u);
  EXPECT_EQ(LogMessages(LogPath()),
            (std::vector<std::string>{kStartBanner, kConnectBanner, "kTestHandler", "Version 1.01 - 27/09/2024",
                                      "ConnectTimeout=5000", "ReadTimeout=30000", kStopBanner}));
}

TEST_F(IOHandlerTest, TimeoutsComeFromTheConnectionWhenGiven) {
  kConnection defaults;
  auto withDefaults = MakeHandler(&defaults);
  EXPECT_EQ(withDefaults->ConnectTimeout(), 1000);
  EXPECT_EQ(withDefaults->ReadTimeout(), 1000);
  kTestHandler without(nullptr, u"", u"");
  EXPECT_EQ(without.ConnectTimeout(), 0);
  EXPECT_EQ(without.ReadTimeout(), 0);
  EXPECT_FALSE(without.HexLog());
  EXPECT_EQ(without.CodePage(), 0);
}

TEST_F(IOHandlerTest, WriteLogJoinsTitleAndMessageAndAddsTheDumpWhenAsked) {
  struct Case {
    bool hexLog;
    tOV_MessageType type;
    std::u16string title, message;
    std::string line;
  } cases[] = {
      {false, let_info, u"Write", u"AB", "Write:AB"},
      {true, let_info, u"Write", u"AB", "Write:AB [41 42]"},
      {true, let_info, u"Write", u"", "Write: []"},
      {true, let_error, u"Post Error", u"A\r\n", "ERROR - Post Error:A\r\n [41 0d 0a]"},
      {true, let_info, u"Read", u"€ä", "Read:\xE2\x82\xAC\xC3\xA4 [20ac e4]"},
      {false, let_error, u"", u"x", "ERROR - :x"},
  };
  auto handler = MakeHandler();
  for (const auto& c : cases) {
    handler->SetHexLog(c.hexLog);
    handler->WriteLog(c.type, c.title, c.message);
  }
  handler->SetHexLog(true);
  handler->Debug(let_info, u"as it is");  // never a dump
  handler->Debug(let_error, u"debug error");
  handler.reset();
  std::vector<std::string> expected{kStartBanner};
  for (const auto& c : cases) expected.push_back(c.line);
  expected.insert(expected.end(), {"as it is", "ERROR - debug error", kStopBanner});
  EXPECT_EQ(LogMessages(LogPath()), expected);
}

TEST_F(IOHandlerTest, WithoutFolderOrNameTheHandlerLogsNothing) {
  struct Case {
    std::u16string directory, fileName;
  } cases[] = {{u"", u"DRV_7"}, {folder.Path16(), u""}, {u"", u""}};
  for (const auto& c : cases) {
    auto handler = std::make_unique<kTestHandler>(nullptr, c.directory, c.fileName);
    EXPECT_EQ(handler->GetLogFileName(), u"");
    handler->WriteLog(let_info, u"Write", u"x");
    handler->Debug(let_info, u"x");
    handler->SetTemporaryReadTimeout(10);
    EXPECT_EQ(handler->ReadTimeout(), 10);
    EXPECT_TRUE(handler->Connect());
  }
  EXPECT_TRUE(fs::is_empty(folder.Path()));
}

TEST_F(IOHandlerTest, ErrorStateIsSetAndResetOnlyOnRequest) {
  auto handler = MakeHandler();
  EXPECT_FALSE(handler->ErrorFound());
  handler->SetCustomError(404, u"HTTP/1.1 404 Not Found Not Found");
  handler->Connect();
  handler->WriteLog(let_info, u"Write", u"x");
  EXPECT_TRUE(handler->ErrorFound());
  EXPECT_EQ(handler->ErrorCode(), 404);
  EXPECT_EQ(handler->ErrorMessage(), u"HTTP/1.1 404 Not Found Not Found");
  handler->SetCustomError(-7, u"second");
  EXPECT_EQ(handler->ErrorCode(), -7);
  EXPECT_EQ(handler->ErrorMessage(), u"second");
  handler->ResetCustomError();
  EXPECT_FALSE(handler->ErrorFound());
  EXPECT_EQ(handler->ErrorCode(), 0);
  EXPECT_EQ(handler->ErrorMessage(), u"");
}

TEST_F(IOHandlerTest, TemporaryReadTimeoutSavesAndRestores) {
  kConnection connection;  // read time-out 1000
  auto handler = MakeHandler(&connection);
  handler->SetTemporaryReadTimeout(0);
  EXPECT_EQ(handler->ReadTimeout(), 1000);
  handler->ResetTemporaryReadTimeout();  // nothing saved yet
  EXPECT_EQ(handler->ReadTimeout(), 1000);
  handler->SetTemporaryReadTimeout(30000);
  EXPECT_EQ(handler->ReadTimeout(), 30000);
  handler->SetTemporaryReadTimeout(5000);  // saves the first temporary value
  EXPECT_EQ(handler->ReadTimeout(), 5000);
  handler->ResetTemporaryReadTimeout();
  EXPECT_EQ(handler->ReadTimeout(), 30000);
  handler->SetReadTimeout(42);
  handler->ResetTemporaryReadTimeout();  // the saved value stays
  EXPECT_EQ(handler->ReadTimeout(), 30000);
  handler.reset();
  EXPECT_EQ(LogMessages(LogPath()),
            (std::vector<std::string>{kStartBanner, "Set Read Timeout to 0ms from 1000 ms", "Reset Timeout to 0 ms",
                                      "Set Read Timeout to 30000ms from 1000 ms",
                                      "Set Read Timeout to 5000ms from 30000 ms", "Reset Timeout to 30000 ms",
                                      "Reset Timeout to 30000 ms", kStopBanner}));
}

TEST(IOHandlerHelpersTest, StringToHexWritesEveryCodeUnit) {
  struct Case {
    std::u16string text;
    std::u16string hex;
  } cases[] = {
      {u"", u""},
      {u"AB\r", u"41 42 0d"},
      {std::u16string(1, u'\0'), u"00"},
      {u"\x05\xff", u"05 ff"},
      {u"\u0100", u"100"},
      {u"\u20ac", u"20ac"},
      {u"\U0001F600", u"d83d de00"},
  };
  for (const auto& c : cases) EXPECT_EQ(kTestHandler::StringToHex(c.text), c.hex) << Utf16ToUtf8(c.hex);
}

TEST(IOHandlerHelpersTest, FormatAmountHasNoTrailingZerosAndADot) {
  struct Case {
    int64_t ticks;
    std::u16string text;
  } cases[] = {{125000, u"12.5"}, {30000, u"3"}, {0, u"0"}, {-22500, u"-2.25"}, {10000000, u"1000"}, {1, u"0.0001"}};
  for (const auto& c : cases) EXPECT_EQ(kTestHandler::FormatAmount(ovCurrency::FromTicks(c.ticks)), c.text);
}

}  // namespace
