#include "log/uOV_LogWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "io/LogLines.h"
#include "platform/ovClock.h"
#include "platform/ovRegional.h"
#include "platform/ovUtf.h"
#include "support/TempFolder.h"
#include "support/WaitFor.h"

namespace {

namespace fs = std::filesystem;

bool FileHolds(const fs::path& aPath, const std::string& aText) {
  return ReadWholeFile(aPath).find(aText) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& aContent) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = aContent.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(aContent.substr(start, end - start));
  }
  return lines;
}

class LogWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClockForTesting([] { return kLogTestTime; }); }
  void TearDown() override {
    SetClockForTesting(nullptr);
    SetRegionalSettings(ovRegionalSettings{});
  }

  fs::path LogPath(const std::string& aName) const { return folder.Path() / aName; }

  TempFolder folder;
};

TEST_F(LogWriterTest, FileNameCarriesCreationDateWhenDailyAndFolderIsCreated) {
  struct Case {
    std::u16string subFolder;
    bool daily;
    std::u16string expectedName;
  } cases[] = {
      {u"Logs/Payment", true, u"DRV_7_20240315.log"},
      {u"Logs/Payment", false, u"DRV_7.log"},
      {u"Logs/Trailing/", true, u"DRV_7_20240315.log"},  // no doubled delimiter
  };
  for (const auto& c : cases) {
    const std::u16string directory = folder.Path16() + u"/" + c.subFolder;
    tOV_LogWriter writer(u"DRV_7", directory, 0, c.daily);
    std::u16string expectedFolder = directory;
    if (expectedFolder.back() != u'/') expectedFolder += u'/';
    EXPECT_EQ(Utf16ToUtf8(writer.FileName()), Utf16ToUtf8(expectedFolder + c.expectedName));
    EXPECT_TRUE(fs::is_directory(Utf16ToUtf8(directory)));
    EXPECT_EQ(writer.Daily(), c.daily);
    EXPECT_EQ(writer.MaxLogFileSize(), 5000);
  }
}

TEST_F(LogWriterTest, DailyNameIsFixedAtCreation) {
  tOV_LogWriter writer(u"DRV", folder.Path16(), 0, true);
  SetClockForTesting([] { return ovLocalTime{2024, 3, 16, 0, 0, 1, 0}; });
  writer.Write(let_info, u"after midnight");
  ASSERT_TRUE(WaitFor([&] { return FileHolds(LogPath("DRV_20240315.log"), "after midnight"); }));
  EXPECT_EQ(Utf16ToUtf8(writer.FileName()), (folder.Path() / "DRV_20240315.log").string());
  EXPECT_FALSE(fs::exists(LogPath("DRV_20240316.log")));
}

TEST_F(LogWriterTest, LinesCarryTimestampSeparatorAndCrLfInUtf8WithoutBom) {
  {
    tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
    writer.Write(let_info, u"ConnectTimeout=5000");
    writer.Write(let_error, u"Post Error:refused");
    writer.Write(let_info, u"Καλημέρα €");
    writer.Write(let_info, u"");
  }
  EXPECT_EQ(ReadWholeFile(LogPath("DRV.log")),
            "2024-03-15 14:30:05:123 - ConnectTimeout=5000\r\n"
            "2024-03-15 14:30:05:123 - ERROR - Post Error:refused\r\n"
            "2024-03-15 14:30:05:123 - \xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 "
            "\xE2\x82\xAC\r\n"
            "2024-03-15 14:30:05:123 - \r\n");
}

TEST_F(LogWriterTest, TimestampUsesRegionalTimeSeparator) {
  ovRegionalSettings settings;
  settings.TimeSeparator = u'.';
  SetRegionalSettings(settings);
  {
    tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
    writer.Write(let_info, u"x");
  }
  EXPECT_EQ(ReadWholeFile(LogPath("DRV.log")), "2024-03-15 14.30.05.123 - x\r\n");
}

TEST_F(LogWriterTest, TimestampIsTakenAtTheCall) {
  tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
  SetClockForTesting([] { return ovLocalTime{2023, 1, 2, 3, 4, 5, 6}; });
  writer.Write(let_info, u"early");
  SetClockForTesting([] { return kLogTestTime; });
  ASSERT_TRUE(WaitFor([&] { return FileHolds(LogPath("DRV.log"), "early"); }));
  EXPECT_EQ(ReadWholeFile(LogPath("DRV.log")), "2023-01-02 03:04:05:006 - early\r\n");
}

