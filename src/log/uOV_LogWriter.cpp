#include "log/uOV_LogWriter.h"

#include <chrono>

#include "base/uOV_Exception.h"
#include "platform/ovClock.h"
#include "platform/ovFiles.h"
#include "platform/ovLibraryLifetime.h"
#include "platform/ovPaths.h"
#include "platform/ovRegional.h"
#include "platform/ovUtf.h"

namespace {

constexpr auto kIdlePoll = std::chrono::milliseconds(60);
constexpr int kAppendAttempts = 10;
constexpr auto kAppendRetryDelay = std::chrono::milliseconds(50);
// How long an unload under the loader lock waits for a thread to write out
// its queue before it is stopped where it stands.
constexpr auto kUnloadDrainLimit = std::chrono::seconds(5);
// Once a writer is being destroyed, how long a line that fails keeps its
// retries: a folder that cannot be written must not hold a CLOSE for the
// half second each of its lines would otherwise take. Lines that can be
// written still are, however many there are.
constexpr auto kDrainRetryLimit = std::chrono::seconds(1);

void AppendDigits(std::u16string& aText, int aValue, int aWidth) {
  char16_t digits[8];
  for (int i = aWidth - 1; i >= 0; --i) {
    digits[i] = static_cast<char16_t>(u'0' + aValue % 10);
    aValue /= 10;
  }
  aText.append(digits, static_cast<size_t>(aWidth));
}

// "yyyy-mm-dd hh:mm:ss:zzz", the colons being the regional time separator.
void AppendTimestamp(std::u16string& aText, const ovLocalTime& aTime, char16_t aTimeSeparator) {
  AppendDigits(aText, aTime.Year, 4);
  aText += u'-';
  AppendDigits(aText, aTime.Month, 2);
  aText += u'-';
  AppendDigits(aText, aTime.Day, 2);
  aText += u' ';
  AppendDigits(aText, aTime.Hour, 2);
  aText += aTimeSeparator;
  AppendDigits(aText, aTime.Minute, 2);
  aText += aTimeSeparator;
  AppendDigits(aText, aTime.Second, 2);
  aText += aTimeSeparator;
  AppendDigits(aText, aTime.Millisecond, 3);
}

std::u16string CompactDate(const ovLocalTime& aTime) {
  std::u16string text;
  AppendDigits(text, aTime.Year, 4);
  AppendDigits(text, aTime.Month, 2);
  AppendDigits(text, aTime.Day, 2);
  return text;
}

// yyyymmddhhnnsszzz, the suffix of a rolled-over file.
std::u16string CompactDateTime(const ovLocalTime& aTime) {
  std::u16string text = CompactDate(aTime);
  AppendDigits(text, aTime.Hour, 2);
  AppendDigits(text, aTime.Minute, 2);
  AppendDigits(text, aTime.Second, 2);
  AppendDigits(text, aTime.Millisecond, 3);
  return text;
}

void CheckPath(const std::u16string& aPath) {
  if (!IsValidPath(aPath)) throw tOV_Exception(u"Invalid characters in path");
}

}  // namespace

// ---------------------------------------------------------------------------
// tOV_LogThread

tOV_LogThread::tOV_LogThread(tOV_LogWriter* aWriter) : fWriter(aWriter), fThread([this] { Execute(); }) {}

tOV_LogThread::~tOV_LogThread() {
  switch (CurrentUnloadContext()) {
    case ovUnloadContext::Ordinary:
      Terminate();
      if (fThread.joinable()) fThread.join();
      break;
    case ovUnloadContext::LoaderLockHeld:
    case ovUnloadContext::ProcessExiting:
      // The thread writes out its queue and parks; it may not end by itself here.
      DrainAndPark();
      StopParkedThread(fThread);
      break;
  }
}

void tOV_LogThread::DrainAndPark() {
  std::unique_lock lock(fLock);
  fPark = true;
  StartDraining();
  fWake.notify_one();
  fParkedSignal.wait_for(lock, kUnloadDrainLimit, [this] { return fParked; });
}

