// The scheduler of the print_spooler fixture (scripts/cups-test-server) and
// the queues a test makes on it: a PPD of a 600 dpi page printer whose
// printable area is 4800 x 7000 pixels, 150 pixels (1/4 inch) in from every
// edge, passing the given document formats through unchanged to the
// queue's socket:// device.
#pragma once

#include <string>
#include <vector>

// Reads the fixture's address into CUPS_SERVER; false when there is none.
bool UseTestSpooler(std::string& aError);

struct TestQueue {
  // Adds (or replaces) the queue, enabled and accepting jobs.
  TestQueue(const std::string& aName, const std::string& aDeviceUri, const std::vector<std::string>& aFormats);
  ~TestQueue();  // removes it, with its jobs
  TestQueue(const TestQueue&) = delete;
  TestQueue& operator=(const TestQueue&) = delete;

  void Pause();
  void RejectJobs();
  // Jobs the queue holds that have not completed.
  int PendingJobs();

  std::string Name;
};

// The PPD text the queues are made from.
std::string TestPpd(const std::vector<std::string>& aFormats);
