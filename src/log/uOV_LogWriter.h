// Queued text log files. A caller's Write formats one line and queues it; the
// writer's own background thread appends the lines in order, opening and
// closing the file for every line so that it is never held locked. Files are
// named per day when the writer is created and rolled over by size.
// The writer owns its thread; the thread owns the queue.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "log/uOV_Base_Defs.h"

class tOV_LogWriter;

// The background thread of one writer, the only consumer of its queue. It
// runs from construction until termination has been requested and the queue
// is empty; its destructor waits for that.
class tOV_LogThread {
 public:
  explicit tOV_LogThread(tOV_LogWriter* aWriter);
  ~tOV_LogThread();
  tOV_LogThread(const tOV_LogThread&) = delete;
  tOV_LogThread& operator=(const tOV_LogThread&) = delete;

  // Adds a formatted line at the tail of the queue.
  void Enqueue(std::u16string aLine);
  // Writes the queued lines on the calling thread: at process exit, when the
  // thread is gone (CurrentUnloadContext).
  void WriteOutHere();
  // After this the thread ends as soon as the queue is empty.
  void Terminate();
  size_t QueueCount() const;
  // Whether a line that fails may be tried again: always, until the writer
  // is being destroyed, then for a short while only.
  bool RetriesAllowed() const;

  tOV_LogWriter* Writer() const;
  void SetWriter(tOV_LogWriter* aWriter);

 private:
  void Execute();
  // The way out of an unload that may not wait for the thread to end
  // (CurrentUnloadContext): the thread writes out its queue and parks.
  void DrainAndPark();
  // Under fLock: termination requested, the retries' end set.
  void StartDraining();
  [[noreturn]] void Park(std::unique_lock<std::mutex>& aLock);

  mutable std::mutex fLock;
  std::condition_variable fWake;
  std::condition_variable fParkedSignal;
  std::deque<std::u16string> fQueue;
  tOV_LogWriter* fWriter;  // not owned
  bool fTerminated = false;
  bool fPark = false;
  bool fParked = false;
  std::chrono::steady_clock::time_point fRetriesEndAt;
  std::thread fThread;  // started last, once the fields above are ready
};

class tOV_LogWriter {
 public:
  // aFileName is the base name without extension. With aDaily the name gets
  // "_" + the creation date (yyyymmdd). The directory is created when missing;
  // a path with characters the platform does not allow raises.
  // aMaxMessageLength cuts messages to that many UTF-16 code units; 0 or less
  // keeps them whole.
  tOV_LogWriter(const std::u16string& aFileName, const std::u16string& aDirectory,
                int32_t aMaxMessageLength, bool aDaily);
  // Writes out every queued line before it returns.
  ~tOV_LogWriter();
  tOV_LogWriter(const tOV_LogWriter&) = delete;
  tOV_LogWriter& operator=(const tOV_LogWriter&) = delete;

  // Formats "yyyy-mm-dd hh:mm:ss:zzz - message" (" - ERROR - " for errors)
  // with the time of this call and queues it; never touches the disk.
  // Raises "Log filename is empty " when there is no file name.
  void Write(tOV_MessageType aEntryType, const std::u16string& aMessage);

  // Size in bytes of the current file; -1 when it cannot be read.
  int64_t GetLogFileSize() const;
  // Whether the size check runs before the next line: always, as nothing
  // moves the counter off a multiple of 20.
  bool CheckLogfileSize() const;

  std::u16string Directory() const;
  // Moves the file name into this folder and creates the folder.
  void SetDirectory(const std::u16string& aDirectory);
  // Full path of the current log file.
  std::u16string FileName() const;
  // Keeps the folder, takes the file-name part of aFileName as it is.
  void SetFileName(const std::u16string& aFileName);
  int32_t MaxMessageLength() const { return fMaxMessageLength; }
  bool Daily() const { return fDaily; }
  // Roll-over threshold in KiB.
  int32_t MaxLogFileSize() const;
  void SetMaxLogFileSize(int32_t aKiB);
  tOV_LogThread& Thread() { return *fThread; }

 private:
  friend class tOV_LogThread;
  // Called by the thread only: roll-over check, then the line with retries
  // while aThread allows them.
  void AppendToFile(const std::u16string& aLine, const tOV_LogThread& aThread);

  // Guards the settings the thread reads while callers may change them.
  mutable std::mutex fSettingsLock;
  std::u16string fDirectory;
  int32_t fMaxMessageLength = 0;
  std::u16string fFileName;
  bool fDaily = false;
  int32_t fMaxLogfileSize = 5000;
  int32_t fCounter = 0;
  std::unique_ptr<tOV_LogThread> fThread;
};
