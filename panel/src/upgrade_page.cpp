#include "upgrade_page.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "message_box.h"
#include "oro/common/checksum.h"
#include "oro/platform/file_reader.h"
#include "oro/updater/ftp_client.h"

namespace oro::panel {

namespace {

// Texts of the update flow, English and Chinese.
const char* const kChecking[] = {"Checking", "检查中"};
const char* const kStartDownloading[] = {"Start downloading", "开始下载"};
const char* const kNoNewVersion[] = {"Can't find new version", "没有发现新版本"};
const char* const kNewVersion[] = {"New version found", "发现新版本"};
const char* const kDownloading[] = {"Downloading,please DON'T leaves this page...", "下载中，请勿离开本页面..."};
const char* const kDownloadSuccess[] = {"Download Success", "下载成功"};
const char* const kDownloadFailed[] = {"Download Failed", "下载失败"};
const char* const kIllegalPackage[] = {"Illeagal installer package", "非法安装包"};
const char* const kDownloadCompleted[] = {"Download completed,press OK to upgrade", "下载结束，升级请按OK键"};

QString Utf8(const char* text) { return QString::fromUtf8(text); }

}  // namespace

UpgradePage::UpgradePage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
  status_ = {Utf8(kNoNewVersion[0]), Utf8(kNoNewVersion[1])};
}

void UpgradePage::SetUp() {
  ui_.progressBar->setValue(0);
  connect(ui_.pushButton_10, &QPushButton::clicked, this, &UpgradePage::chooseFirmwareFile);
  connect(ui_.pushButton_11, &QPushButton::clicked, this,
          [this] { StartFirmwareUpdate(kDongleMode, QStringLiteral("Please select a DONGLE binary file to update")); });
  connect(ui_.pushButton_17, &QPushButton::clicked, this, [this] {
    StartFirmwareUpdate(kHeadsetMode, QStringLiteral("Please select a EARPHONE binary file to update"));
  });
  connect(ui_.pushButton_18, &QPushButton::clicked, this, &UpgradePage::OnUpdateButtonClicked);
}

void UpgradePage::ShowValues() { ui_.label_241->setText(context_.English() ? status_.english : status_.chinese); }

void UpgradePage::Retranslate() {
  const QString path = ui_.lineEdit_4->text();
  ui_.retranslateUi(this);
  ui_.lineEdit_4->setText(path);
  ShowValues();
}

void UpgradePage::Stop() {
  stopped_ = true;
  if (worker_.joinable()) worker_.join();
}

void UpgradePage::SetStatus(const Text& text) {
  status_ = text;
  ShowValues();
}

// From the worker: the widgets are touched on the GUI thread only, and not
// at all once the page stopped (the event is dropped with the page).
void UpgradePage::PostStatus(const Text& text) {
  QMetaObject::invokeMethod(
      this,
      [this, text] {
        if (!stopped_) SetStatus(text);
      },
      Qt::QueuedConnection);
}

void UpgradePage::PostProgress(int value) {
  QMetaObject::invokeMethod(
      this,
      [this, value] {
        if (!stopped_) ui_.progressBar->setValue(value);
      },
      Qt::QueuedConnection);
}

void UpgradePage::SetButtonsEnabled(bool enabled) {
  for (QPushButton* button : {ui_.pushButton_10, ui_.pushButton_11, ui_.pushButton_17, ui_.pushButton_18}) {
    button->setEnabled(enabled);
  }
}

void UpgradePage::StartJob(std::function<void()> body) {
  if (worker_.joinable()) worker_.join();
  busy_ = true;
  SetButtonsEnabled(false);
  worker_ = std::thread(std::move(body));
}

void UpgradePage::EndJob() {
  // The worker's last act was to post this; it is ending.
  if (worker_.joinable()) worker_.join();
  busy_ = false;
  if (stopped_) return;
  SetButtonsEnabled(true);
  emit jobFinished();
}

// ---- firmware ----

void UpgradePage::chooseFirmwareFile() {
  const QString path =
      QFileDialog::getOpenFileName(this, QStringLiteral("select file to save setting"), QDir::currentPath(),
                                   QStringLiteral("binary file(*.bin);;all file(*.*)"));
  ui_.lineEdit_4->setText(path);
}