TEST_F(LogWriterTest, MessagesAreCutToMaxLengthInUtf16CodeUnits) {
  struct Case {
    int32_t maxLength;
    std::u16string message;
    std::string written;
  } cases[] = {
      {10, u"ABCDEFGHIJKLMN", "ABCDEFGHIJ"},
      {0, u"ABCDEFGHIJKLMN", "ABCDEFGHIJKLMN"},
      {-1, u"ABCDEFGHIJKLMN", "ABCDEFGHIJKLMN"},
      {14, u"ABCDEFGHIJKLMN", "ABCDEFGHIJKLMN"},
      // U+1F600 is two code units: three units keep "a" and the whole pair.
      {3, u"a\U0001F600bc", "a\xF0\x9F\x98\x80"},
  };
  int index = 0;
  for (const auto& c : cases) {
    const std::u16string name = u"CUT" + AsciiToUtf16(std::to_string(index++));
    {
      tOV_LogWriter writer(name, folder.Path16(), c.maxLength, false);
      EXPECT_EQ(writer.MaxMessageLength(), c.maxLength);
      writer.Write(let_info, c.message);
    }
    EXPECT_EQ(ReadWholeFile(folder.Path() / (Utf16ToUtf8(name) + ".log")),
              "2024-03-15 14:30:05:123 - " + c.written + "\r\n")
        << "max " << c.maxLength;
  }
}

TEST_F(LogWriterTest, EmptyFileNameRaisesOnWrite) {
  tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
  writer.SetDirectory(u"");
  EXPECT_EQ(Utf16ToUtf8(writer.FileName()), "DRV.log");
  writer.SetFileName(u"");
  EXPECT_EQ(writer.FileName(), u"");
  try {
    writer.Write(let_info, u"x");
    FAIL() << "no exception";
  } catch (const tOV_Exception& e) {
    EXPECT_EQ(e.Message(), u"Log filename is empty ");
  }
}

TEST_F(LogWriterTest, PathWithCharactersNotAllowedRaises) {
  const std::u16string bad = folder.Path16() + std::u16string(u"/a\0b", 4);
  EXPECT_THROW(tOV_LogWriter(u"DRV", bad, 0, false), tOV_Exception);
  EXPECT_THROW(tOV_LogWriter(std::u16string(u"D\0RV", 4), folder.Path16(), 0, false), tOV_Exception);
  tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
  EXPECT_THROW(writer.SetDirectory(bad), tOV_Exception);
  EXPECT_THROW(writer.SetFileName(std::u16string(u"x\0y", 3)), tOV_Exception);
  EXPECT_EQ(Utf16ToUtf8(writer.FileName()), (folder.Path() / "DRV.log").string());
}

TEST_F(LogWriterTest, SetFileNameKeepsFolderAndTakesNameAsGiven) {
  tOV_LogWriter writer(u"DRV", folder.Path16(), 0, true);
  writer.SetFileName(u"/elsewhere/deep/Other.txt");
  EXPECT_EQ(Utf16ToUtf8(writer.FileName()), (folder.Path() / "Other.txt").string());
  EXPECT_FALSE(fs::exists("/elsewhere"));
  const std::u16string moved = folder.Path16() + u"/moved";
  writer.SetDirectory(moved);
  EXPECT_EQ(writer.Directory(), moved);
  EXPECT_EQ(Utf16ToUtf8(writer.FileName()), (folder.Path() / "moved" / "Other.txt").string());
  EXPECT_TRUE(fs::is_directory(folder.Path() / "moved"));
  writer.Write(let_info, u"here");
  EXPECT_TRUE(WaitFor([&] { return FileHolds(folder.Path() / "moved" / "Other.txt", "here"); }));
}

TEST_F(LogWriterTest, GetLogFileSizeIsMinusOneUntilTheFileExists) {
  tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
  EXPECT_EQ(writer.GetLogFileSize(), -1);
  EXPECT_TRUE(writer.CheckLogfileSize());
  writer.Write(let_info, u"x");
  ASSERT_TRUE(WaitFor([&] { return writer.GetLogFileSize() > 0; }));
  EXPECT_EQ(writer.GetLogFileSize(), static_cast<int64_t>(ReadWholeFile(LogPath("DRV.log")).size()));
}

