#include "app/uOV_Base.h"

#include "app/uOV_StringTable.h"
#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "log/uOV_LogWriter.h"
#include "platform/ovMessageBox.h"
#include "platform/ovPaths.h"
#include "platform/ovProcess.h"

namespace {

constexpr int32_t kFirstInfoId = 10000;
// Reading goes on across gaps of up to this many ids without text.
constexpr int kMaxMisses = 10;

// A plain pointer: no static destructor may release the object behind the
// library's unload, which runs at process exit too.
tOV_Application* gApplication = nullptr;

// Characters aFirst..aFirst+aCount-1 (from 1) read as a number; 1 when they are not one.
int DatePart(const std::u16string& aText, size_t aFirst, size_t aCount) {
  if (aFirst - 1 >= aText.size()) return 1;
  int32_t value = 0;
  return TryStrToInt(std::u16string_view(aText).substr(aFirst - 1, aCount), value) ? value : 1;
}

// dd/mm/yyyy, read by position.
ovDateTime ReleaseDateFromText(const std::u16string& aText) {
  ovDateTime date = 0;
  if (!TryEncodeDate(DatePart(aText, 7, 4), DatePart(aText, 4, 2), DatePart(aText, 1, 2), date)) {
    throw tOV_Exception(u"Invalid argument to date encode");
  }
  return date;
}

}  // namespace

// ---------------------------------------------------------------------------
// tOV_ApplicationInfo

void tOV_ApplicationInfo::Load() { Load(LoadLibraryString); }

void tOV_ApplicationInfo::Load(const StringReader& aReadString) {
  *this = tOV_ApplicationInfo();
  tOV_ApplicationHistory* current = nullptr;
  int misses = 0;
  for (int32_t id = kFirstInfoId; misses <= kMaxMisses; ++id) {
    std::u16string entry = aReadString(id);
    if (entry.size() > kMaxStringTableText) entry.resize(kMaxStringTableText);
    if (entry.empty()) {
      ++misses;
      continue;
    }
    misses = 0;
    const size_t equals = entry.find(u'=');
    const std::u16string key = UpperCase(entry.substr(0, equals));
    const std::u16string value = equals == std::u16string::npos ? std::u16string() : entry.substr(equals + 1);
    if (key == u"$APPDESCRIPTION") {
      fDescription = value;
    } else if (key == u"$COPYRIGHT") {
      fCopyright = value;
    } else if (key == u"$VERSION") {
      fVersion = value;
      fHistory.push_back(tOV_ApplicationHistory{value, 0, {}, {}});
      current = &fHistory.back();
    } else if (current == nullptr) {
      continue;  // history keys before the first version are ignored
    } else if (key == u"$AUTHOR") {
      current->fAuthor = value;
    } else if (key == u"$RELEASEDATE") {
      fReleaseDate = ReleaseDateFromText(value);
      current->fReleaseDate = fReleaseDate;
    } else if (key == u"$PTEXT" || key == u"$TEXT") {
      current->fText.push_back(value);
    }
  }
}

// ---------------------------------------------------------------------------
// tOV_Application

tOV_Application::tOV_Application() {
  const std::u16string executable = HostExecutablePath();
  fLogger = std::make_unique<tOV_LogWriter>(RemoveFileExtension(ExtractFileName(executable)),
                                            JoinPath(ExtractFileDir(executable), u"LogFiles"), 0, false);
  fIsBatch = !FindSwitch(u"/BATCH", true).empty();
  fIsDebug = !FindSwitch(u"/DEBUG", true).empty();
  fIsTest = !FindSwitch(u"/TEST", true).empty();
  fInfo = std::make_unique<tOV_ApplicationInfo>();
  fInfo->Load();
}

// The log writer's destructor writes out the queued lines.
tOV_Application::~tOV_Application() = default;

void tOV_Application::Log(tOV_MessageType aEntryType, const std::u16string& aMessage) {
  if (aEntryType == let_error) {
    std::lock_guard guard(fLastErrorLock);
    fLastError = aMessage;
  }
  fLogger->Write(aEntryType, aMessage);
}

void tOV_Application::ShowMessage(tOV_MessageType aEntryType, const std::u16string& aMessage) {
  // The console stand-in leaves no trace of its own, so the log keeps the
  // message in both cases.
  Log(aEntryType, aMessage);
  if (fIsBatch) return;
  ShowMessageBox(aEntryType == let_error ? ovMessageBoxKind::Error : ovMessageBoxKind::Information,
                 fInfo->Description(), aMessage);
}

std::u16string tOV_Application::VersionText() const {
  return u"Version " + fInfo->Version() + u" - " + DateToShortDateText(fInfo->ReleaseDate());
}

std::u16string tOV_Application::LastError() const {
  std::lock_guard guard(fLastErrorLock);
  return fLastError;
}

std::u16string tOV_Application::LogFileName() const { return fLogger->FileName(); }

// ---------------------------------------------------------------------------
// Process-wide object and switches

tOV_Application* Application() { return gApplication; }

void CreateApplication() {
  if (gApplication == nullptr) gApplication = new tOV_Application();
}

void DestroyApplication() {
  delete gApplication;
  gApplication = nullptr;
}

std::u16string FindSwitch(const std::u16string& aSwitch, bool aWhole) {
  for (const std::u16string& argument : CommandLineArguments()) {
    if (StartsText(aSwitch + u":", argument) || StartsText(aSwitch + u"=", argument) ||
        SameText(argument, aSwitch)) {
      return aWhole ? argument : argument.substr(std::min(argument.size(), aSwitch.size() + 1));
    }
  }
  return {};
}