void UpgradePage::StartFirmwareUpdate(int mode, const QString& missing_message) {
  if (busy_) return;
  const QString path = ui_.lineEdit_4->text();
  if (path.isEmpty()) {
    ShowMessage(this, QString(), missing_message);
    return;
  }
  // The image is read whole before the device is touched: an empty,
  // oversized or unreadable file never starts an update.
  auto image = std::make_shared<std::vector<std::uint8_t>>();
  std::string why;
  const auto error = platform::ReadBoundedFile(path.toStdString(), {1, kMaxFirmwareBytes}, image.get(), &why);
  if (error != platform::FileReadError::kNone) {
    Text text;
    if (error == platform::FileReadError::kWrongSize) {
      text = {QStringLiteral("The firmware file must hold 1 byte to %1 MiB: %2").arg(kMaxFirmwareBytes >> 20).arg(path),
              QStringLiteral("固件文件大小必须在 1 字节到 %1 MiB 之间：%2").arg(kMaxFirmwareBytes >> 20).arg(path)};
    } else {
      text = {QStringLiteral("Cannot read the firmware file: %1").arg(QString::fromStdString(why)),
              QStringLiteral("无法读取固件文件：%1").arg(QString::fromStdString(why))};
    }
    SetStatus(text);
    ShowMessage(this, QString(), context_.English() ? text.english : text.chinese);
    return;
  }
  context_.api.kill_task(kDeviceMonitorProgram);
  StartJob([this, image, mode] {
    struct Run {
      UpgradePage* page;
      bool ended = false;
      int code = 0;
    } run{this};
    // The monitor lets go of the device a moment after it was ended.
    QThread::msleep(100);
    const int result = context_.api.update_3031_fw(
        [](void* context, std::int32_t value, std::int32_t stage) {
          auto* r = static_cast<Run*>(context);
          if (stage == 6) {
            r->ended = true;
            r->code = value;
          }
          reportUpdateProgress(r->page, value, stage);
        },
        &run, image->data(), static_cast<std::int32_t>(image->size()), mode);
    QMetaObject::invokeMethod(
        this, [this, result, run] { FirmwareDone(result, run.ended, run.code); }, Qt::QueuedConnection);
  });
}

void UpgradePage::reportUpdateProgress(void* context, std::int32_t value, std::int32_t stage) {
  auto* page = static_cast<UpgradePage*>(context);
  auto stage_text = [page](const char* text) { page->PostStatus({Utf8(text), Utf8(text)}); };
  switch (stage) {
    case 0:
      stage_text("start progressing");
      page->PostProgress(0);
      break;
    case 1:
      stage_text("openning OTA device");
      break;
    case 2:
      stage_text("Entering OTA mode");
      break;
    case 3:
      stage_text("writing flash...");
      break;
    case 4:
      page->PostProgress(value);
      break;
    case 5:
      stage_text("waiting END status...");
      break;
    case 6:
      stage_text("write flash END ");
      break;
    default:
      stage_text("");
      break;
  }
}

void UpgradePage::FirmwareDone(int result, bool ended, int device_code) {
  Text text;
  if (ended && result == 0 && device_code == 0) {
    text = {QStringLiteral("Firmware update finished"), QStringLiteral("固件升级完成")};
  } else if (ended && result == device_code) {
    text = {QStringLiteral("Firmware update failed: the device answered %1").arg(device_code),
            QStringLiteral("固件升级失败：设备返回 %1").arg(device_code)};
  } else if (result == 0) {
    text = {QStringLiteral("Firmware update failed: no headset or dongle found"),
            QStringLiteral("固件升级失败：未找到耳机或接收器")};
  } else if (result == -1) {
    text = {QStringLiteral("Firmware update failed: the update interface cannot be opened"),
            QStringLiteral("固件升级失败：无法打开升级接口")};
  } else if (result == kDeviceTimeout) {
    text = {QStringLiteral("Firmware update failed: the device stopped answering"),
            QStringLiteral("固件升级失败：设备无响应")};
  } else if (result == kDeviceLost) {
    text = {QStringLiteral("Firmware update failed: the device went away"), QStringLiteral("固件升级失败：设备已断开")};
  } else {
    text = {QStringLiteral("Firmware update failed (%1)").arg(result),
            QStringLiteral("固件升级失败（%1）").arg(result)};
  }
  if (!stopped_) SetStatus(text);
  EndJob();
}

// ---- the kit's own update ----

void UpgradePage::CheckAtStart() {
  if (!options_.check) {
    SetStatus({Utf8(kNoNewVersion[0]), Utf8(kNoNewVersion[1])});
    return;
  }
  ui_.progressBar->setValue(0);
  StartJob([this] { RunCheck(false); });
}

void UpgradePage::OnUpdateButtonClicked() {
  // A download in progress is left alone.
  if (busy_) return;
  ui_.progressBar->setValue(0);
  SetStatus({Utf8(kChecking[0]), Utf8(kChecking[1])});
  if (!options_.check) {
    SetStatus({Utf8(kNoNewVersion[0]), Utf8(kNoNewVersion[1])});
    return;
  }
  StartJob([this] { RunCheck(true); });
}