void tOV_LogThread::WriteOutHere() {
  // The lock is free unless the thread died holding it, in the moment it
  // looks at the queue; then the lines are lost rather than the exit hung.
  std::unique_lock lock(fLock, std::defer_lock);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  while (!lock.try_lock()) {
    if (std::chrono::steady_clock::now() >= giveUp) return;
    std::this_thread::yield();
  }
  StartDraining();
  std::deque<std::u16string> lines;
  lines.swap(fQueue);
  tOV_LogWriter* writer = fWriter;
  lock.unlock();
  if (writer == nullptr) return;
  for (const std::u16string& line : lines) {
    try {
      writer->AppendToFile(line, *this);
    } catch (...) {
    }
  }
}

void tOV_LogThread::Enqueue(std::u16string aLine) {
  bool wasEmpty;
  {
    std::lock_guard guard(fLock);
    wasEmpty = fQueue.empty();
    fQueue.push_back(std::move(aLine));
  }
  // The thread only waits while the queue is empty.
  if (wasEmpty) fWake.notify_one();
}

void tOV_LogThread::Terminate() {
  {
    std::lock_guard guard(fLock);
    StartDraining();
  }
  fWake.notify_one();
}

void tOV_LogThread::StartDraining() {
  if (!fTerminated) fRetriesEndAt = std::chrono::steady_clock::now() + kDrainRetryLimit;
  fTerminated = true;
}

bool tOV_LogThread::RetriesAllowed() const {
  std::lock_guard guard(fLock);
  return !fTerminated || std::chrono::steady_clock::now() < fRetriesEndAt;
}

size_t tOV_LogThread::QueueCount() const {
  std::lock_guard guard(fLock);
  return fQueue.size();
}

tOV_LogWriter* tOV_LogThread::Writer() const {
  std::lock_guard guard(fLock);
  return fWriter;
}

void tOV_LogThread::SetWriter(tOV_LogWriter* aWriter) {
  std::lock_guard guard(fLock);
  fWriter = aWriter;
}

void tOV_LogThread::Execute() {
  std::unique_lock lock(fLock);
  for (;;) {
    if (fQueue.empty()) {
      if (fTerminated && fPark) Park(lock);
      if (fTerminated) break;
      fWake.wait_for(lock, kIdlePoll);
      continue;
    }
    // The head stays queued while it is written: only this thread removes
    // lines, and appending at the tail keeps references to it valid.
    const std::u16string& line = fQueue.front();
    tOV_LogWriter* writer = fWriter;
    lock.unlock();
    if (writer != nullptr) {
      try {
        writer->AppendToFile(line, *this);
      } catch (...) {
        // A line that cannot be written is lost, like one that failed its attempts.
      }
    }
    lock.lock();
    fQueue.pop_front();
  }
}

