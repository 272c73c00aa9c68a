// Contract of the ServiceHost port, the service program's side of the
// manager: a program the manager did not start runs nothing; one it started
// runs its main function beside the dispatcher, its reports reach the
// manager in order, and a stop the manager sends reaches the registered
// handler on the dispatcher's thread. The fixture stands in for the manager:
//
//   struct MyHost {
//     explicit MyHost(const oro::test::TempRoot& root);  // started as "OroContract"
//     std::unique_ptr<ServiceHost> Make();
//     void Unmark();                                      // as if started by hand
//     ErrorCode SendStop();                               // the manager's stop
//     std::vector<std::uint32_t> ReportedStates();        // every report so far
//     bool RanInServiceProcess();  // Windows only, see below
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, ServiceHostContract, MyHost);
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "oro/platform/service_host.h"
#include "temp_root.h"

namespace oro::platform::contract {

constexpr const wchar_t* kContractService = L"OroContract";

template <typename Fixture>
class ServiceHostContract : public ::testing::Test {
 protected:
  test::TempRoot root_;
  Fixture fixture_{root_};
};

TYPED_TEST_SUITE_P(ServiceHostContract);

TYPED_TEST_P(ServiceHostContract, AProgramTheManagerDidNotStartRunsNothing) {
  this->fixture_.Unmark();
  auto host = this->fixture_.Make();
  bool ran = false;
  EXPECT_EQ(host->RunDispatcher(kContractService, [&] { ran = true; }), err::kFailedServiceControllerConnect);
  EXPECT_FALSE(ran);
}

TYPED_TEST_P(ServiceHostContract, ReportsArriveInOrderAndAStopReachesTheHandlerOnTheDispatcherThread) {
#ifdef _WIN32
  // The service control manager connects only a process it started itself:
  // the fixture has the manager start the case in a process of its own and
  // reports that run's outcome here (true), or is that process (false).
  if (this->fixture_.RanInServiceProcess()) return;
#endif
  auto host = this->fixture_.Make();
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<std::uint32_t> controls;
  std::thread::id handler_thread;
  const std::thread::id dispatcher_thread = std::this_thread::get_id();
  std::atomic<bool> running{false};

  std::thread manager([&] {
    // The manager stops the service once it has said it runs.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!running && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(this->fixture_.SendStop(), err::kSuccess);
  });
  const ErrorCode rc = host->RunDispatcher(kContractService, [&] {
    host->RegisterHandler([&](std::uint32_t control) {
      std::lock_guard<std::mutex> lock(mutex);
      controls.push_back(control);
      handler_thread = std::this_thread::get_id();
      cv.notify_all();
    });
    const std::uint32_t accepts = svcaccept::kStop | svcaccept::kShutdown;
    EXPECT_EQ(host->ReportStatus({svcstate::kStartPending, accepts, 0}), err::kSuccess);
    EXPECT_EQ(host->ReportStatus({svcstate::kRunning, accepts, 0}), err::kSuccess);
    running = true;
    std::unique_lock<std::mutex> lock(mutex);
    EXPECT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return !controls.empty(); }))
        << "the stop never arrived";
    lock.unlock();
    EXPECT_EQ(host->ReportStatus({svcstate::kStopPending, accepts, 0}), err::kSuccess);
    EXPECT_EQ(host->ReportStatus({svcstate::kStopped, 0, 0}), err::kSuccess);
  });
  manager.join();
  EXPECT_EQ(rc, err::kSuccess);
  ASSERT_EQ(controls, std::vector<std::uint32_t>{svccontrol::kStop});
  EXPECT_EQ(handler_thread, dispatcher_thread);
  EXPECT_EQ(this->fixture_.ReportedStates(), (std::vector<std::uint32_t>{svcstate::kStartPending, svcstate::kRunning,
                                                                         svcstate::kStopPending, svcstate::kStopped}));
}

REGISTER_TYPED_TEST_SUITE_P(ServiceHostContract, AProgramTheManagerDidNotStartRunsNothing,
                            ReportsArriveInOrderAndAStopReachesTheHandlerOnTheDispatcherThread);

}  // namespace oro::platform::contract
