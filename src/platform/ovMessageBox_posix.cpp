#include "platform/ovConsoleMessageBox_posix.h"
#include "platform/ovMessageBox.h"

#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/ovUtf.h"

namespace {

std::mutex gLock;  // one box at a time, as a modal box would be
int gInput = -1;
int gOutput = -1;

void WriteAll(int aFd, const std::string& aBytes) {
  size_t written = 0;
  while (written < aBytes.size()) {
    const ssize_t n = write(aFd, aBytes.data() + written, aBytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nobody to tell: the message is still in the application log
    written += static_cast<size_t>(n);
  }
}

void WaitForEnter(int aFd) {
  char c = 0;
  for (;;) {
    const ssize_t n = read(aFd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || c == '\n' || c == '\r') return;
  }
}

}  // namespace

void ShowMessageBox(ovMessageBoxKind aKind, const std::u16string& aCaption, const std::u16string& aText) {
  std::lock_guard guard(gLock);
  const int input = gInput >= 0 ? gInput : STDIN_FILENO;
  const int output = gOutput >= 0 ? gOutput : STDERR_FILENO;
  std::string text;
  if (!aCaption.empty()) text += Utf16ToUtf8(aCaption) + " - ";
  text += aKind == ovMessageBoxKind::Error ? "Error: " : "Information: ";
  text += Utf16ToUtf8(aText) + "\n";
  const bool interactive = isatty(input) == 1;
  if (interactive) text += "Press Enter to continue...";
  WriteAll(output, text);
  if (interactive) WaitForEnter(input);
}

void SetMessageBoxConsoleForTesting(int aInput, int aOutput) {
  std::lock_guard guard(gLock);
  gInput = aInput;
  gOutput = aOutput;
}