void tOV_LogThread::Park(std::unique_lock<std::mutex>& aLock) {
  fParked = true;
  fParkedSignal.notify_all();
  aLock.unlock();
  // Holding nothing, until StopParkedThread ends the thread.
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

// ---------------------------------------------------------------------------
// tOV_LogWriter

tOV_LogWriter::tOV_LogWriter(const std::u16string& aFileName, const std::u16string& aDirectory,
                             int32_t aMaxMessageLength, bool aDaily) {
  CheckPath(aFileName);
  fFileName = aDaily ? aFileName + u"_" + CompactDate(LocalTimeNow()) + u".log" : aFileName + u".log";
  SetDirectory(aDirectory);
  fMaxMessageLength = aMaxMessageLength;
  fDaily = aDaily;
  fCounter = 0;
  fMaxLogfileSize = 5000;
  fThread = std::make_unique<tOV_LogThread>(this);
}

tOV_LogWriter::~tOV_LogWriter() {
  if (CurrentUnloadContext() == ovUnloadContext::ProcessExiting) {
    // The thread is gone with every other one: what it left queued is written
    // here. Its objects stay as they are: destroying what a dead thread waited
    // on may wait for ever, and the process is ending anyway.
    fThread->WriteOutHere();
    static_cast<void>(fThread.release());
    return;
  }
  // The thread's destructor returns once every queued line has had its
  // attempts; no grace period is needed for that.
  fThread.reset();
}

void tOV_LogWriter::Write(tOV_MessageType aEntryType, const std::u16string& aMessage) {
  {
    std::lock_guard guard(fSettingsLock);
    if (fFileName.empty()) throw tOV_Exception(u"Log filename is empty ");
  }
  const ovLocalTime now = LocalTimeNow();
  const char16_t timeSeparator = RegionalSettings().TimeSeparator;
  const std::u16string_view separator = aEntryType == let_error ? u" - ERROR - " : u" - ";
  std::u16string_view message = aMessage;
  if (fMaxMessageLength > 0 && message.size() > static_cast<size_t>(fMaxMessageLength)) {
    message = message.substr(0, static_cast<size_t>(fMaxMessageLength));
  }
  std::u16string line;
  line.reserve(23 + separator.size() + message.size());
  AppendTimestamp(line, now, timeSeparator);
  line += separator;
  line += message;
  fThread->Enqueue(std::move(line));
}

int64_t tOV_LogWriter::GetLogFileSize() const { return FileSize(FileName()); }

bool tOV_LogWriter::CheckLogfileSize() const { return fCounter % 20 == 0; }

std::u16string tOV_LogWriter::Directory() const {
  std::lock_guard guard(fSettingsLock);
  return fDirectory;
}

void tOV_LogWriter::SetDirectory(const std::u16string& aDirectory) {
  CheckPath(aDirectory);
  {
    std::lock_guard guard(fSettingsLock);
    fDirectory = aDirectory;
    fFileName = JoinPath(aDirectory, ExtractFileName(fFileName));
  }
  // A folder that cannot be created shows later, as lines that cannot be written.
  ForceDirectories(aDirectory);
}

std::u16string tOV_LogWriter::FileName() const {
  std::lock_guard guard(fSettingsLock);
  return fFileName;
}

void tOV_LogWriter::SetFileName(const std::u16string& aFileName) {
  CheckPath(aFileName);
  std::lock_guard guard(fSettingsLock);
  fFileName = JoinPath(fDirectory, ExtractFileName(aFileName));
}

int32_t tOV_LogWriter::MaxLogFileSize() const {
  std::lock_guard guard(fSettingsLock);
  return fMaxLogfileSize;
}

void tOV_LogWriter::SetMaxLogFileSize(int32_t aKiB) {
  std::lock_guard guard(fSettingsLock);
  fMaxLogfileSize = aKiB;
}

void tOV_LogWriter::AppendToFile(const std::u16string& aLine, const tOV_LogThread& aThread) {
  std::u16string fileName;
  int64_t limit;
  {
    std::lock_guard guard(fSettingsLock);
    fileName = fFileName;
    limit = static_cast<int64_t>(fMaxLogfileSize) * 1024;
  }
  if (CheckLogfileSize() && FileSize(fileName) > limit) {
    // A failed move (target exists, file busy) leaves the line to the full
    // file; the check runs again before the next line.
    const std::u16string target =
        RemoveFileExtension(fileName) + u"_" + CompactDateTime(LocalTimeNow()) + u".log";
    MoveFileNoReplace(fileName, target);
  }
  std::string bytes = Utf16ToUtf8(aLine);
  bytes += "\r\n";
  for (int attempt = 1; attempt <= kAppendAttempts; ++attempt) {
    if (::AppendToFile(fileName, bytes)) return;
    if (attempt == kAppendAttempts || !aThread.RetriesAllowed()) break;
    std::this_thread::sleep_for(kAppendRetryDelay);
  }
  // Ten failed attempts (one, late in a writer's destruction): the line is
  // dropped; the next one is tried afresh.
}
