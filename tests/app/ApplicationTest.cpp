#include "app/uOV_Base.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "app/uOV_StringTable.h"
#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "platform/ovConsoleMessageBox_posix.h"
#include "platform/ovProcess.h"
#include "platform/ovRegional.h"
#include "platform/ovUtf.h"
#include "support/TempFolder.h"
#include "support/WaitFor.h"
#include "support/WholeFile.h"

namespace {

namespace fs = std::filesystem;

// Everything a descriptor holds right now (it must be non-blocking).
std::string Drain(int aFd) {
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(aFd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
  return text;
}

class Arguments {
 public:
  explicit Arguments(std::vector<std::u16string> aArguments) : fArguments(std::move(aArguments)) {
    SetCommandLineArgumentsForTesting(&fArguments);
  }
  ~Arguments() { SetCommandLineArgumentsForTesting(nullptr); }

 private:
  std::vector<std::u16string> fArguments;
};

// --- switches ---------------------------------------------------------------

TEST(FindSwitchTest, MatchesWholeWordOrSeparatorWithoutRegardToCase) {
  struct Case {
    std::vector<std::u16string> arguments;
    std::u16string whole;
    std::u16string value;
  } cases[] = {
      {{u"/batch"}, u"/batch", u""},
      {{u"/BATCH"}, u"/BATCH", u""},
      {{u"/BATCH:1"}, u"/BATCH:1", u"1"},
      {{u"/Batch=yes"}, u"/Batch=yes", u"yes"},
      {{u"/BATCHX"}, u"", u""},
      {{u"BATCH"}, u"", u""},
      {{u"-x", u"/batch=first", u"/batch=second"}, u"/batch=first", u"first"},
      {{}, u"", u""},
  };
  for (const auto& c : cases) {
    Arguments arguments(c.arguments);
    EXPECT_EQ(Utf16ToUtf8(FindSwitch(u"/BATCH", true)), Utf16ToUtf8(c.whole));
    EXPECT_EQ(Utf16ToUtf8(FindSwitch(u"/BATCH", false)), Utf16ToUtf8(c.value));
  }
}

TEST(FindSwitchTest, ReadsTheRealCommandLineWithoutTheProgramPath) {
  // ctest starts this program with --gtest_filter=...; the program path is
  // not an argument, so it never matches.
  const auto arguments = CommandLineArguments();
  if (arguments.empty()) GTEST_SKIP() << "started without arguments";
  const std::u16string first = arguments.front();
  const size_t equals = first.find(u'=');
  if (equals == std::u16string::npos) {
    EXPECT_EQ(FindSwitch(UpperCase(first), true), first);
  } else {
    EXPECT_EQ(FindSwitch(UpperCase(first.substr(0, equals)), false), first.substr(equals + 1));
  }
  EXPECT_EQ(FindSwitch(Utf8ToUtf16(fs::read_symlink("/proc/self/exe").string()), true), u"");
}

// --- application information -------------------------------------------------

tOV_ApplicationInfo LoadFrom(const std::map<int32_t, std::u16string>& aTable,
                             std::vector<int32_t>* aIdsRead = nullptr) {
  tOV_ApplicationInfo info;
  info.Load([&](int32_t aId) {
    if (aIdsRead) aIdsRead->push_back(aId);
    const auto found = aTable.find(aId);
    return found == aTable.end() ? std::u16string() : found->second;
  });
  return info;
}

TEST(ApplicationInfoTest, LibraryTableGivesDescriptionVersionAndHistory) {
  tOV_ApplicationInfo info;
  info.Load();
  EXPECT_EQ(info.Description(), u"QVD Driver - EPay WebECR (GR)");
  EXPECT_FALSE(info.Copyright().empty());
  EXPECT_EQ(info.Version(), u"1.01");
  ovDateTime expected = 0;
  ASSERT_TRUE(TryEncodeDate(2024, 9, 27, expected));
  EXPECT_EQ(info.ReleaseDate(), expected);
  ASSERT_EQ(info.History().size(), 2u);
  const auto& first = info.History()[0];
  const auto& second = info.History()[1];
  ovDateTime firstDate = 0;
  ASSERT_TRUE(TryEncodeDate(2024, 8, 1, firstDate));
  EXPECT_EQ(first.fVersion, u"1.00");
  EXPECT_EQ(first.fReleaseDate, firstDate);
  EXPECT_EQ(first.fText, std::vector<std::u16string>{u"Development Release"});
  EXPECT_FALSE(first.fAuthor.empty());
  EXPECT_EQ(second.fVersion, u"1.01");
  EXPECT_EQ(second.fReleaseDate, expected);
  EXPECT_EQ(second.fText, std::vector<std::u16string>{u"First Production Release"});
}

TEST(ApplicationInfoTest, LibraryTableReadingEndsAfterElevenMissingIds) {
  std::vector<int32_t> ids;
  tOV_ApplicationInfo info;
  info.Load([&](int32_t aId) {
    ids.push_back(aId);
    return LoadLibraryString(aId);
  });
  ASSERT_FALSE(ids.empty());
  EXPECT_EQ(ids.front(), 10000);
  EXPECT_EQ(ids.back(), 10020);
  EXPECT_EQ(ids.size(), 21u);
}

TEST(ApplicationInfoTest, GapOfTenIdsIsBridgedAndGapOfElevenEndsTheReading) {
  const tOV_ApplicationInfo bridged = LoadFrom({{10000, u"$VERSION=1.0"}, {10011, u"$VERSION=2.0"}});
  EXPECT_EQ(bridged.Version(), u"2.0");
  EXPECT_EQ(bridged.History().size(), 2u);

  std::vector<int32_t> ids;
  const tOV_ApplicationInfo ended = LoadFrom({{10000, u"$VERSION=1.0"}, {10012, u"$VERSION=2.0"}}, &ids);
  EXPECT_EQ(ended.Version(), u"1.0");
  EXPECT_EQ(ended.History().size(), 1u);
  EXPECT_EQ(ids.back(), 10011);

  // The first id counts like any other: an empty start is a gap too.
  EXPECT_EQ(LoadFrom({{10010, u"$VERSION=3.0"}}).Version(), u"3.0");
  EXPECT_EQ(LoadFrom({{10011, u"$VERSION=3.0"}}).Version(), u"");
}

TEST(ApplicationInfoTest, EntriesSplitAtTheFirstEqualsAndKeysIgnoreCase) {
  const tOV_ApplicationInfo info = LoadFrom({
      {10000, u"$appdescription=Name=With=Equals"},
      {10001, u"$Copyright=(c) someone"},
      {10002, u"$AUTHOR=before any version"},
      {10003, u"$PTEXT=before any version"},
      {10004, u"$RELEASEDATE=not a date at all"},
      {10005, u"$version=2.5"},
      {10006, u"$author=AB"},
      {10007, u"$TEXT=line one"},
      {10008, u"$PTEXT=line two"},
      {10009, u"$UNKNOWN=ignored"},
      {10010, u"no equals sign"},
      {10011, u"$RELEASEDATE=05/11/2023"},
  });
  EXPECT_EQ(info.Description(), u"Name=With=Equals");
  EXPECT_EQ(info.Copyright(), u"(c) someone");
  EXPECT_EQ(info.Version(), u"2.5");
  ASSERT_EQ(info.History().size(), 1u);
  EXPECT_EQ(info.History()[0].fAuthor, u"AB");
  EXPECT_EQ(info.History()[0].fText, (std::vector<std::u16string>{u"line one", u"line two"}));
  ovDateTime expected = 0;
  ASSERT_TRUE(TryEncodeDate(2023, 11, 5, expected));
  EXPECT_EQ(info.ReleaseDate(), expected);
  EXPECT_EQ(info.History()[0].fReleaseDate, expected);
}

TEST(ApplicationInfoTest, ReleaseDatePartsThatAreNotNumbersReadAsOne) {
  struct Case {
    std::u16string text;
    int year, month, day;
  } cases[] = {
      {u"27/09/2024", 2024, 9, 27},
      {u"xx/09/2024", 2024, 9, 1},
      {u"27/ab/2024", 2024, 1, 27},
      {u"27/09/yyyy", 1, 9, 27},
      {u"27/09", 1, 9, 27},
  };
  for (const auto& c : cases) {
    const tOV_ApplicationInfo info = LoadFrom({{10000, u"$VERSION=1"}, {10001, u"$RELEASEDATE=" + c.text}});
    ovDateTime expected = 0;
    ASSERT_TRUE(TryEncodeDate(c.year, c.month, c.day, expected));
    EXPECT_EQ(info.ReleaseDate(), expected) << Utf16ToUtf8(c.text);
  }
}

TEST(ApplicationInfoTest, InvalidReleaseDateFailsTheLoad) {
  EXPECT_THROW(LoadFrom({{10000, u"$VERSION=1"}, {10001, u"$RELEASEDATE=31/02/2024"}}), tOV_Exception);
  // Without a version the date is not read at all.
  EXPECT_NO_THROW(LoadFrom({{10000, u"$RELEASEDATE=31/02/2024"}}));
}

TEST(ApplicationInfoTest, EntriesAreCutTo1023Characters) {
  const std::u16string longText(2000, u'a');
  const tOV_ApplicationInfo info = LoadFrom({{10000, u"$APPDESCRIPTION=" + longText}});
  EXPECT_EQ(info.Description().size(), 1023u - 16u);
}

// --- the application object ---------------------------------------------------

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = folder.Path() / "Shop" / "Pos.exe";
    fs::create_directories(host.parent_path());
    SetHostExecutablePathForTesting(Utf8ToUtf16(host.string()));
  }
  void TearDown() override {
    DestroyApplication();
    SetHostExecutablePathForTesting(u"");
    SetMessageBoxConsoleForTesting(-1, -1);
    SetRegionalSettings(ovRegionalSettings{});
  }

