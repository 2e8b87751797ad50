// The serial port on termios. The descriptor is non-blocking; every wait is a
// poll, so reads keep Windows' time-out rules exactly: a total time from the
// start of the read, and an interval after each byte.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>

#include "platform/ovProcess.h"
#include "platform/ovSerialPort.h"
#include "platform/ovUtf.h"

namespace {

using Clock = std::chrono::steady_clock;

// A write gives up when the port has taken or sent no byte for this long (a
// line held by flow control), as a write time-out would.
constexpr int kWriteStallMs = 5000;

constexpr uint32_t kFlagOverrun = 2;     // CE_OVERRUN
constexpr uint32_t kFlagParity = 4;      // CE_RXPARITY
constexpr uint32_t kFlagFrame = 8;       // CE_FRAME
constexpr uint32_t kFlagBreak = 16;      // CE_BREAK
constexpr uint32_t kFlagQueueFull = 1;   // CE_RXOVER
constexpr uint32_t kGeneralFailure = 31;  // ERROR_GEN_FAILURE

struct SpeedEntry {
  uint32_t baud;
  speed_t code;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

std::optional<speed_t> SpeedCode(uint32_t aBaud) {
  for (const auto& entry : kSpeeds) {
    if (entry.baud == aBaud) return entry.code;
  }
  return std::nullopt;
}

#ifdef CMSPAR
constexpr tcflag_t kStickParity = CMSPAR;
#else
constexpr tcflag_t kStickParity = 0;
#endif
constexpr tcflag_t kLineFlags = CSIZE | CSTOPB | PARENB | PARODD | kStickParity;

// The open errors in Windows' numbers, so hosts read the same texts on both systems.
uint32_t WindowsOpenError(int aErrno) {
  switch (aErrno) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
    case EIO:  // a device node without its hardware
      return kSerialErrorFileNotFound;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
      return kSerialErrorAccessDenied;
    case EMFILE:
    case ENFILE:
      return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case ENOMEM:
      return 8;  // ERROR_NOT_ENOUGH_MEMORY
    default:
      return kGeneralFailure;
  }
}

// Bytes pass unchanged, as through a Windows port: no line editing, echo,
// signals, CR/LF translation or XON/XOFF; modem status lines do not gate
// reading. Hardware flow control stays as the port has it.
void MakeRaw(int aDevice) {
  termios settings{};
  if (tcgetattr(aDevice, &settings) != 0) return;
  settings.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
  settings.c_oflag &= ~tcflag_t(OPOST);
  settings.c_lflag &= ~tcflag_t(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
  settings.c_cflag |= CREAD | CLOCAL;
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  tcsetattr(aDevice, TCSANOW, &settings);
}

int RemainingMs(const std::optional<Clock::time_point>& aLimit) {
  if (!aLimit) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*aLimit - Clock::now()).count();
  return left > 0 ? int(left) : 0;  // rounded up: never wake before the limit
}

}  // namespace

std::u16string SerialPortDeviceName(uint32_t aComNumber) {
  if (aComNumber == 0) return {};
  const std::u16string number = AsciiToUtf16(std::to_string(aComNumber));
  const std::u16string chosen = EnvironmentVariable(u"OVPA_COM" + number);
  if (!chosen.empty()) return chosen;
  return u"/dev/ttyS" + AsciiToUtf16(std::to_string(aComNumber - 1));
}

struct ovSerialPort::Impl {
  int device = -1;
  bool timeoutsSet = false;
  uint32_t intervalMs = 0;
  uint32_t totalMs = 0;
#ifdef __linux__
  serial_icounter_struct counted{};  // the line's error counts at the last ClearErrors
#endif

  void Close() {
    if (device >= 0) ::close(device);  // the flock goes with the descriptor
    device = -1;
    timeoutsSet = false;
  }

  // A failed read still takes its time-out, so a caller's loop of reads
  // does not spin on a port that has gone.
  static void WaitUntil(const std::optional<Clock::time_point>& aLimit) {
    const int left = RemainingMs(aLimit);
    if (left > 0) poll(nullptr, 0, left);
  }
};

ovSerialPort::ovSerialPort() : fImpl(std::make_unique<Impl>()) {}

