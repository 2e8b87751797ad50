// The log writer against the disk's own cost, in one run: what a caller pays
// for Write (it formats one line and queues it), how fast the thread drains
// the queue (an open-append-close per line, the file never held), and the
// floor, the same open-append-close loop on the caller's thread.
//
//   bench_log [LINES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <string>

#include "log/uOV_LogWriter.h"
#include "platform/ovFiles.h"
#include "platform/ovUtf.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration aDuration) { return std::chrono::duration<double>(aDuration).count(); }

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("ovpa-bench-log-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::u16string message = u"Write [250]:{\"TxnType\":0,\"Amount\":2000,\"TipAmount\":0,\"CurrencyCode\":978}";

  const auto writeStart = Clock::now();
  double drain = 0;
  {
    tOV_LogWriter writer(u"BENCH", Utf8ToUtf16(folder.string()), 0, false);
    for (int i = 0; i < lines; ++i) writer.Write(let_info, message);
    const auto queued = Clock::now();
    std::printf("Write, caller's cost:        %8.0f ns a line\n", Seconds(queued - writeStart) * 1e9 / lines);
  }  // the destructor returns once every line is in the file
  drain = Seconds(Clock::now() - writeStart);
  std::printf("drain through the thread:    %8.0f lines/s\n", lines / drain);

  const std::u16string raw = Utf8ToUtf16((folder / "RAW.log").string());
  const std::string line = "2026-12-10 11:30:05:123 - " + Utf16ToUtf8(message) + "\r\n";
  const auto rawStart = Clock::now();
  for (int i = 0; i < lines; ++i) AppendToFile(raw, line);
  const double rawSeconds = Seconds(Clock::now() - rawStart);
  std::printf("floor, open-append-close:    %8.0f lines/s   (drain at %.2fx the floor)\n", lines / rawSeconds,
              rawSeconds / drain);
  std::filesystem::remove_all(folder);
  return 0;
}