  fs::path LogPath() const { return folder.Path() / "Shop" / "LogFiles" / "Pos.log"; }
  bool LogHolds(const std::string& aText) const { return ReadWholeFile(LogPath()).find(aText) != std::string::npos; }

  TempFolder folder;
  fs::path host;
};

TEST_F(ApplicationTest, LoadingCreatesTheLogFolderBesideTheHostAndNamesTheLogAfterIt) {
  Arguments none({});
  ASSERT_EQ(Application(), nullptr);
  CreateApplication();
  ASSERT_NE(Application(), nullptr);
  EXPECT_TRUE(fs::is_directory(folder.Path() / "Shop" / "LogFiles"));
  EXPECT_EQ(Utf16ToUtf8(Application()->LogFileName()), LogPath().string());
  EXPECT_EQ(Application()->Info().Version(), u"1.01");
  DestroyApplication();
  EXPECT_EQ(Application(), nullptr);
}

TEST_F(ApplicationTest, SwitchesAreReadAtCreation) {
  {
    Arguments arguments({u"/batch", u"/Debug=1", u"/TESTING"});
    CreateApplication();
  }
  EXPECT_TRUE(Application()->IsBatch());
  EXPECT_TRUE(Application()->IsDebug());
  EXPECT_FALSE(Application()->IsTest());
  DestroyApplication();
  Arguments arguments({u"/TEST:x"});
  CreateApplication();
  EXPECT_FALSE(Application()->IsBatch());
  EXPECT_FALSE(Application()->IsDebug());
  EXPECT_TRUE(Application()->IsTest());
}