ovSerialPort::~ovSerialPort() { fImpl->Close(); }

bool ovSerialPort::Open(uint32_t aComNumber, uint32_t& aError) {
  const std::u16string name = SerialPortDeviceName(aComNumber);
  if (name.empty()) {
    aError = kSerialErrorFileNotFound;
    return false;
  }
  const int device = ::open(Utf16ToUtf8(name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (device < 0) {
    aError = WindowsOpenError(errno);
    return false;
  }
  if (flock(device, LOCK_EX | LOCK_NB) != 0) {
    aError = WindowsOpenError(errno);
    ::close(device);
    return false;
  }
  // Fails on a file that is not a terminal; reading its settings then says so.
  ioctl(device, TIOCEXCL);
  MakeRaw(device);
  fImpl->Close();
  fImpl->device = device;
#ifdef __linux__
  if (ioctl(device, TIOCGICOUNT, &fImpl->counted) != 0) fImpl->counted = {};
#endif
  return true;
}

bool ovSerialPort::IsOpen() const { return fImpl->device >= 0; }

void ovSerialPort::Close() { fImpl->Close(); }

ovSerialSetting ovSerialPort::SetLine(uint32_t aBaudRate, uint8_t aDataBits, uint8_t aStopBits, uint8_t aParity) {
  termios before{};
  if (fImpl->device < 0 || tcgetattr(fImpl->device, &before) != 0) return ovSerialSetting::ReadFailed;
  termios wanted = before;
  const std::optional<speed_t> speed = SpeedCode(aBaudRate);
  if (!speed || cfsetispeed(&wanted, *speed) != 0 || cfsetospeed(&wanted, *speed) != 0) {
    return ovSerialSetting::WriteFailed;
  }
  tcflag_t line = 0;
  switch (aDataBits) {
    case 5: line |= CS5; break;
    case 6: line |= CS6; break;
    case 7: line |= CS7; break;
    case 8: line |= CS8; break;
    default: return ovSerialSetting::WriteFailed;
  }
  // Windows' rules: one and a half stop bits only with 5 data bits (which is
  // what a UART sends for "two" then), two never with 5.
  switch (aStopBits) {
    case 0: break;
    case 1:
      if (aDataBits != 5) return ovSerialSetting::WriteFailed;
      line |= CSTOPB;
      break;
    case 2:
      if (aDataBits == 5) return ovSerialSetting::WriteFailed;
      line |= CSTOPB;
      break;
    default: return ovSerialSetting::WriteFailed;
  }
  switch (aParity) {
    case 0: break;
    case 1: line |= PARENB | PARODD; break;
    case 2: line |= PARENB; break;
    case 3:
    case 4:
      if (kStickParity == 0) return ovSerialSetting::WriteFailed;
      line |= PARENB | kStickParity | (aParity == 3 ? PARODD : 0);
      break;
    default: return ovSerialSetting::WriteFailed;
  }
  wanted.c_cflag = (wanted.c_cflag & ~kLineFlags) | line;
  if (tcsetattr(fImpl->device, TCSANOW, &wanted) != 0) {
    tcsetattr(fImpl->device, TCSANOW, &before);
    return ovSerialSetting::WriteFailed;
  }
  // tcsetattr succeeds when any part was taken: a port that cannot do a
  // setting (a pty has no parity, say) shows it only in what it reports.
  termios taken{};
  if (tcgetattr(fImpl->device, &taken) != 0 || (taken.c_cflag & kLineFlags) != line ||
      cfgetospeed(&taken) != *speed || cfgetispeed(&taken) != *speed) {
    tcsetattr(fImpl->device, TCSANOW, &before);
    return ovSerialSetting::WriteFailed;
  }
  return ovSerialSetting::Done;
}

ovSerialSetting ovSerialPort::SetReadTimeouts(uint32_t aIntervalMs, uint32_t aTotalMs) {
  if (fImpl->device < 0) return ovSerialSetting::ReadFailed;
  fImpl->intervalMs = aIntervalMs;
  fImpl->totalMs = aTotalMs;
  fImpl->timeoutsSet = aIntervalMs != 0 || aTotalMs != 0;
  return ovSerialSetting::Done;
}

bool ovSerialPort::Read(uint8_t* aBuffer, uint32_t aCount, uint32_t& aRead) {
  aRead = 0;
  if (fImpl->device < 0) return false;
  if (aCount == 0) return true;
  const Clock::time_point start = Clock::now();
  std::optional<Clock::time_point> total;
  if (fImpl->timeoutsSet && fImpl->totalMs > 0) total = start + std::chrono::milliseconds(fImpl->totalMs);
  std::optional<Clock::time_point> lastByte;
  for (;;) {
    const ssize_t count = ::read(fImpl->device, aBuffer + aRead, aCount - aRead);
    if (count > 0) {
      aRead += uint32_t(count);
      lastByte = Clock::now();
      if (aRead == aCount) return true;
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
      // An end of file on a terminal is a hang-up; like any other failure it
      // answers after the time-out.
      Impl::WaitUntil(total);
      return false;
    }
    std::optional<Clock::time_point> limit = total;
    if (fImpl->timeoutsSet && fImpl->intervalMs > 0 && lastByte) {
      const Clock::time_point interval = *lastByte + std::chrono::milliseconds(fImpl->intervalMs);
      if (!limit || interval < *limit) limit = interval;
    }
    if (limit && Clock::now() >= *limit) return true;
    pollfd entry{fImpl->device, POLLIN, 0};
    if (poll(&entry, 1, RemainingMs(limit)) < 0 && errno != EINTR) {
      Impl::WaitUntil(total);
      return false;
    }
  }
}

bool ovSerialPort::Write(const uint8_t* aData, uint32_t aCount, uint32_t& aWritten) {
  aWritten = 0;
  if (fImpl->device < 0) return false;
  while (aWritten < aCount) {
    const ssize_t count = ::write(fImpl->device, aData + aWritten, aCount - aWritten);
    if (count > 0) {
      aWritten += uint32_t(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd entry{fImpl->device, POLLOUT, 0};
    const int ready = poll(&entry, 1, kWriteStallMs);
    if (ready == 0) return true;  // as a write time-out: success with fewer bytes
    if (ready < 0 && errno != EINTR) return false;
  }
  // As Windows' synchronous write, return once the bytes have left, so a
  // purge at close drops nothing that was written; tcdrain could wait for
  // ever on a line held by flow control.
  int queued = 0;
  int before = -1;
  Clock::time_point progress = Clock::now();
  while (ioctl(fImpl->device, TIOCOUTQ, &queued) == 0 && queued > 0) {
    if (queued != before) {
      before = queued;
      progress = Clock::now();
    } else if (Clock::now() - progress > std::chrono::milliseconds(kWriteStallMs)) {
      break;
    }
    poll(nullptr, 0, 2);
  }
  return true;
}

bool ovSerialPort::ClearErrors(uint32_t& aFlags, uint32_t& aInputQueue) {
  aFlags = 0;
  aInputQueue = 0;
  if (fImpl->device < 0) return false;
  int waiting = 0;
  if (ioctl(fImpl->device, FIONREAD, &waiting) != 0) return false;
  aInputQueue = waiting > 0 ? uint32_t(waiting) : 0;
#ifdef __linux__
  // Ports without counters (a pty) report no errors.
  serial_icounter_struct now{};
  if (ioctl(fImpl->device, TIOCGICOUNT, &now) == 0) {
    const serial_icounter_struct& before = fImpl->counted;
    if (now.overrun != before.overrun) aFlags |= kFlagOverrun;
    if (now.parity != before.parity) aFlags |= kFlagParity;
    if (now.frame != before.frame) aFlags |= kFlagFrame;
    if (now.brk != before.brk) aFlags |= kFlagBreak;
    if (now.buf_overrun != before.buf_overrun) aFlags |= kFlagQueueFull;
    fImpl->counted = now;
  }
#endif
  return true;
}

bool ovSerialPort::Purge() { return fImpl->device >= 0 && tcflush(fImpl->device, TCIOFLUSH) == 0; }

bool ovSerialPort::SetModemLine(ovModemLine aLine, bool aOn) {
  if (fImpl->device < 0) return false;
  int bits = aLine == ovModemLine::DTR ? TIOCM_DTR : TIOCM_RTS;
  return ioctl(fImpl->device, aOn ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}