void UpgradePage::RunCheck(bool from_button) {
  const updater::UpdateCheckResult check = options_.check();
  auto finish = [this](std::function<void()> then) {
    QMetaObject::invokeMethod(
        this,
        [this, then] {
          if (!stopped_ && then) then();
          EndJob();
        },
        Qt::QueuedConnection);
  };
  if (check.code != updater::update_check::kNewVersion) {
    PostStatus({Utf8(kNoNewVersion[0]), Utf8(kNoNewVersion[1])});
    finish(nullptr);
    return;
  }
  if (!from_button) {
    PostStatus({Utf8(kNewVersion[0]), Utf8(kNewVersion[1])});
    finish([this] { emit newVersionFound(); });
    return;
  }
  PostStatus({Utf8(kStartDownloading[0]), Utf8(kStartDownloading[1])});
  std::unique_ptr<std::uint8_t[]> buffer;
  std::int32_t size = 0;
  const int result =
      updater::FtpDownloadToMemory(check.server.server, check.server.user, check.server.password,
                                   updater::RemoteFilePath(check.server.folder, updater::kInstallerName), buffer, size,
                                   OnDownloadProgress, this, static_cast<int>(check.server.port));
  if (result != updater::ftp_result::kOk) {
    std::fprintf(stderr, "oro_panel: the installer download failed: %s\n", updater::FtpLastFailure().c_str());
    PostStatus({Utf8(kDownloadFailed[0]), Utf8(kDownloadFailed[1])});
    finish(nullptr);
    return;
  }
  auto installer = std::make_shared<std::vector<std::uint8_t>>(buffer.get(), buffer.get() + size);
  buffer.reset();
  const std::uint32_t crc = common::Crc32(installer->data(), installer->size());
  if (check.update_info.find(updater::InstallerCrcTag(crc)) == std::wstring::npos) {
    PostStatus({Utf8(kIllegalPackage[0]), Utf8(kIllegalPackage[1])});
    finish(nullptr);
    return;
  }
  finish([this, installer] { AskAndInstall(installer); });
}

void UpgradePage::OnDownloadProgress(std::uint32_t event, std::int32_t value, void* context) {
  auto* page = static_cast<UpgradePage*>(context);
  if (value < 0) {
    page->PostStatus({Utf8(kDownloadFailed[0]), Utf8(kDownloadFailed[1])});
  } else if (event == updater::ftp_event::kProgress && value == 100) {
    page->PostStatus({Utf8(kDownloadSuccess[0]), Utf8(kDownloadSuccess[1])});
    page->PostProgress(100);
  } else if (event == updater::ftp_event::kProgress && value < 100) {
    page->PostStatus({Utf8(kDownloading[0]), Utf8(kDownloading[1])});
    page->PostProgress(value);
  } else {
    page->PostStatus({Utf8(kDownloading[0]), Utf8(kDownloading[1])});
  }
}

bool UpgradePage::Ask(const QString& title, const QString& text) {
  if (options_.ask) return options_.ask(title, text);
  std::fprintf(stderr, "oro_panel: %s\n", text.toUtf8().constData());
  // Nobody could answer on the offscreen platform: nothing is started.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return false;
  return QMessageBox::question(nullptr, title, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void UpgradePage::AskAndInstall(const std::shared_ptr<std::vector<std::uint8_t>>& installer) {
  const int i = context_.English() ? 0 : 1;
  if (!Ask(QStringLiteral("upgrade"), Utf8(kDownloadCompleted[i]))) return;
  // A folder of its own that only this user can enter, and the installer
  // appears in it only once written whole: nobody can swap or cut it.
  QString base = options_.temp_folder.isEmpty() ? QDir::tempPath() : options_.temp_folder;
  while (base.size() > 1 && base.endsWith(QLatin1Char('/'))) base.chop(1);
  QTemporaryDir folder(base + QStringLiteral("/oro_setup-XXXXXX"));
  Text failed = {QStringLiteral("Cannot save the installer in %1").arg(base),
                 QStringLiteral("无法保存安装包：%1").arg(base)};
  if (!folder.isValid()) {
    SetStatus(failed);
    return;
  }
  const QString path = folder.filePath(QString::fromLatin1(kInstallerFileName));
  QSaveFile file(path);
  bool written = file.open(QIODevice::WriteOnly) &&
                 file.write(reinterpret_cast<const char*>(installer->data()), static_cast<qint64>(installer->size())) ==
                     static_cast<qint64>(installer->size()) &&
                 file.commit() &&
                 QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (!written) {
    SetStatus(failed);
    return;  // the folder goes with `folder`
  }
  // The installer runs on after the panel ends; its folder stays.
  folder.setAutoRemove(false);
  context_.api.start_task(QString::fromLatin1(kInstallerFileName).toStdWString(), std::wstring(), 5,
                          folder.path().toStdWString());
}

}  // namespace oro::panel
