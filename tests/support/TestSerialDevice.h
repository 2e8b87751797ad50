// A pty pair standing in for a device on a serial line, for one test: the
// test holds the device's end (the master); the port's end (the slave) is
// what the COM port driver opens, as COM<n> through OVPA_COM<n>, which is set
// for the object's life. The slave stays open here as well, so the line does
// not hang up when the driver closes it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

class TestSerialDevice {
 public:
  explicit TestSerialDevice(uint32_t aComNumber);
  ~TestSerialDevice();
  TestSerialDevice(const TestSerialDevice&) = delete;
  TestSerialDevice& operator=(const TestSerialDevice&) = delete;

  const std::string& PortPath() const { return fPortPath; }
  // A descriptor of the port's end, to look at its line settings.
  int PortSide() const { return fSlave; }

  // What the device sends.
  void Send(const std::string& aBytes);
  // aByte, as fast as the port takes it, until aStop is set.
  void Stream(char aByte, const std::atomic<bool>& aStop);
  // What the device has received, once at least aCount bytes came or aTimeout passed.
  std::string Receive(size_t aCount, std::chrono::milliseconds aTimeout = std::chrono::seconds(10));
  // The device goes away: reads of the port fail from now on.
  void HangUp();

 private:
  uint32_t fComNumber;
  int fMaster = -1;
  int fSlave = -1;
  std::string fPortPath;
};
