#include "headset_link.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <chrono>
#include <cstdio>

#include "message_box.h"
#include "oro/common/property_blocks.h"
#include "tray_icon.h"

namespace oro::panel {

namespace {

void ShowImage(QLabel* label, const QString& path) {
  if (label == nullptr) return;
  const QPixmap pixmap(path);
  if (pixmap.isNull()) {
    label->setText(QStringLiteral("picture NULL"));
    return;
  }
  label->setPixmap(pixmap);
}

}  // namespace

HeadsetLink::HeadsetLink(PanelContext& context, std::function<TrayIcon*()> tray, Options options)
    : context_(context), tray_(tray), options_(std::move(options)) {}

HeadsetLink::~HeadsetLink() { Stop(); }

void HeadsetLink::Start() {
  context_.headset = common::HidIdentity{};
  context_.api.find_usb_device(context_.headset);
  if (options_.bus) {
    listener_ = std::make_unique<headset::KeyListener>(
        options_.bus,
        [this] {
          QMetaObject::invokeMethod(
              this, [this] { KeyPressed(); }, Qt::QueuedConnection);
        },
        options_.key_timing);
    listener_->Start();
  }
  stopping_ = false;
  // The poller keeps its own copy of the identity: the window's belongs to
  // the GUI thread.
  poller_ = std::thread([this, id = context_.headset] { Poll(id); });
}

void HeadsetLink::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (poller_.joinable()) poller_.join();
  if (listener_) listener_->Stop();
}

void HeadsetLink::Poll(common::HidIdentity id) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    // A headset missing at the start, or gone, is looked for again.
    if (id.interface_number == 0 && id.report_id == 0) context_.api.find_usb_device(id);
    const headset::Payload query = headset::BuildStatusQuery();
    headset::Payload reply{};
    const int result = context_.api.hid_trans_data(id, query.data(), reply.data());
    headset::HeadsetStatus status;
    if (result > 0) headset::DecodeStatus(reply.data(), reply.size(), &status);
    if (result < 0) id = common::HidIdentity{};
    QMetaObject::invokeMethod(
        this, [this, result, status] { ShowStatus(result, status); }, Qt::QueuedConnection);
    lock.lock();
    wake_.wait_for(lock, std::chrono::milliseconds(options_.poll_ms), [this] { return stopping_; });
  }
}

void HeadsetLink::ShowLast() {
  if (has_last_) Display(last_result_, last_status_);
}

bool HeadsetLink::Display(int result, const headset::HeadsetStatus& status) {
  auto* link = context_.Find<QLabel>("label_227");
  auto* battery = context_.Find<QLabel>("label_228");
  auto* percent = context_.Find<QLabel>("label_240");
  if (link == nullptr || battery == nullptr || percent == nullptr) return false;
  if (result <= 0 || !status.linked) {
    ShowImage(link, QStringLiteral(":/page4/png/usb_dis.png"));
    ShowImage(battery, QStringLiteral(":/page4/png/bp_none.png"));
    percent->clear();
    return false;
  }
  ShowImage(link, QStringLiteral(":/page4/png/usb_cnt.png"));
  if (status.charging) {
    ShowImage(battery, QStringLiteral(":/page4/png/chging.png"));
    percent->clear();
    return true;
  }
  percent->setText(QString::asprintf("%d%%", status.percent));
  ShowImage(battery, status.image_index >= 10 ? QStringLiteral(":/page4/png/bp_100.png")
                                              : QStringLiteral(":/page4/png/bp_%1.png").arg(status.image_index * 10));
  return true;
}

void HeadsetLink::ShowStatus(int result, const headset::HeadsetStatus& status) {
  has_last_ = true;
  last_result_ = result;
  last_status_ = status;
  if (!Display(result, status)) return;
  if (status.charging) {
    warned_ = false;
    return;
  }
  if (status.percent > kLowBatteryPercent) {
    warned_ = false;
    return;
  }
  if (warned_) return;
  warned_ = true;
  const QString text = context_.English() ? QStringLiteral("Headset battery low: %1%").arg(status.percent)
                                          : QStringLiteral("耳机电量低：%1%").arg(status.percent);
  emit lowBattery(text);
  if (TrayIcon* tray = tray_ ? tray_() : nullptr) {
    tray->ShowMessage(QString::fromStdWString(context_.settings.DisplayName()), text);
  } else {
    std::fprintf(stderr, "oro_panel: %s\n", text.toUtf8().constData());
    // Nobody could answer a box on the offscreen platform. Not modal: the
    // window goes on while it is shown.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromStdWString(context_.settings.DisplayName()), text,
                                QMessageBox::Ok, context_.window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
  }
}

void HeadsetLink::KeyPressed() {
  auto* toggle = context_.Find<QPushButton>("pushButton_32");
  if (toggle == nullptr || !context_.blocks.Loaded()) return;
  toggle->click();
  const auto state =
      static_cast<std::uint8_t>(context_.blocks.Block2().Mode(common::ListeningMode::kVirtual71) ? 1 : 0);
  if (listener_) listener_->Acknowledge(state);
}

}  // namespace oro::panel
