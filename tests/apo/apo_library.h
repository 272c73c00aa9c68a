// The processing object loaded the way the kit loads it: dlopen of the built
// file and its entry points by name. Its store and section come from
// ORO_PLATFORM and ORO_ROOT, which each test points at its own state folder.
#pragma once

#include <dlfcn.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <string>

#include "oro_sound_apo.h"
#include "temp_root.h"

namespace oro::test {

class ApoLibrary {
 public:
  ApoLibrary() : handle_(dlopen(BuiltFile("OroSoundAPO.so").c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~ApoLibrary() {
    if (handle_) dlclose(handle_);
  }
  ApoLibrary(const ApoLibrary&) = delete;
  ApoLibrary& operator=(const ApoLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  template <typename Fn>
  Fn* Entry(const char* name) const {
    return handle_ ? reinterpret_cast<Fn*>(dlsym(handle_, name)) : nullptr;
  }

  int32_t Register() const { return Entry<int32_t()>("DllRegisterServer")(); }
  int32_t Unregister() const { return Entry<int32_t()>("DllUnregisterServer")(); }
  int32_t Open(OroApoSection** out) const { return Entry<int32_t(OroApoSection**)>("OroApoOpenSection")(out); }
  int32_t Read(OroApoSection* s, int32_t* capacity, void* b1, void* b2) const {
    return Entry<int32_t(OroApoSection*, int32_t*, void*, void*)>("OroApoReadBlocks")(s, capacity, b1, b2);
  }
  void Close(OroApoSection* s) const { Entry<void(OroApoSection*)>("OroApoCloseSection")(s); }

 private:
  void* handle_;
};

class ApoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apo_.Loaded()) << "OroSoundAPO.so must be built: " << dlerror();
    setenv("ORO_PLATFORM", "sim", 1);
    setenv("ORO_ROOT", root_.Path().c_str(), 1);
  }

  TempRoot root_;
  ApoLibrary apo_;
};

}  // namespace oro::test
