// The kit updating itself from the panel's upgrade page, against a real FTP
// server on loopback: the start-up offer, the download with its progress,
// the checksum verification, the question on the GUI thread and the
// installer written whole into a private folder, then started.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QThread>
#include <fstream>
#include <iterator>

#include "ftp_test_server.h"
#include "install_folder.h"
#include "oro/common/checksum.h"
#include "oro/platform/text.h"
#include "oro/updater/ftp_client.h"
#include "panel_fixture.h"
#include "upgrade_page.h"

namespace oro::test {
namespace {

const std::string kInstalled = "the installer this kit was installed from";

std::string Tag(const std::string& bytes) {
  char line[40];
  std::snprintf(line, sizeof line, "setup.exe:crc=0x%08x", common::Crc32(bytes));
  return line;
}

std::string NewInstaller() {
  std::string bytes(300000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 31 + i / 7) & 0xFF);
  return bytes;
}

class SelfUpdateTest : public PanelTest {
 protected:
  void SetUp() override {
    const std::string why = LoopbackFtpServer::Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  void TearDown() override { window_.reset(); }

  void StartServer(const LoopbackFtpServer::Options& server_options = {}) {
    ASSERT_EQ(mkdir((served_.Path() + "/updates").c_str(), 0755), 0);
    server_ = std::make_unique<LoopbackFtpServer>(served_.Path(), server_options);
    ASSERT_GT(server_->Port(), 0);
    updater::NetConfig config;
    config.server = "127.0.0.1";
    config.port = static_cast<std::uint32_t>(server_->Port());
    config.user = "kit";
    config.password = "secret";
    config.folder = "updates";
    config.check_switch = 1;
    install_.WriteConfig(config);
    install_.WriteInstaller(kInstalled);
    temp_ = root_.Path() + "/tmp";
    ASSERT_EQ(mkdir(temp_.c_str(), 0755), 0);
    const std::wstring folder = platform::FromUtf8(install_.Path());
    options_.update_check = [this, folder] {
      ++checks_;
      return updater::CheckForUpdate(folder);
    };
    options_.temp_folder = QString::fromStdString(temp_);
    options_.ask_install = [this](const QString& title, const QString& text) {
      asked_.push_back(title + "|" + text);
      asked_on_gui_thread_ = QThread::currentThread() == qApp->thread();
      return answer_ok_;
    };
  }
  // The installer offered and the update information listing `listed`.
  void Serve(const std::string& installer, const std::string& listed) {
    Put("updates/setup.exe", installer);
    Put("updates/oro_updateinfo.dat", "setup.exe:crc=0x00000001\r\n" + listed + "\r\n");
  }
  void Put(const std::string& name, const std::string& content) {
    std::ofstream(served_.Path() + "/" + name, std::ios::binary) << content;
  }
  // Window up and its start-up check done.
  void OpenWindow() {
    Window();
    page_ = window_->findChild<panel::UpgradePage*>();
    QTRY_VERIFY_WITH_TIMEOUT(!page_->Busy(), 20000);
  }
  bool PressUpdate() {
    QSignalSpy finished(page_, &panel::UpgradePage::jobFinished);
    Find<QPushButton>("pushButton_18")->click();
    return finished.wait(30000);
  }
  QString Status() { return Find<QLabel>("label_241")->text(); }
  // Starts of anything but the monitoring helper the window starts itself.
  std::vector<ApiCall> InstallerStarts() {
    std::vector<ApiCall> starts;
    for (const ApiCall& call : api_.Calls("start_task")) {
      if (call.text != L"normal.exe") starts.push_back(call);
    }
    return starts;
  }
  QStringList TempEntries() {
    return QDir(QString::fromStdString(temp_)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  }

  TempRoot served_;
  InstallFolder install_;
  std::unique_ptr<LoopbackFtpServer> server_;
  std::string temp_;
  panel::UpgradePage* page_ = nullptr;
  std::atomic<int> checks_{0};
  std::vector<QString> asked_;
  bool asked_on_gui_thread_ = false;
  bool answer_ok_ = true;
};

TEST_F(SelfUpdateTest, ANewVersionIsOfferedAndOkStartsExactlyTheDownloadedBytesFromAPrivateFolder) {
  StartServer();
  const std::string installer = NewInstaller();
  Serve(installer, Tag(installer));
  OpenWindow();
  EXPECT_EQ(Find<QStackedWidget>("stackedWidget")->currentWidget()->objectName(), "page");
  EXPECT_EQ(Status(), "New version found");
  EXPECT_TRUE(InstallerStarts().empty());

  ASSERT_TRUE(PressUpdate());
  EXPECT_EQ(Status(), "Download Success");
  EXPECT_EQ(Find<QProgressBar>("progressBar")->value(), 100);
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(asked_[0], "upgrade|Download completed,press OK to upgrade");
  EXPECT_TRUE(asked_on_gui_thread_);

  const auto starts = InstallerStarts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].text, L"oro_setup.exe");
  EXPECT_EQ(starts[0].args, std::vector<int>{5});
  const std::string folder = platform::ToUtf8(starts[0].folder);
  ASSERT_EQ(folder.rfind(temp_ + "/", 0), 0u) << folder;
  struct stat st {};
  ASSERT_EQ(lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, getuid());
  const std::string path = folder + "/oro_setup.exe";
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::ifstream in(path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), {});
  EXPECT_TRUE(written == installer) << written.size() << " bytes";
  // Only the installer, no half-written leftovers beside it.
  EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{"oro_setup.exe"});
}