// Roll-over happens only when the file is strictly larger than the limit.
TEST_F(LogWriterTest, RollsOverOnlyAboveTheByteLimit) {
  struct Case {
    size_t existingBytes;
    bool rolled;
  } cases[] = {{1023, false}, {1024, false}, {1025, true}};
  for (const auto& c : cases) {
    TempFolder logs;
    const fs::path current = logs.Path() / "DRV_20240315.log";
    const fs::path rolled = logs.Path() / "DRV_20240315_20240315143005123.log";
    const std::string existing(c.existingBytes, 'x');
    std::ofstream(current, std::ios::binary) << existing;
    {
      tOV_LogWriter writer(u"DRV", logs.Path16(), 0, true);
      writer.SetMaxLogFileSize(1);
      writer.Write(let_info, u"next");
    }
    const std::string line = "2024-03-15 14:30:05:123 - next\r\n";
    if (c.rolled) {
      EXPECT_EQ(ReadWholeFile(rolled), existing) << c.existingBytes;
      EXPECT_EQ(ReadWholeFile(current), line) << c.existingBytes;
    } else {
      EXPECT_FALSE(fs::exists(rolled)) << c.existingBytes;
      EXPECT_EQ(ReadWholeFile(current), existing + line) << c.existingBytes;
    }
  }
}

TEST_F(LogWriterTest, SizeIsCheckedBeforeEveryLine) {
  // 1000 bytes, then lines of 32 bytes: the first takes it to 1032 (> 1024),
  // so the second is the first line of a new file.
  const fs::path current = LogPath("DRV.log");
  std::ofstream(current, std::ios::binary) << std::string(1000, 'x');
  {
    tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
    writer.SetMaxLogFileSize(1);
    writer.Write(let_info, u"one!");
    writer.Write(let_info, u"two!");
  }
  EXPECT_EQ(ReadWholeFile(LogPath("DRV_20240315143005123.log")),
            std::string(1000, 'x') + "2024-03-15 14:30:05:123 - one!\r\n");
  EXPECT_EQ(ReadWholeFile(current), "2024-03-15 14:30:05:123 - two!\r\n");
}

TEST_F(LogWriterTest, ExistingRollOverTargetLeavesTheFullFileInPlace) {
  const fs::path current = LogPath("DRV.log");
  const fs::path target = LogPath("DRV_20240315143005123.log");
  std::ofstream(current, std::ios::binary) << std::string(2000, 'x');
  std::ofstream(target, std::ios::binary) << "earlier roll-over";
  {
    tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
    writer.SetMaxLogFileSize(1);
    writer.Write(let_info, u"kept");
  }
  EXPECT_EQ(ReadWholeFile(target), "earlier roll-over");
  EXPECT_EQ(ReadWholeFile(current), std::string(2000, 'x') + "2024-03-15 14:30:05:123 - kept\r\n");
}

TEST_F(LogWriterTest, DestructionWritesOutEveryQueuedLineInCallOrderPerThread) {
  SetClockForTesting(nullptr);  // the real clock, read concurrently
  constexpr int kThreads = 4;
  constexpr int kLinesPerThread = 400;
  {
    tOV_LogWriter writer(u"BURST", folder.Path16(), 0, false);
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
      writers.emplace_back([&writer, t] {
        for (int i = 0; i < kLinesPerThread; ++i) {
          writer.Write(i % 7 == 0 ? let_error : let_info,
                       AsciiToUtf16("T" + std::to_string(t) + " #" + std::to_string(i)));
        }
      });
    }
    for (auto& thread : writers) thread.join();
  }  // destroyed right after the burst
  const std::vector<std::string> lines = Lines(ReadWholeFile(LogPath("BURST.log")));
  ASSERT_EQ(lines.size(), size_t(kThreads * kLinesPerThread));
  std::vector<int> next(kThreads, 0);
  for (const std::string& line : lines) {
    const size_t at = line.find(" T");
    ASSERT_NE(at, std::string::npos) << line;
    const int thread = std::stoi(line.substr(at + 2));
    const int number = std::stoi(line.substr(line.find('#') + 1));
    ASSERT_EQ(number, next[thread]) << line;
    const bool error = line.find(" - ERROR - ") != std::string::npos;
    EXPECT_EQ(error, number % 7 == 0) << line;
    ++next[thread];
  }
}

