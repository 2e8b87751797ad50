// The library-wide application object: the application information (from
// which the version text is built), the application log beside the host
// program, the message facility and the host's command-line switches.
// Created once at library load, released at unload.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/uOV_DateTime.h"
#include "log/uOV_Base_Defs.h"

class tOV_LogWriter;

// One released version, as the application information lists it.
struct tOV_ApplicationHistory {
  std::u16string fVersion;
  ovDateTime fReleaseDate = 0;
  std::u16string fAuthor;
  std::vector<std::u16string> fText;
};

class tOV_ApplicationInfo {
 public:
  // Text of one string-table id, empty when there is none.
  using StringReader = std::function<std::u16string(int32_t aId)>;

  // Reads the library's string table from id 10000 upward.
  void Load();
  // The same from a given table: entries "key=value"; reading stops after
  // eleven ids in a row without text. A release date that is not a valid
  // date raises.
  void Load(const StringReader& aReadString);

  const std::u16string& Description() const { return fDescription; }
  const std::u16string& Copyright() const { return fCopyright; }
  const std::u16string& Version() const { return fVersion; }
  ovDateTime ReleaseDate() const { return fReleaseDate; }
  const std::vector<tOV_ApplicationHistory>& History() const { return fHistory; }

 private:
  std::u16string fDescription;
  std::u16string fCopyright;
  std::u16string fVersion;
  ovDateTime fReleaseDate = 0;
  std::vector<tOV_ApplicationHistory> fHistory;
};

class tOV_Application {
 public:
  tOV_Application();
  ~tOV_Application();
  tOV_Application(const tOV_Application&) = delete;
  tOV_Application& operator=(const tOV_Application&) = delete;

  // Writes a line to the application log; an error line is also kept as LastError.
  void Log(tOV_MessageType aEntryType, const std::u16string& aMessage);
  // Batch: the application log. Otherwise the user is told on standard error
  // and in the application log, and the call waits for Enter when standard
  // input is a terminal.
  void ShowMessage(tOV_MessageType aEntryType, const std::u16string& aMessage);

  // "Version " + version + " - " + release date in the short date format.
  std::u16string VersionText() const;

  const tOV_ApplicationInfo& Info() const { return *fInfo; }
  std::u16string LastError() const;
  std::u16string LogFileName() const;
  bool IsBatch() const { return fIsBatch; }
  bool IsDebug() const { return fIsDebug; }
  bool IsTest() const { return fIsTest; }

 private:
  std::unique_ptr<tOV_LogWriter> fLogger;
  mutable std::mutex fLastErrorLock;  // Log may be called from any thread
  std::u16string fLastError;
  bool fIsBatch = false;
  bool fIsDebug = false;
  bool fIsTest = false;
  std::unique_ptr<tOV_ApplicationInfo> fInfo;
};

// The process-wide object, set between CreateApplication and DestroyApplication
// (library load and unload); null outside.
tOV_Application* Application();
void CreateApplication();
void DestroyApplication();

// Command-line switch /X: an argument that equals S, or begins with S + ":"
// or S + "=", compared without regard to letter case. Answers the whole
// argument (aWhole) or the text after the separator; empty when absent.
std::u16string FindSwitch(const std::u16string& aSwitch, bool aWhole);