TEST_F(ApplicationTest, VersionTextUsesTheShortDateFormat) {
  Arguments none({});
  CreateApplication();
  EXPECT_EQ(Application()->VersionText(), u"Version 1.01 - 27/09/2024");
  ovRegionalSettings settings;
  settings.ShortDateFormat = u"yyyy-mm-dd";
  SetRegionalSettings(settings);
  EXPECT_EQ(Application()->VersionText(), u"Version 1.01 - 2024-09-27");
}

TEST_F(ApplicationTest, LogWritesTheApplicationLogAndKeepsTheLastError) {
  Arguments none({});
  CreateApplication();
  Application()->Log(let_info, u"started");
  EXPECT_EQ(Application()->LastError(), u"");
  Application()->Log(let_error, u"first failure");
  Application()->Log(let_error, u"second failure");
  Application()->Log(let_info, u"still running");
  EXPECT_EQ(Application()->LastError(), u"second failure");
  DestroyApplication();  // writes out the queue
  const std::string log = ReadWholeFile(LogPath());
  EXPECT_NE(log.find(" - started\r\n"), std::string::npos);
  EXPECT_NE(log.find(" - ERROR - first failure\r\n"), std::string::npos);
  EXPECT_NE(log.find(" - ERROR - second failure\r\n"), std::string::npos);
  EXPECT_LT(log.find("second failure"), log.find("still running"));
}

class MessageTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    ASSERT_EQ(pipe2(output, O_NONBLOCK | O_CLOEXEC), 0);
  }
  void TearDown() override {
    ApplicationTest::TearDown();
    close(output[0]);
    close(output[1]);
  }
  int output[2] = {-1, -1};
};

TEST_F(MessageTest, BatchWritesTheApplicationLogOnly) {
  Arguments batch({u"/BATCH"});
  CreateApplication();
  SetMessageBoxConsoleForTesting(-1, output[1]);
  Application()->ShowMessage(let_error, u"Database settings missing");
  EXPECT_EQ(Application()->LastError(), u"Database settings missing");
  ASSERT_TRUE(WaitFor([&] { return LogHolds(" - ERROR - Database settings missing\r\n"); }));
  EXPECT_EQ(Drain(output[0]), "");
}

TEST_F(MessageTest, WithoutBatchTheUserIsToldAndTheLogKeepsIt) {
  Arguments none({});
  CreateApplication();
  int input[2];
  ASSERT_EQ(pipe2(input, O_CLOEXEC), 0);  // not a terminal: nothing to wait for
  SetMessageBoxConsoleForTesting(input[0], output[1]);
  Application()->ShowMessage(let_error, u"Database settings missing");
  Application()->ShowMessage(let_info, u"Καλημέρα");
  EXPECT_EQ(Drain(output[0]),
            "QVD Driver - EPay WebECR (GR) - Error: Database settings missing\n"
            "QVD Driver - EPay WebECR (GR) - Information: \xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD"
            "\xCF\x81\xCE\xB1\n");
  ASSERT_TRUE(WaitFor([&] { return LogHolds(" - ERROR - Database settings missing\r\n"); }));
  close(input[0]);
  close(input[1]);
}

TEST_F(MessageTest, WithoutBatchOnATerminalTheCallWaitsForEnter) {
  Arguments none({});
  CreateApplication();
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  SetMessageBoxConsoleForTesting(slave, output[1]);
  std::atomic<bool> returned{false};
  std::thread caller([&] {
    Application()->ShowMessage(let_error, u"Acknowledge me");
    returned = true;
  });
  std::string shown;
  ASSERT_TRUE(WaitFor([&] {
    shown += Drain(output[0]);
    return shown.find("Press Enter to continue...") != std::string::npos;
  }));
  // The prompt is out and the box reads its answer: the call is still waiting.
  EXPECT_FALSE(returned);
  EXPECT_NE(shown.find("Error: Acknowledge me\n"), std::string::npos);
  ASSERT_EQ(write(master, "\n", 1), 1);
  EXPECT_TRUE(WaitFor([&] { return returned.load(); }));
  caller.join();
  close(master);
  close(slave);
}

}  // namespace