TEST_F(LogWriterTest, LineIsLostAfterTenFailedAttemptsAndTheNextIsWritten) {
  const fs::path current = LogPath("DRV.log");
  fs::create_directory(current);  // a folder where the file should be: every open fails
  tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
  const auto start = std::chrono::steady_clock::now();
  writer.Write(let_info, u"lost line");
  // The line leaves the queue only when its attempts are over.
  ASSERT_TRUE(WaitFor([&] { return writer.Thread().QueueCount() == 0; }));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(9 * 50));  // ten attempts, 50 ms apart
  fs::remove(current);
  writer.Write(let_info, u"next line");
  ASSERT_TRUE(WaitFor([&] { return FileHolds(current, "next line"); }));
  EXPECT_EQ(ReadWholeFile(current), "2024-03-15 14:30:05:123 - next line\r\n");
}

TEST_F(LogWriterTest, AFolderThatCannotBeWrittenHoldsTheDestructionOnlyBriefly) {
  fs::create_directory(LogPath("DRV.log"));  // every open fails
  auto writer = std::make_unique<tOV_LogWriter>(u"DRV", folder.Path16(), 0, false);
  for (int i = 0; i < 40; ++i) writer->Write(let_info, u"line " + IntToStr(i));  // 18 s of attempts
  const auto start = std::chrono::steady_clock::now();
  writer.reset();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::milliseconds(2500));  // a second of retries, then one attempt a line

  // A folder that can be written keeps every line, however long the queue.
  fs::remove(LogPath("DRV.log"));
  writer = std::make_unique<tOV_LogWriter>(u"DRV", folder.Path16(), 0, false);
  for (int i = 0; i < 2000; ++i) writer->Write(let_info, u"kept " + IntToStr(i));
  writer.reset();
  EXPECT_NE(ReadWholeFile(LogPath("DRV.log")).find("kept 1999\r\n"), std::string::npos);
}

TEST_F(LogWriterTest, MissingFolderDropsLinesWithoutReachingTheCaller) {
  const std::u16string gone = folder.Path16() + u"/gone";
  tOV_LogWriter writer(u"DRV", gone, 0, false);
  fs::remove_all(folder.Path() / "gone");
  EXPECT_NO_THROW(writer.Write(let_info, u"nowhere"));
  ASSERT_TRUE(WaitFor([&] { return writer.Thread().QueueCount() == 0; }));
  EXPECT_FALSE(fs::exists(folder.Path() / "gone" / "DRV.log"));
}

TEST_F(LogWriterTest, TwoWritersOnOneFileKeepEveryLine) {
  SetClockForTesting(nullptr);
  {
    tOV_LogWriter first(u"SHARED", folder.Path16(), 0, false);
    tOV_LogWriter second(u"SHARED", folder.Path16(), 0, false);
    for (int i = 0; i < 200; ++i) {
      first.Write(let_info, AsciiToUtf16("first " + std::to_string(i)));
      second.Write(let_info, AsciiToUtf16("second " + std::to_string(i)));
    }
  }
  // Every line arrives whole and once; the two writers interleave freely.
  std::multiset<std::string> messages;
  for (const auto& line : Lines(ReadWholeFile(LogPath("SHARED.log")))) {
    ASSERT_EQ(line.substr(23, 3), " - ") << line;
    messages.insert(line.substr(26));
  }
  EXPECT_EQ(messages.size(), 400u);
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(messages.count("first " + std::to_string(i)), 1u);
    EXPECT_EQ(messages.count("second " + std::to_string(i)), 1u);
  }
}

TEST_F(LogWriterTest, ThreadWritesLinesPromptlyWithoutDestruction) {
  tOV_LogWriter writer(u"DRV", folder.Path16(), 0, false);
  EXPECT_EQ(writer.Thread().Writer(), &writer);
  for (int i = 0; i < 3; ++i) {
    const std::string text = "line " + std::to_string(i);
    writer.Write(let_info, AsciiToUtf16(text));
    ASSERT_TRUE(WaitFor([&] { return FileHolds(LogPath("DRV.log"), text + "\r\n"); },
                        std::chrono::seconds(5)));
  }
}

}  // namespace
