#include "io/uovSerialDriver.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/ovSerialPort.h"
#include "platform/ovUtf.h"
#include "support/ChildProcess.h"
#include "support/FailureOf.h"
#include "support/TempFolder.h"
#include "support/TestSerialDevice.h"
#include "support/WaitFor.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kCom = 57;
constexpr auto kSlack = 1500ms;

std::chrono::milliseconds Timed(const std::function<void()>& aAction) {
  const auto start = Clock::now();
  aAction();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// One byte asked for, with aTimeout; answers the count and how long it took.
std::pair<int32_t, std::chrono::milliseconds> TimedRead(TComPort& aPort, uint32_t aTimeout) {
  std::vector<uint8_t> buffer;
  uint32_t flags = 0;
  int32_t count = 0;
  const auto took = Timed([&] { count = aPort.Read(buffer, 1, aTimeout, flags); });
  return {count, took};
}

TEST(ComPortTest, ConstructorsKeepTheLineParametersAndOpenNothing) {
  TComPort defaults(3);
  EXPECT_EQ(defaults.ComNumber(), 3u);
  EXPECT_EQ(defaults.BaudRate(), 9600u);
  EXPECT_EQ(defaults.DataBits(), 8u);
  EXPECT_EQ(defaults.StopBits(), TStopBits::sbOne);
  EXPECT_EQ(defaults.Parity(), TParity::ptNone);
  EXPECT_FALSE(defaults.ComIsOpen());
  EXPECT_EQ(defaults.DriverVersion(), u"1.0");
  EXPECT_EQ(TComPort(4, 19200).BaudRate(), 19200u);
  TComPort all(5, 57600, 7, TStopBits::sbTwo, TParity::ptSpace);
  EXPECT_EQ(all.BaudRate(), 57600u);
  EXPECT_EQ(all.DataBits(), 7u);
  EXPECT_EQ(all.StopBits(), TStopBits::sbTwo);
  EXPECT_EQ(all.Parity(), TParity::ptSpace);
}

TEST(ComPortTest, OpenMakesTheLineRawWithItsParameters) {
  TestSerialDevice device(kCom);
  TComPort port(kCom, 115200, 8, TStopBits::sbTwo, TParity::ptNone);
  port.Open();
  EXPECT_TRUE(port.ComIsOpen());
  termios line{};
  ASSERT_EQ(tcgetattr(device.PortSide(), &line), 0);
  EXPECT_EQ(cfgetospeed(&line), speed_t(B115200));
  EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS8));
  EXPECT_NE(line.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(line.c_cflag & PARENB, 0u);
  // Bytes pass unchanged: no echo, no line editing, no CR/LF translation either way.
  EXPECT_EQ(line.c_lflag & (ECHO | ICANON | ISIG), 0u);
  EXPECT_EQ(line.c_iflag & (ICRNL | IXON), 0u);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);
  device.Send(std::string("\r\n\x13\x00\xff", 5));
  std::vector<uint8_t> buffer;
  uint32_t flags = 0;
  EXPECT_EQ(port.Read(buffer, 5, 2000, flags), 5);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{'\r', '\n', 0x13, 0x00, 0xff}));
  EXPECT_TRUE(port.WriteText(std::string("\r\n\x11\x00", 4)));
  EXPECT_EQ(device.Receive(4), std::string("\r\n\x11\x00", 4));
  port.Close();
  EXPECT_FALSE(port.ComIsOpen());
  port.Close();  // closing a closed port does nothing
}

TEST(ComPortTest, LineParametersThePortCannotTakeFailSetCommStateAndLeaveThePortFree) {
  struct Case {
    uint32_t baud;
    uint8_t data;
    TStopBits stop;
  } cases[] = {
      {0, 8, TStopBits::sbOne},          {12345, 8, TStopBits::sbOne},   {9600, 4, TStopBits::sbOne},
      {9600, 9, TStopBits::sbOne},       {9600, 8, TStopBits::sbOneHalf},  // 1.5 only with 5 data bits
      {9600, 5, TStopBits::sbTwo},                                        // 2 never with 5
  };
  TestSerialDevice device(kCom);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.baud) + "/" + std::to_string(c.data) + "/" + std::to_string(int(c.stop)));
    TComPort port(kCom, c.baud, c.data, c.stop, TParity::ptNone);
    EXPECT_EQ(FailureOf([&] { port.Open(); }), u"SetCommState failed!");
    EXPECT_FALSE(port.ComIsOpen());
    TComPort next(kCom);  // the failed open did not keep the port
    next.Open();
    EXPECT_TRUE(next.ComIsOpen());
  }
}

