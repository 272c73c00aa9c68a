// Follows the master volume and mute of the default render endpoint (the one
// that is default when the watcher is made) and reports them as Qt signals,
// posted to the watcher's own thread. A watcher whose set-up failed (no
// endpoint, an audio system that cannot watch) stays silent for good.
#pragma once

#include <QObject>
#include <memory>

#include "oro/platform/audio_system.h"

namespace oro::headset {

class SystemVolumeWatcher : public QObject {
  Q_OBJECT

 public:
  // audio may be null: the watcher is then silent.
  explicit SystemVolumeWatcher(std::shared_ptr<platform::AudioSystem> audio, QObject* parent = nullptr);
  ~SystemVolumeWatcher() override;

  // Whether the watcher follows an endpoint.
  bool IsRegistered() const { return subscription_ != nullptr; }

 signals:
  void volumeChanged(int newVolume);
  void muteChanged(bool isMuted);

 private:
  class VolumeCallback;

  std::shared_ptr<platform::AudioSystem> audio_;
  std::unique_ptr<platform::EndpointVolume> volume_;
  std::unique_ptr<VolumeCallback> callback_;
  std::unique_ptr<platform::Subscription> subscription_;
};

}  // namespace oro::headset
