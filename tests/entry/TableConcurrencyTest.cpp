// Several host threads calling the exports at once: the tables stay whole,
// handles stay unique, calls on one device do not interleave, and a handle
// closes exactly once. Meant to run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "entry/DeviceTableHost.h"

namespace {

constexpr int kThreads = 4;

using TableConcurrency = DeviceTableHost;

// Runs aBody(thread index) on kThreads threads released together.
template <typename Body>
void RunTogether(Body aBody) {
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ++ready;
      while (ready.load() < kThreads) std::this_thread::yield();
      aBody(t);
    });
  }
  for (auto& thread : threads) thread.join();
}

TEST_F(TableConcurrency, ThreadsOpenUseAndCloseDevicesAtOnce) {
  constexpr int kRounds = 6;
  std::vector<std::vector<int>> opened(kThreads);
  std::atomic<int> failures{0};
  RunTogether([&](int aThread) {
    for (int round = 0; round < kRounds; ++round) {
      const std::u16string id = Utf8ToUtf16(std::to_string(aThread) + "-" + std::to_string(round));
      const int handle = Open(id);
      opened[aThread].push_back(handle);
      const Answer answers[] = {
          Call(PAY, TestRequest(id, handle, u"<Payment><Action>REFUND</Action></Payment>")),
          Call(DAYCLOSE, TestRequest(id, handle, u"<DayClose/>")),
          Call(VERIFYTRAN, TestRequest(u"implicit-" + id, 0, u"<VerifyTran/>")),  // opens one more
          Call(VERSION, kTestDriverName),
          Close(handle),
      };
      for (const Answer& answer : answers) failures += answer.result != 0;
    }
  });
  EXPECT_EQ(failures.load(), 0);
  std::set<int> handles;
  for (const auto& list : opened) handles.insert(list.begin(), list.end());
  EXPECT_EQ(handles.size(), size_t(kThreads * kRounds));
  EXPECT_GE(*handles.begin(), 1);
  EXPECT_LE(*handles.rbegin(), LastHandle());
  // Every OPEN and every implicit opening took a handle of its own.
  EXPECT_EQ(LastHandle(), 2 * kThreads * kRounds);
  for (const int handle : handles) EXPECT_EQ(Close(handle).result, -1) << handle;  // all closed already
  for (int t = 0; t < kThreads; ++t) {
    const auto messages = LogMessages(DeviceLog(Utf8ToUtf16(std::to_string(t) + "-0")));
    EXPECT_EQ(messages, (std::vector<std::string>{kStartBanner, std::string(60, '-') + " Pay", "slot Refund",
                                                  std::string(55, '-') + " DayClose", "slot DayClose", kStopBanner}));
  }
}

TEST_F(TableConcurrency, CallsOnOneDeviceDoNotInterleave) {
  constexpr int kCalls = 10;
  const int handle = Open(u"shared");
  std::atomic<int> failures{0};
  RunTogether([&](int) {
    for (int call = 0; call < kCalls; ++call) {
      failures += Call(PAY, TestRequest(u"shared", handle, u"<Payment/>")).result != 0;
    }
  });
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(Device(handle)->Overlaps.load(), 0);
  ASSERT_EQ(Close(handle).result, 0);
  const auto messages = LogMessages(DeviceLog(u"shared"));
  ASSERT_EQ(messages.size(), 2u + 2 * kThreads * kCalls);
  for (size_t i = 1; i + 1 < messages.size(); i += 2) {
    EXPECT_EQ(messages[i], std::string(60, '-') + " Pay") << i;
    EXPECT_EQ(messages[i + 1], "slot Pay") << i;
  }
}

TEST_F(TableConcurrency, ARemovalThatComesSecondIsReported) {
  const int handle = Open(u"second");
  const auto found = Device(handle);  // found, as a CLOSE finds it first
  ASSERT_EQ(Close(handle).result, 0);  // then another call closes it
  EXPECT_FALSE(PaymentTables()->Remove(handle));
  EXPECT_EQ(found->Handle(), handle);  // still alive for the call that holds it
}

TEST_F(TableConcurrency, AHandleClosesOnlyOnce) {
  constexpr int kRounds = 50;
  for (int round = 0; round < kRounds; ++round) {
    const int handle = Open(u"once");
    std::atomic<int> closed{0};
    RunTogether([&](int) { closed += Close(handle).result == 0; });
    EXPECT_EQ(closed.load(), 1) << "round " << round;
  }
}

}  // namespace