TEST(ComPortTest, ParityIsTakenOrRefusedAsThePortCan) {
  // A pty carries no parity: a port that cannot take it refuses it clearly,
  // one that can (a UART) reports it back.
  struct Case {
    TParity parity;
    tcflag_t flags;
  } cases[] = {
      {TParity::ptOdd, PARENB | PARODD},
      {TParity::ptEven, PARENB},
      {TParity::ptMark, PARENB | CMSPAR | PARODD},
      {TParity::ptSpace, PARENB | CMSPAR},
  };
  TestSerialDevice device(kCom);
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.parity));
    TComPort port(kCom, 9600, 8, TStopBits::sbOne, c.parity);
    const std::u16string failure = FailureOf([&] { port.Open(); });
    if (failure == u"(no failure)") {
      termios line{};
      ASSERT_EQ(tcgetattr(device.PortSide(), &line), 0);
      EXPECT_EQ(line.c_cflag & (PARENB | PARODD | CMSPAR), c.flags);
    } else {
      EXPECT_EQ(failure, u"SetCommState failed!");
      EXPECT_FALSE(port.ComIsOpen());
    }
  }
}

TEST(ComPortTest, OpenErrorsCarryWindowsTexts) {
  TempFolder folder;
  const std::string missing = (folder.Path() / "no-such-device").string();
  setenv("OVPA_COM99", missing.c_str(), 1);
  TComPort absent(99);
  EXPECT_EQ(FailureOf([&] { absent.Open(); }), u"COM99 is not a valid COM port.");
  EXPECT_EQ(FailureOf([] { TComPort(0).Open(); }), u"COM0 is not a valid COM port.");
  // A file that is no terminal opens, but has no line settings; it is not kept open.
  const std::string plain = (folder.Path() / "plain-file").string();
  std::ofstream(plain) << "x";
  setenv("OVPA_COM99", plain.c_str(), 1);
  TComPort notATerminal(99);
  EXPECT_EQ(FailureOf([&] { notATerminal.Open(); }), u"GetCommState failed!");
  EXPECT_EQ(FailureOf([&] { notATerminal.Open(); }), u"GetCommState failed!");  // not "error #5"
  unsetenv("OVPA_COM99");
}

TEST(ComPortTest, ComNumbersNameDevicesThroughTheEnvironmentOrTtyS) {
  unsetenv("OVPA_COM12");
  EXPECT_EQ(SerialPortDeviceName(12), u"/dev/ttyS11");
  EXPECT_EQ(SerialPortDeviceName(1), u"/dev/ttyS0");
  setenv("OVPA_COM12", "/dev/ttyUSB0", 1);
  EXPECT_EQ(SerialPortDeviceName(12), u"/dev/ttyUSB0");
  unsetenv("OVPA_COM12");
}

TEST(ComPortTest, AnOpenPortRefusesEverySecondOpener) {
  TestSerialDevice device(kCom);
  TComPort first(kCom);
  first.Open();
  TComPort second(kCom);
  EXPECT_EQ(FailureOf([&] { second.Open(); }), u"Cannot open COM57 (error #5).");
  EXPECT_EQ(FailureOf([&] { first.Open(); }), u"Cannot open COM57 (error #5).");  // again by itself
  EXPECT_TRUE(first.ComIsOpen());  // and still open

  TempFolder folder;
  // Another program that locks the port is refused the lock.
  const ChildResult locker = RunChild({"/usr/bin/flock", "-n", device.PortPath(), "true"}, folder.Path(), 10s);
  EXPECT_TRUE(locker.finished);
  EXPECT_NE(locker.exitCode, 0);
  // Another program that merely opens it is refused by the terminal itself
  // (TIOCEXCL); only a privileged one passes that, so the test's root drops
  // the privilege for it.
  std::vector<std::string> opener = {"/bin/sh", "-c", "exec 3<>\"$0\"", device.PortPath()};
  if (geteuid() == 0) {
    opener.insert(opener.begin(), {"/usr/bin/setpriv", "--inh-caps=-sys_admin", "--bounding-set=-sys_admin"});
  }
  const ChildResult open = RunChild(opener, folder.Path(), 10s);
  EXPECT_TRUE(open.finished);
  EXPECT_NE(open.exitCode, 0);
  EXPECT_NE(open.errors.find("busy"), std::string::npos) << open.errors;

  first.Close();
  second.Open();
  EXPECT_TRUE(second.ComIsOpen());
  second.Close();
  EXPECT_EQ(RunChild({"/usr/bin/flock", "-n", device.PortPath(), "true"}, folder.Path(), 10s).exitCode, 0);
}

