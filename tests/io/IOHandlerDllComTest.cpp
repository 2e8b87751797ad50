#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "io/LogLines.h"
#include "io/uOVIOHandler_Com.h"
#include "io/uOVIOHandler_Dll.h"
#include "platform/ovUtf.h"
#include "request/uOvConnection.h"
#include "support/FailureOf.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

class DllComTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClockForTesting([] { return kLogTestTime; }); }
  void TearDown() override { SetClockForTesting(nullptr); }

  fs::path LogPath() const { return folder.Path() / "DRV_7_20240315.log"; }
  std::unique_ptr<kIOHandler_Dll> MakeDll(const std::u16string& aLibrary) {
    connection.SetLibraryName(aLibrary);
    return std::make_unique<kIOHandler_Dll>(&connection, folder.Path16(), u"DRV_7");
  }

  TempFolder folder;
  kConnection connection;
};

TEST_F(DllComTest, DllHandlerLoadsTheLibraryAndHandsOutItsFunctions) {
  const std::u16string path = Utf8ToUtf16(OV_TEST_DYNLIB_PATH);
  const fs::path mark = folder.Path() / "loaded";
  setenv("OV_TEST_LIBRARY_MARK", mark.c_str(), 1);
  auto handler = MakeDll(path);
  unsetenv("OV_TEST_LIBRARY_MARK");
  EXPECT_TRUE(fs::exists(mark));  // its constructor ran
  using AddFunction = int (*)(int, int);
  const auto add = reinterpret_cast<AddFunction>(handler->GetAddress(u"ov_test_add"));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 3), 5);
  EXPECT_EQ(FailureOf([&] { handler->GetAddress(u"ov_test_missing"); }),
            u"Unable to get address for procedure ov_test_missing");
  EXPECT_TRUE(handler->Connect());
  handler.reset();
  EXPECT_EQ(LogMessages(LogPath()),
            (std::vector<std::string>{kStartBanner, "kIOHandler_Dll.Create:Loading DLL " + Utf16ToUtf8(path),
                                      "kIOHandler_Dll.Create:DLL Loaded successfully", kConnectBanner,
                                      "kIOHandler_Dll", "", "ConnectTimeout=1000", "ReadTimeout=1000",
                                      "kIOHandler_Dll.Destroy:Unloading DLL",
                                      "kIOHandler_Dll.Destroy:DLL Unloaded Successfully", kStopBanner}));
}

TEST_F(DllComTest, MissingLibraryFailsWithTheSystemTextAndLeavesBothBanners) {
  const std::u16string message = FailureOf([&] { MakeDll(u"vendor_missing.so"); });
  const std::string text = Utf16ToUtf8(message);
  EXPECT_EQ(text.rfind("Unable to Load Library vendor_missing.so. vendor_missing.so: ", 0), 0u) << text;
  EXPECT_NE(text.find("cannot open shared object file"), std::string::npos) << text;
  ASSERT_GE(text.size(), 6u);
  EXPECT_EQ(text.substr(text.size() - 6), " [126]") << text;
  EXPECT_NE(text[text.size() - 7], '.') << text;
  EXPECT_EQ(LogMessages(LogPath()),
            (std::vector<std::string>{kStartBanner, "kIOHandler_Dll.Create:Loading DLL vendor_missing.so",
                                      kStopBanner}));
}

TEST_F(DllComTest, FileThatIsNoLibraryFailsTheSameWay) {
  const fs::path bogus = folder.Path() / "bogus.so";
  std::ofstream(bogus) << "not a library\n";
  const std::string text = Utf16ToUtf8(FailureOf([&] { MakeDll(Utf8ToUtf16(bogus.string())); }));
  EXPECT_EQ(text.rfind("Unable to Load Library " + bogus.string() + ". ", 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 6), " [126]") << text;
}

TEST_F(DllComTest, EmptyLibraryNameDoesNotReachTheHostProgram) {
  EXPECT_EQ(FailureOf([&] { MakeDll(u""); }), u"Unable to Load Library . No library name given [126]");
}

TEST_F(DllComTest, ComHandlerOnlyLogs) {
  auto handler = std::make_unique<kIOHandler_Com>(&connection, folder.Path16(), u"DRV_7");
  handler->SetVersion(u"Version 1.01 - 27/09/2024");
  EXPECT_TRUE(handler->Connect());
  handler.reset();
  EXPECT_EQ(LogMessages(LogPath()),
            (std::vector<std::string>{kStartBanner, kConnectBanner, "kIOHandler_Com", "Version 1.01 - 27/09/2024",
                                      "ConnectTimeout=1000", "ReadTimeout=1000", kStopBanner}));
}

TEST_F(DllComTest, TransportOperationsAreEmptyOrUnsupported) {
  auto dll = MakeDll(Utf8ToUtf16(OV_TEST_DYNLIB_PATH));
  kIOHandler_Com com(&connection, u"", u"");
  struct Case {
    kIOHandler* handler;
    bool writeAnswer;
  } cases[] = {{dll.get(), true}, {&com, false}};
  for (const auto& c : cases) {
    kIOHandler& h = *c.handler;
    SCOPED_TRACE(Utf16ToUtf8(h.ClassName()));
    EXPECT_EQ(h.Write(u"ignored"), c.writeAnswer);
    EXPECT_TRUE(h.Connected());
    EXPECT_TRUE(h.Disconnect());
    h.ClearBuffers();
    h.SetParameter(u"Name", u"Value");
    EXPECT_EQ(h.ReadUpTo({0x0d}), u"");
    EXPECT_EQ(h.ReadChars(5), u"");
    EXPECT_EQ(h.DecodeError(404), u"");
    EXPECT_EQ(FailureOf([&] { h.ReadAll(); }), u"ReadAll Unsupported");
    EXPECT_EQ(FailureOf([&] { h.InputBufferContainsData(); }), u"InputBufferContainsData Unsupported");
    EXPECT_FALSE(h.ErrorFound());
  }
}

}  // namespace
