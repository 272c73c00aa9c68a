#include "oro/headset/system_volume_watcher.h"

#include <QMetaObject>
#include <QPointer>

#include "oro/common/endpoint_volume.h"

namespace oro::headset {

// Runs on the audio system's thread: it only posts to the watcher's thread.
// The subscription ends before the watcher's members go, and a post that
// arrives after the watcher is gone is dropped by Qt with its target.
class SystemVolumeWatcher::VolumeCallback final : public platform::VolumeListener {
 public:
  explicit VolumeCallback(SystemVolumeWatcher* owner) : owner_(owner) {}

  void OnVolumeNotify(const platform::VolumeNotification& n) override {
    SystemVolumeWatcher* owner = owner_;
    if (n.muted) {
      QMetaObject::invokeMethod(
          owner, [owner] { emit owner->muteChanged(true); }, Qt::QueuedConnection);
      return;
    }
    // The nearest whole percent, so the echo of the panel's own _SetVolum(v)
    // reads as v (truncation reads 0.53f as 52 and would move the master);
    // a scalar outside 0..1 or NaN is clamped rather than turned into a wild
    // percentage.
    const int percent = common::ScalarToNearestPercent(n.master_scalar);
    QMetaObject::invokeMethod(
        owner,
        [owner, percent] {
          emit owner->volumeChanged(percent);
          emit owner->muteChanged(false);
        },
        Qt::QueuedConnection);
  }

 private:
  SystemVolumeWatcher* const owner_;
};

SystemVolumeWatcher::SystemVolumeWatcher(std::shared_ptr<platform::AudioSystem> audio, QObject* parent)
    : QObject(parent), audio_(std::move(audio)) {
  if (!audio_) return;
  std::unique_ptr<platform::AudioEndpoint> endpoint;
  if (audio_->GetDefaultEndpoint(platform::Flow::kRender, platform::Role::kConsole, &endpoint) || !endpoint) return;
  if (endpoint->ActivateVolume(&volume_) || !volume_) return;
  callback_ = std::make_unique<VolumeCallback>(this);
  std::unique_ptr<platform::Subscription> subscription;
  if (volume_->Subscribe(callback_.get(), &subscription) == platform::err::kSuccess) {
    subscription_ = std::move(subscription);
  }
}

SystemVolumeWatcher::~SystemVolumeWatcher() {
  // Ends the subscription first: it waits for a notification being handled,
  // so nothing reaches this object once its members start to go.
  subscription_.reset();
  callback_.reset();
  volume_.reset();
}

}  // namespace oro::headset