TEST(ComPortTest, TheReadTimeOutIsProgrammedOnlyWhenItChanges) {
  TestSerialDevice device(kCom);
  TComPort port(kCom);
  port.Open();
  const auto [silent, first] = TimedRead(port, 300);
  EXPECT_EQ(silent, 0);  // the time-out passed
  EXPECT_GE(first, 300ms);
  EXPECT_LT(first, 300ms + kSlack);
  // 0 keeps what is programmed.
  const auto kept = TimedRead(port, 0).second;
  EXPECT_GE(kept, 300ms);
  EXPECT_LT(kept, 300ms + kSlack);
  const auto longer = TimedRead(port, 700).second;
  EXPECT_GE(longer, 700ms);
  EXPECT_LT(longer, 700ms + kSlack);

  // Re-opening forgets it: the same time-out is programmed again. Without
  // that the fresh port would wait for a byte, which comes only much later.
  port.Close();
  port.Open();
  std::mutex lock;
  std::condition_variable returned;
  bool done = false;
  std::thread late([&] {
    std::unique_lock guard(lock);
    returned.wait_for(guard, 5s, [&] { return done; });
    device.Send("!");
  });
  const auto again = TimedRead(port, 700);
  {
    std::lock_guard guard(lock);
    done = true;
  }
  returned.notify_all();
  late.join();
  EXPECT_EQ(again.first, 0);
  EXPECT_LT(again.second, 700ms + kSlack);
}

TEST(ComPortTest, AReadReturnsAtTheIntervalAfterTheLastByte) {
  TestSerialDevice device(kCom);
  TComPort port(kCom);
  port.Open();
  device.Send("abc");
  std::vector<uint8_t> buffer;
  uint32_t flags = 0;
  int32_t count = 0;
  // Ten asked for, three there: 100 ms after the third byte, not the whole 5 s.
  const auto took = Timed([&] { count = port.Read(buffer, 10, 5000, flags); });
  EXPECT_EQ(count, 3);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{'a', 'b', 'c'}));
  EXPECT_GE(took, 100ms);
  EXPECT_LT(took, 100ms + kSlack);
}

TEST(ComPortTest, PendingBytesCountAndPurgeDropsThem) {
  TestSerialDevice device(kCom);
  TComPort port(kCom);
  EXPECT_EQ(port.GetBytesPending(), 0);
  port.ClearBuffers();  // closed: nothing
  port.Open();
  device.Send("12345");
  EXPECT_TRUE(WaitFor([&] { return port.GetBytesPending() == 5; }));
  port.ClearBuffers();
  EXPECT_EQ(port.GetBytesPending(), 0);
  EXPECT_EQ(TimedRead(port, 200).first, 0);
}

TEST(ComPortTest, AFailedReadAnswersMinusOneAndStillTakesItsTime) {
  TestSerialDevice device(kCom);
  TComPort port(kCom);
  port.Open();
  device.HangUp();
  std::vector<uint8_t> buffer;
  uint32_t flags = 77;
  int32_t count = 0;
  const auto took = Timed([&] { count = port.Read(buffer, 1, 300, flags); });
  EXPECT_EQ(count, -1);
  EXPECT_EQ(flags, 0u);  // a pty has no line errors to report
  EXPECT_GE(took, 300ms);  // so a caller's loop does not spin
  EXPECT_LT(took, 300ms + kSlack);
}

TEST(ComPortTest, OperationsOnAClosedPortRaiseTheirTexts) {
  TComPort port(kCom);
  std::vector<uint8_t> buffer;
  uint32_t flags = 0;
  struct Case {
    const char* name;
    std::function<void()> action;
    std::u16string message;
  } cases[] = {
      {"Read", [&] { port.Read(buffer, 1, 100, flags); }, u"Cannot read because COM port is not open."},
      {"WriteText", [&] { port.WriteText("x"); }, u"Cannot write because COM port is not open."},
      {"SetDTR", [&] { port.SetDTR(true); }, u"SetDTR failed because COM port not open."},
      {"SetRTS", [&] { port.SetRTS(false); }, u"SetRTS failed because COM port not open."},
      {"SetLineParameters", [&] { port.SetLineParameters(9600, 8, TStopBits::sbOne, TParity::ptNone); },
       u"GetCommState failed!"},
  };
  for (const auto& c : cases) EXPECT_EQ(FailureOf(c.action), c.message) << c.name;
}

TEST(ComPortTest, ModemLinesOfAnOpenPortDoNotRaise) {
  TestSerialDevice device(kCom);
  TComPort port(kCom);
  port.Open();
  // A pty has no modem lines; the request is made and its outcome, as on
  // Windows, not looked at.
  EXPECT_EQ(FailureOf([&] { port.SetDTR(true); }), u"(no failure)");
  EXPECT_EQ(FailureOf([&] { port.SetRTS(true); }), u"(no failure)");
}

}  // namespace
