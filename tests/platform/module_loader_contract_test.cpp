// What every ModuleLoader adapter promises: a module loads and shows its
// entry points only when nobody but its owner could have changed the file.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::test {
namespace {

namespace fs = std::filesystem;
using platform::LoadedModule;
using platform::ModuleLoader;
namespace err = platform::err;

struct LoaderCase {
  const char* name;
  std::function<std::unique_ptr<ModuleLoader>()> make;
};

class ModuleLoaderContract : public ::testing::TestWithParam<LoaderCase> {
 protected:
  void SetUp() override { loader_ = GetParam().make(); }

  // A copy of the built processing object in the test's folder with `mode`.
  std::wstring Copy(const std::string& name, mode_t mode) {
    const std::string path = root_.Path() + "/" + name;
    fs::copy_file(BuiltFile("OroSoundAPO.so"), path, fs::copy_options::overwrite_existing);
    EXPECT_EQ(chmod(path.c_str(), mode), 0);
    return platform::FromUtf8(path);
  }

  platform::ErrorCode Load(const std::wstring& path, std::unique_ptr<LoadedModule>* out) {
    return loader_->Load(path, out);
  }

  TempRoot root_;
  std::unique_ptr<ModuleLoader> loader_;
};

TEST_P(ModuleLoaderContract, OwnersModuleLoadsAndShowsItsEntryPoints) {
  std::unique_ptr<LoadedModule> module;
  const std::wstring copy = Copy("OroSoundAPO.so", 0755);
  ASSERT_EQ(Load(copy, &module), err::kSuccess);
  ASSERT_TRUE(module);
  EXPECT_NE(module->Symbol("DllRegisterServer"), nullptr);
  EXPECT_NE(module->Symbol("DllUnregisterServer"), nullptr);
  EXPECT_EQ(module->Symbol("NoSuchEntryPoint"), nullptr);
  EXPECT_EQ(module->Symbol(nullptr), nullptr);
  // Each address is found in the file that holds it, by its resolved path.
  EXPECT_EQ(loader_->PathContaining(module->Symbol("DllRegisterServer")),
            platform::FromUtf8(fs::canonical(platform::ToUtf8(copy)).string()));
  EXPECT_EQ(loader_->PathContaining(reinterpret_cast<const void*>(&BuiltFile)),
            platform::FromUtf8(fs::canonical("/proc/self/exe").string()));
  EXPECT_EQ(loader_->PathContaining(nullptr), L"");
}

TEST_P(ModuleLoaderContract, FilesOthersCouldChangeAreRefusedBeforeLoading) {
  std::unique_ptr<LoadedModule> module;
  EXPECT_EQ(Load(Copy("group.so", 0775), &module), err::kAccessDenied);
  EXPECT_EQ(Load(Copy("world.so", 0757), &module), err::kAccessDenied);
  EXPECT_EQ(Load(platform::FromUtf8(root_.Path()), &module), err::kAccessDenied);  // a folder
  // A good file in a folder others may change could be swapped before it loads.
  const std::string open_folder = root_.Path() + "/open";
  ASSERT_EQ(mkdir(open_folder.c_str(), 0700), 0);
  ASSERT_EQ(chmod(open_folder.c_str(), 0777), 0);
  EXPECT_EQ(Load(Copy("open/OroSoundAPO.so", 0755), &module), err::kAccessDenied);
  EXPECT_FALSE(module);
  // A link is judged by the file it leads to.
  fs::create_symlink(root_.Path() + "/group.so", root_.Path() + "/link.so");
  EXPECT_EQ(Load(platform::FromUtf8(root_.Path() + "/link.so"), &module), err::kAccessDenied);
}

TEST_P(ModuleLoaderContract, MissingAndBrokenFilesGiveTheirOwnCodes) {
  std::unique_ptr<LoadedModule> module;
  EXPECT_EQ(Load(platform::FromUtf8(root_.Path() + "/absent.so"), &module), err::kFileNotFound);
  EXPECT_EQ(Load(L"", &module), err::kInvalidParameter);
  const std::string text = root_.Path() + "/text.so";
  std::ofstream(text) << "not a module\n";
  ASSERT_EQ(chmod(text.c_str(), 0644), 0);
  EXPECT_EQ(Load(platform::FromUtf8(text), &module), err::kModuleNotFound);
  EXPECT_FALSE(module);
}

INSTANTIATE_TEST_SUITE_P(Adapters, ModuleLoaderContract,
                         ::testing::Values(LoaderCase{"dlopen",
                                                      [] { return platform::linux_host::MakeDlModuleLoader(); }}),
                         [](const ::testing::TestParamInfo<LoaderCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace oro::test