TEST_F(SelfUpdateTest, CancelStartsNothingAndAnUnlistedInstallerIsRefusedUnwritten) {
  StartServer();
  const std::string installer = NewInstaller();
  Serve(installer, Tag(installer));
  answer_ok_ = false;
  OpenWindow();
  ASSERT_TRUE(PressUpdate());
  EXPECT_EQ(asked_.size(), 1u);
  EXPECT_TRUE(InstallerStarts().empty());
  EXPECT_TRUE(TempEntries().isEmpty()) << TempEntries().join(",").toStdString();

  // The server now offers bytes whose checksum its list does not name.
  answer_ok_ = true;
  Serve(installer + "tampered", Tag(installer));
  ASSERT_TRUE(PressUpdate());
  EXPECT_EQ(Status(), "Illeagal installer package");
  EXPECT_EQ(asked_.size(), 1u);
  EXPECT_TRUE(InstallerStarts().empty());
  EXPECT_TRUE(TempEntries().isEmpty());

  // Once the list names the installed installer there is nothing to fetch.
  Serve(installer, Tag(kInstalled));
  window_->Context().language = 0;
  window_->ApplyLanguage();
  ASSERT_TRUE(PressUpdate());
  EXPECT_EQ(Status(), QString::fromUtf8("没有发现新版本"));
  EXPECT_EQ(asked_.size(), 1u);
}

TEST_F(SelfUpdateTest, AStalledServerEndsInFailureWithinTheClientsBoundsAndASecondPressChangesNothing) {
  const updater::FtpTimeouts saved = updater::FtpGetTimeouts();
  updater::FtpSetTimeouts({2000, 1500, 2000});
  LoopbackFtpServer::Options stalling;
  stalling.stall_file = "setup.exe";
  StartServer(stalling);
  const std::string installer = NewInstaller();
  Serve(installer, Tag(installer));
  OpenWindow();
  ASSERT_EQ(checks_.load(), 1);

  QSignalSpy finished(page_, &panel::UpgradePage::jobFinished);
  auto* button = Find<QPushButton>("pushButton_18");
  button->click();
  QTRY_COMPARE_WITH_TIMEOUT(Status(), QString("Start downloading"), 10000);
  EXPECT_TRUE(page_->Busy());
  EXPECT_FALSE(button->isEnabled());
  button->click();
  QMetaObject::invokeMethod(button, "clicked", Q_ARG(bool, false));  // even a click that gets through
  ASSERT_TRUE(finished.wait(30000));
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(Status(), "Download Failed");
  EXPECT_EQ(checks_.load(), 2);
  EXPECT_TRUE(button->isEnabled());
  EXPECT_TRUE(asked_.empty());
  EXPECT_TRUE(InstallerStarts().empty());
  EXPECT_TRUE(TempEntries().isEmpty());
  updater::FtpSetTimeouts(saved);
}

}  // namespace
}  // namespace oro::test
