// Drives the built library as a host does: loads it at run time, makes BSTRs
// with its string functions, calls the exports and frees what they hand back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "integration/HostLibrary.h"
#include "platform/ovUtf.h"
#include "support/TempFolder.h"

namespace {

struct Answer {
  int16_t result;
  std::u16string output;
  std::u16string message;
  bool messageWasNull;
};

class ExportsTest : public ::testing::Test {
 protected:
  Answer Call(const char* aExport, const std::u16string* aRequest) {
    auto operation = fLibrary.Symbol<OvpaOperation>(aExport);
    EXPECT_NE(operation, nullptr) << aExport;
    BSTR request = aRequest ? fLibrary.Make(*aRequest) : nullptr;
    BSTR output = nullptr;
    BSTR message = nullptr;
    const int16_t result = operation(request, &output, &message);
    fLibrary.Free(request);
    Answer answer{result, fLibrary.Take(output), {}, message == nullptr};
    answer.message = fLibrary.Take(message);
    return answer;
  }
  Answer Call(const char* aExport, const std::u16string& aRequest) { return Call(aExport, &aRequest); }

  HostLibrary fLibrary;
};

TEST_F(ExportsTest, StringFunctionsKeepTheWindowsLayout) {
  BSTR text = fLibrary.Make(u"abc");
  EXPECT_EQ(fLibrary.Length(text), 3u);
  EXPECT_EQ(fLibrary.ByteLength(text), 6u);
  uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<char*>(text) - 4, 4);
  EXPECT_EQ(prefix, 6u);
  EXPECT_EQ(text[3], 0);
  fLibrary.Free(text);
  EXPECT_EQ(fLibrary.Length(nullptr), 0u);
  fLibrary.Free(nullptr);
}

TEST_F(ExportsTest, GetStatusAnswersAnyInput) {
  const std::u16string garbage = u"garbage <";
  for (const std::u16string* request : {static_cast<const std::u16string*>(nullptr), &garbage}) {
    const Answer answer = Call("GETSTATUS", request);
    EXPECT_EQ(answer.result, 0);
    EXPECT_TRUE(answer.messageWasNull);
    EXPECT_EQ(answer.output.substr(0, 28), u"<DayOpened>False</DayOpened>");
  }
}

TEST_F(ExportsTest, NullRequestFailsEveryOtherOperation) {
  for (const char* name : {"PAY", "REPRINT", "OPEN", "CLOSE", "DAYCLOSE", "GETTOTALS", "VERIFYTRAN"}) {
    const Answer answer = Call(name, nullptr);
    EXPECT_EQ(answer.result, -1) << name;
    EXPECT_NE(answer.output.find(u"<Error>True</Error>"), std::u16string::npos) << name;
    EXPECT_EQ(answer.output.back(), u'>') << name;  // no line break at the end
  }
}

TEST_F(ExportsTest, LookupFailuresReachTheHost) {
  const Answer unknownHandle = Call("PAY", u"<R><Handle>77</Handle><Payment/></R>");
  EXPECT_EQ(unknownHandle.result, -1);
  EXPECT_EQ(unknownHandle.message, u"Device Handle not found");
  EXPECT_NE(unknownHandle.output.find(u"<ErrorText>Device Handle not found</ErrorText>\r\n<LogFileName></LogFileName>"),
            std::u16string::npos);

  const Answer unknownDriver = Call("OPEN", u"<R><Driver>ovpa_dovavarezu_10</Driver></R>");
  EXPECT_EQ(unknownDriver.message, u"Payment Driver [ovpa_dovavarezu_10] not registered.");
  EXPECT_EQ(unknownDriver.output.substr(0, 18), u"<Handle>0</Handle>");

  const Answer malformed = Call("DAYCLOSE", u"<R><Handle>x</Handle></R>");
  EXPECT_EQ(malformed.message, u"Error in processing node Handle as integer.\r\n'x' is not a valid integer value");

  const Answer close = Call("CLOSE", u"<R/>");
  EXPECT_EQ(close.result, -1);
  EXPECT_TRUE(close.messageWasNull);  // CLOSE does not report its error text
  EXPECT_EQ(close.output, u"<Error>True</Error>\r\n<ErrorText></ErrorText>\r\n<LogFileName></LogFileName>");
}

TEST_F(ExportsTest, AnOpenOnAConnectionTheDriverCannotUseLoadsNothing) {
  const TempFolder folder;
  const std::filesystem::path mark = folder.Path() / "loaded";
  setenv("OV_TEST_LIBRARY_MARK", mark.c_str(), 1);
  const std::string logId = "dll-" + std::to_string(getpid());
  const std::string request =
      "<R><Driver>OVPA_DOVAVAREZU_10</Driver><LogId>" + logId +
      "</LogId><Connection><Type>DLL</Type><LibraryName>" OV_TEST_DYNLIB_PATH "</LibraryName></Connection>"
      "<Parameters><ImpactApiKey>k</ImpactApiKey><User>u</User><Password>p</Password><TermId>T</TermId>"
      "</Parameters></R>";
  const Answer answer = Call("OPEN", Utf8ToUtf16(request));
  unsetenv("OV_TEST_LIBRARY_MARK");
  EXPECT_EQ(answer.result, -1);
  EXPECT_EQ(answer.message, u"Invalid class typecast");
  EXPECT_FALSE(std::filesystem::exists(mark)) << "the named library was loaded";
  // No device log either: the refusal came before any handler was built.
  const std::filesystem::path logFolder =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "LogFiles" / "Payment";
  if (std::filesystem::exists(logFolder)) {
    for (const auto& entry : std::filesystem::directory_iterator(logFolder)) {
      EXPECT_EQ(entry.path().filename().string().find(logId), std::string::npos) << entry.path();
    }
  }
}

TEST_F(ExportsTest, OutVariablesAreOverwrittenWithoutBeingFreed) {
  auto operation = fLibrary.Symbol<OvpaOperation>("GETSTATUS");
  BSTR mine = fLibrary.Make(u"held by the host");
  BSTR output = mine;
  BSTR message = mine;
  EXPECT_EQ(operation(nullptr, &output, &message), 0);
  EXPECT_NE(output, mine);
  EXPECT_EQ(message, nullptr);
  EXPECT_EQ(fLibrary.Take(mine), u"held by the host");  // still ours, still intact
  fLibrary.Take(output);
}

TEST_F(ExportsTest, VersionAnswersZeroForAnyName) {
  auto version = fLibrary.Symbol<OvpaOperation>("VERSION");
  for (const std::u16string name : {u"ovpa_dovavarezu_10", u" OVPA_DOVAVAREZU_10", u"<R/>"}) {
    BSTR input = fLibrary.Make(name);
    BSTR text = nullptr;
    BSTR message = nullptr;
    EXPECT_EQ(version(input, &text, &message), 0);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(message, nullptr);
    fLibrary.Free(input);
  }
}

}  // namespace
