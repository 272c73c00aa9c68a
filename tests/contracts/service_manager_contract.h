// Contract of the ServiceManager port: an unknown name is refused as such; a
// stopped service starts and a running one stops, each reaching its state,
// with requests that do not fit the state refused with the manager's codes;
// running dependents are listed those further away first. The factory sets
// up the services the suite drives, or skips with the reason it cannot:
//
//   struct MyServices {
//     // "OroBase" stopped; "OroMid" and "OroTop" depending on it and on
//     // "OroMid" respectively, stopped. Calls GTEST_SKIP() when it cannot.
//     static std::unique_ptr<ServiceManager> Make(const oro::test::TempRoot& root);
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, ServiceManagerContract, MyServices);
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "oro/platform/service_manager.h"
#include "temp_root.h"

namespace oro::platform::contract {

template <typename Factory>
class ServiceManagerContract : public ::testing::Test {
 protected:
  void SetUp() override {
    manager_ = Factory::Make(root_);
    if (IsSkipped()) return;
    ASSERT_TRUE(manager_);
    ASSERT_EQ(manager_->Connect(), err::kSuccess);
  }
  std::unique_ptr<Service> Open(const std::wstring& name) {
    std::unique_ptr<Service> s;
    EXPECT_EQ(manager_->Open(name, &s), err::kSuccess) << "cannot open the service";
    return s;
  }
  // Waits (a bounded while) until the service settles in `want`.
  static bool Reaches(Service& s, std::uint32_t want) {
    for (int i = 0; i < 500; ++i) {
      std::uint32_t state = 0;
      if (s.GetState(&state) == err::kSuccess && state == want) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  oro::test::TempRoot root_;
  std::unique_ptr<ServiceManager> manager_;
};

TYPED_TEST_SUITE_P(ServiceManagerContract);

TYPED_TEST_P(ServiceManagerContract, UnknownServicesAreRefused) {
  std::unique_ptr<Service> s;
  EXPECT_EQ(this->manager_->Open(L"OroNoSuchService", &s), err::kServiceDoesNotExist);
  EXPECT_FALSE(s);
}

TYPED_TEST_P(ServiceManagerContract, StartAndStopReachTheirStates) {
  auto base = this->Open(L"OroBase");
  ASSERT_TRUE(base);
  EXPECT_EQ(base->Name(), L"OroBase");
  std::uint32_t state = 0;
  EXPECT_EQ(base->Stop(&state), err::kServiceNotActive) << "a stopped service cannot stop";
  ASSERT_EQ(base->Start(), err::kSuccess);
  EXPECT_TRUE(this->Reaches(*base, svcstate::kRunning));
  EXPECT_EQ(base->Start(), err::kServiceAlreadyRunning);
  ASSERT_EQ(base->Stop(&state), err::kSuccess);
  EXPECT_TRUE(state == svcstate::kStopPending || state == svcstate::kStopped) << state;
  EXPECT_TRUE(this->Reaches(*base, svcstate::kStopped));
}

TYPED_TEST_P(ServiceManagerContract, RunningDependentsAreListedFurthestFirst) {
  auto base = this->Open(L"OroBase");
  auto mid = this->Open(L"OroMid");
  auto top = this->Open(L"OroTop");
  ASSERT_TRUE(base && mid && top);
  std::vector<std::wstring> names;
  ASSERT_EQ(base->ActiveDependents(&names), err::kSuccess);
  EXPECT_TRUE(names.empty()) << "stopped dependents are not listed";
  for (auto* s : {&base, &mid, &top}) {
    ASSERT_EQ((*s)->Start(), err::kSuccess);
    ASSERT_TRUE(this->Reaches(**s, svcstate::kRunning));
  }
  ASSERT_EQ(base->ActiveDependents(&names), err::kSuccess);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"OroTop", L"OroMid"}));
}

REGISTER_TYPED_TEST_SUITE_P(ServiceManagerContract, UnknownServicesAreRefused, StartAndStopReachTheirStates,
                            RunningDependentsAreListedFurthestFirst);

}  // namespace oro::platform::contract
