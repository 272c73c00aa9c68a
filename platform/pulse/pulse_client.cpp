#include "pulse_client.h"

#include <pulse/pulseaudio.h>

#include <cmath>
#include <utility>

namespace oro::platform::pulse {
namespace {

constexpr pa_usec_t kRetryUsec = 500 * PA_USEC_PER_MSEC;

// Property keys the kit reads from a device.
constexpr const char* kKeptProperties[] = {
    "device.bus",         "device.vendor.id",    "device.product.id", "device.serial", "device.product.name",
    "device.vendor.name", "alsa.card_name",      "device.bus_path",   "device.string", "device.form_factor",
    "oro.filter.master",  "oro.filter.previous", "device.class",
};

void Keep(pa_proplist* props, DeviceRecord* r) {
  for (const char* key : kKeptProperties) {
    if (const char* v = pa_proplist_gets(props, key)) r->properties[key] = v;
  }
}

// The volume a scalar stands for, rounded up so that reading it back never
// gives less than was set (a percentage survives the round trip).
pa_volume_t VolumeOf(float scalar) {
  const double v = std::ceil(static_cast<double>(scalar) * static_cast<double>(PA_VOLUME_NORM));
  return static_cast<pa_volume_t>(std::min(v, static_cast<double>(PA_VOLUME_NORM)));
}

// The kit's volumes are whole percentages: a level that one of them gives
// (rounded up here, to nearest by other clients such as pactl) reads back as
// exactly that percentage's scalar, so a set and a read agree bit for bit in
// every process; any other level reads as it is.
float Scalar(const pa_cvolume& v) {
  const pa_volume_t level = pa_cvolume_max(&v);
  const double exact = static_cast<double>(level) / static_cast<double>(PA_VOLUME_NORM);
  const long percent = std::lround(exact * 100.0);
  if (percent >= 0 && percent <= 100) {
    const float candidate = static_cast<float>(percent) / 100.0f;
    const pa_volume_t kit = VolumeOf(candidate);
    if (level == kit || level + 1 == kit) return candidate;
  }
  return static_cast<float>(exact);
}

template <typename Port>
bool Unplugged(const Port* active_port) {
  return active_port && active_port->available == PA_PORT_AVAILABLE_NO;
}

// Sinks and sources describe themselves in fields of the same names.
template <typename Info>
DeviceRecord FromDevice(const Info& i, DeviceKind kind) {
  DeviceRecord r;
  r.kind = kind;
  r.index = i.index;
  r.name = i.name ? i.name : "";
  r.description = i.description ? i.description : r.name;
  Keep(i.proplist, &r);
  r.volume = Scalar(i.volume);
  r.mute = i.mute != 0;
  r.unplugged = Unplugged(i.active_port);
  r.rate = i.sample_spec.rate;
  r.channels = i.sample_spec.channels;
  r.owner_module = i.owner_module;
  return r;
}

DeviceRecord FromSink(const pa_sink_info& i) { return FromDevice(i, DeviceKind::kSink); }

DeviceRecord FromSource(const pa_source_info& i) {
  DeviceRecord r = FromDevice(i, DeviceKind::kSource);
  r.monitor = i.monitor_of_sink != PA_INVALID_INDEX;
  return r;
}

}  // namespace

struct PulseClient::Impl {
  ClientOptions options;
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  std::function<void()> changed;
  pa_time_event* retry = nullptr;

  // Holds the loop's lock; every pa_* call happens under it.
  class Lock {
   public:
    explicit Lock(pa_threaded_mainloop* l) : l_(l) { pa_threaded_mainloop_lock(l_); }
    ~Lock() { pa_threaded_mainloop_unlock(l_); }

   private:
    pa_threaded_mainloop* l_;
  };

  pa_mainloop_api* Api() { return pa_threaded_mainloop_get_api(loop); }
  void Signal() { pa_threaded_mainloop_signal(loop, 0); }

  static void OnWake(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
    static_cast<Impl*>(self)->Signal();
  }

  // Waits (lock held) until done() or the deadline; false on the deadline.
  template <typename Done>
  bool WaitUntil(Done done, std::chrono::steady_clock::time_point deadline) {
    if (done()) return true;
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    struct timeval tv;
    pa_timeval_add(pa_gettimeofday(&tv), static_cast<pa_usec_t>(left.count()));
    pa_time_event* wake = Api()->time_new(Api(), &tv, OnWake, this);
    while (!done() && std::chrono::steady_clock::now() < deadline) pa_threaded_mainloop_wait(loop);
    Api()->time_free(wake);
    return done();
  }

  static void OnContextState(pa_context* c, void* self_ptr) {
    auto* self = static_cast<Impl*>(self_ptr);
    const pa_context_state_t state = pa_context_get_state(c);
    if (c == self->context && state == PA_CONTEXT_READY && self->changed) self->Subscribe();
    if (c == self->context && !PA_CONTEXT_IS_GOOD(state) && self->changed) self->ScheduleRetry();
    self->Signal();
  }

  static void OnEvent(pa_context*, pa_subscription_event_type_t, std::uint32_t, void* self_ptr) {
    auto* self = static_cast<Impl*>(self_ptr);
    if (self->changed) self->changed();
  }

  void Subscribe() {
    pa_context_set_subscribe_callback(context, OnEvent, this);
    const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE |
                                                          PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_CARD);
    if (pa_operation* op = pa_context_subscribe(context, mask, nullptr, nullptr)) pa_operation_unref(op);
    changed();  // whatever happened while nobody was connected
  }

  static void OnRetry(pa_mainloop_api* api, pa_time_event* e, const struct timeval*, void* self_ptr) {
    auto* self = static_cast<Impl*>(self_ptr);
    api->time_free(e);
    self->retry = nullptr;
    if (!self->changed) return;
    if (self->context && PA_CONTEXT_IS_GOOD(pa_context_get_state(self->context))) return;
    self->StartConnect();
  }

  void ScheduleRetry() {
    if (retry) return;
    struct timeval tv;
    pa_timeval_add(pa_gettimeofday(&tv), kRetryUsec);
    retry = Api()->time_new(Api(), &tv, OnRetry, this);
  }

  void Drop() {
    if (!context) return;
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
  }

  // Starts a connection (lock held); false when it cannot even start.
  bool StartConnect() {
    Drop();
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "OroSound Kit");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "orosound.kit");
    context = pa_context_new_with_proplist(Api(), "OroSound Kit", props);
    pa_proplist_free(props);
    if (!context) return false;
    pa_context_set_state_callback(context, OnContextState, this);
    const char* server = options.server.empty() ? nullptr : options.server.c_str();
    if (pa_context_connect(context, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      Drop();
      if (changed) ScheduleRetry();
      return false;
    }
    return true;
  }

  // A ready context (lock held), connecting first when needed.
  ErrorCode Ready(std::chrono::steady_clock::time_point deadline) {
    if (!context || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
      if (!StartConnect()) return err::kServiceNotActive;
    }
    pa_context* c = context;
    const bool settled = WaitUntil(
        [&] {
          return c != context || !PA_CONTEXT_IS_GOOD(pa_context_get_state(c)) ||
                 pa_context_get_state(c) == PA_CONTEXT_READY;
        },
        deadline);
    if (!settled) return err::kTimeout;
    if (c != context || pa_context_get_state(c) != PA_CONTEXT_READY) return err::kServiceNotActive;
    return err::kSuccess;
  }

  static void OnOperationState(pa_operation*, void* self) { static_cast<Impl*>(self)->Signal(); }

  // Runs one request: start(context) returns the operation, whose callbacks
  // fill the caller's result. On every path the operation is finished or
  // cancelled before this returns, so no callback runs later.
  template <typename Start>
  ErrorCode Request(Start start) {
    const auto deadline = std::chrono::steady_clock::now() + options.bound;
    Lock lock(loop);
    if (ErrorCode rc = Ready(deadline)) return rc;
    pa_operation* op = start(context);
    if (!op) return pa_context_errno(context) == PA_ERR_NOENTITY ? err::kNotFound : err::kServiceNotActive;
    pa_operation_set_state_callback(op, OnOperationState, this);
    const bool finished = WaitUntil([&] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, deadline);
    const pa_operation_state_t state = pa_operation_get_state(op);
    if (!finished) pa_operation_cancel(op);
    pa_operation_set_state_callback(op, nullptr, nullptr);
    pa_operation_unref(op);
    if (!finished) return err::kTimeout;
    return state == PA_OPERATION_DONE ? err::kSuccess : err::kServiceNotActive;
  }
};

namespace {

template <typename Info>
struct ListResult {
  std::vector<DeviceRecord>* out;
  DeviceRecord (*convert)(const Info&);
  bool missing = false;
};

template <typename Info>
void OnInfo(pa_context* c, const Info* info, int eol, void* user) {
  auto* r = static_cast<ListResult<Info>*>(user);
  if (eol < 0 && pa_context_errno(c) == PA_ERR_NOENTITY) r->missing = true;
  if (eol == 0 && info) r->out->push_back(r->convert(*info));
}

struct Success {
  bool ok = false;
  pa_context* context = nullptr;
  int error = 0;
};
void OnSuccess(pa_context* c, int ok, void* user) {
  auto* s = static_cast<Success*>(user);
  s->ok = ok != 0;
  if (!ok) s->error = pa_context_errno(c);
}

ErrorCode SuccessCode(ErrorCode rc, const Success& s) {
  if (rc) return rc;
  if (s.ok) return err::kSuccess;
  if (s.error == PA_ERR_NOENTITY) return err::kNotFound;
  if (s.error == PA_ERR_INVALID) return err::kInvalidParameter;
  if (s.error == PA_ERR_ACCESS) return err::kAccessDenied;
  return err::kServiceNotActive;
}

}  // namespace

PulseClient::PulseClient(ClientOptions options) : impl_(std::make_unique<Impl>()) {
  impl_->options = std::move(options);
  impl_->loop = pa_threaded_mainloop_new();
  if (impl_->loop) {
    pa_threaded_mainloop_set_name(impl_->loop, "oro-pulse");
    if (pa_threaded_mainloop_start(impl_->loop) < 0) {
      pa_threaded_mainloop_free(impl_->loop);
      impl_->loop = nullptr;
    }
  }
}

PulseClient::~PulseClient() {
  if (!impl_->loop) return;
  {
    Impl::Lock lock(impl_->loop);
    impl_->changed = nullptr;
    if (impl_->retry) impl_->Api()->time_free(impl_->retry);
    impl_->retry = nullptr;
    impl_->Drop();
  }
  pa_threaded_mainloop_stop(impl_->loop);
  pa_threaded_mainloop_free(impl_->loop);
}

const ClientOptions& PulseClient::Options() const { return impl_->options; }

ErrorCode PulseClient::ListDevices(DeviceKind kind, std::vector<DeviceRecord>* out) {
  out->clear();
  if (!impl_->loop) return err::kNotEnoughMemory;
  std::vector<DeviceRecord> found;
  ErrorCode rc;
  if (kind == DeviceKind::kSink) {
    ListResult<pa_sink_info> r{&found, FromSink};
    rc = impl_->Request([&](pa_context* c) { return pa_context_get_sink_info_list(c, OnInfo<pa_sink_info>, &r); });
  } else {
    ListResult<pa_source_info> r{&found, FromSource};
    rc = impl_->Request([&](pa_context* c) { return pa_context_get_source_info_list(c, OnInfo<pa_source_info>, &r); });
  }
  if (rc == err::kSuccess) *out = std::move(found);
  return rc;
}

ErrorCode PulseClient::GetDevice(DeviceKind kind, const std::string& name, DeviceRecord* out) {
  if (!impl_->loop) return err::kNotEnoughMemory;
  std::vector<DeviceRecord> found;
  bool missing = false;
  ErrorCode rc;
  if (kind == DeviceKind::kSink) {
    ListResult<pa_sink_info> r{&found, FromSink};
    rc = impl_->Request(
        [&](pa_context* c) { return pa_context_get_sink_info_by_name(c, name.c_str(), OnInfo<pa_sink_info>, &r); });
    missing = r.missing;
  } else {
    ListResult<pa_source_info> r{&found, FromSource};
    rc = impl_->Request(
        [&](pa_context* c) { return pa_context_get_source_info_by_name(c, name.c_str(), OnInfo<pa_source_info>, &r); });
    missing = r.missing;
  }
  if (rc) return rc;
  if (missing || found.empty()) return err::kNotFound;
  *out = std::move(found.front());
  return err::kSuccess;
}

ErrorCode PulseClient::Defaults(ServerDefaults* out) {
  if (!impl_->loop) return err::kNotEnoughMemory;
  ServerDefaults d;
  const ErrorCode rc = impl_->Request([&](pa_context* c) {
    return pa_context_get_server_info(
        c,
        [](pa_context*, const pa_server_info* i, void* user) {
          auto* d = static_cast<ServerDefaults*>(user);
          if (!i) return;
          d->sink = i->default_sink_name ? i->default_sink_name : "";
          d->source = i->default_source_name ? i->default_source_name : "";
        },
        &d);
  });
  if (rc == err::kSuccess) *out = std::move(d);
  return rc;
}

ErrorCode PulseClient::SetVolume(DeviceKind kind, const std::string& name, float scalar) {
  if (!std::isfinite(scalar) || scalar < 0.0f || scalar > 1.0f) return err::kInvalidParameter;
  if (!impl_->loop) return err::kNotEnoughMemory;
  // The channels keep their proportions: read them, then scale.
  pa_cvolume volume;
  pa_cvolume_init(&volume);
  struct Read {
    pa_cvolume* v;
    bool found = false;
  } read{&volume};
  ErrorCode rc = impl_->Request([&](pa_context* c) -> pa_operation* {
    if (kind == DeviceKind::kSink) {
      return pa_context_get_sink_info_by_name(
          c, name.c_str(),
          [](pa_context*, const pa_sink_info* i, int eol, void* u) {
            if (eol == 0 && i) *static_cast<Read*>(u)->v = i->volume, static_cast<Read*>(u)->found = true;
          },
          &read);
    }
    return pa_context_get_source_info_by_name(
        c, name.c_str(),
        [](pa_context*, const pa_source_info* i, int eol, void* u) {
          if (eol == 0 && i) *static_cast<Read*>(u)->v = i->volume, static_cast<Read*>(u)->found = true;
        },
        &read);
  });
  if (rc) return rc;
  if (!read.found || !pa_cvolume_valid(&volume)) return err::kNotFound;
  const pa_volume_t target = VolumeOf(scalar);
  if (pa_cvolume_max(&volume) == PA_VOLUME_MUTED) {
    pa_cvolume_set(&volume, volume.channels, target);
  } else {
    pa_cvolume_scale(&volume, target);
  }
  Success s;
  rc = impl_->Request([&](pa_context* c) {
    return kind == DeviceKind::kSink ? pa_context_set_sink_volume_by_name(c, name.c_str(), &volume, OnSuccess, &s)
                                     : pa_context_set_source_volume_by_name(c, name.c_str(), &volume, OnSuccess, &s);
  });
  return SuccessCode(rc, s);
}

ErrorCode PulseClient::SetMute(DeviceKind kind, const std::string& name, bool mute) {
  if (!impl_->loop) return err::kNotEnoughMemory;
  Success s;
  const ErrorCode rc = impl_->Request([&](pa_context* c) {
    return kind == DeviceKind::kSink ? pa_context_set_sink_mute_by_name(c, name.c_str(), mute, OnSuccess, &s)
                                     : pa_context_set_source_mute_by_name(c, name.c_str(), mute, OnSuccess, &s);
  });
  return SuccessCode(rc, s);
}

ErrorCode PulseClient::SetDefault(DeviceKind kind, const std::string& name) {
  if (!impl_->loop) return err::kNotEnoughMemory;
  Success s;
  const ErrorCode rc = impl_->Request([&](pa_context* c) {
    return kind == DeviceKind::kSink ? pa_context_set_default_sink(c, name.c_str(), OnSuccess, &s)
                                     : pa_context_set_default_source(c, name.c_str(), OnSuccess, &s);
  });
  return SuccessCode(rc, s);
}

ErrorCode PulseClient::LoadModule(const std::string& name, const std::string& arguments, std::uint32_t* index) {
  if (!impl_->loop) return err::kNotEnoughMemory;
  std::uint32_t loaded = PA_INVALID_INDEX;
  const ErrorCode rc = impl_->Request([&](pa_context* c) {
    return pa_context_load_module(
        c, name.c_str(), arguments.c_str(),
        [](pa_context*, std::uint32_t idx, void* u) { *static_cast<std::uint32_t*>(u) = idx; }, &loaded);
  });
  if (rc) return rc;
  if (loaded == PA_INVALID_INDEX) return err::kInvalidParameter;  // the server refused the arguments
  *index = loaded;
  return err::kSuccess;
}

ErrorCode PulseClient::UnloadModule(std::uint32_t index) {
  if (!impl_->loop) return err::kNotEnoughMemory;
  Success s;
  const ErrorCode rc = impl_->Request([&](pa_context* c) { return pa_context_unload_module(c, index, OnSuccess, &s); });
  return SuccessCode(rc, s);
}

void PulseClient::Watch(std::function<void()> changed) {
  if (!impl_->loop) return;
  Impl::Lock lock(impl_->loop);
  const bool start = changed && !impl_->changed;
  impl_->changed = std::move(changed);
  if (!start) return;
  if (impl_->context && pa_context_get_state(impl_->context) == PA_CONTEXT_READY) {
    impl_->Subscribe();
  } else if (!impl_->context || !PA_CONTEXT_IS_GOOD(pa_context_get_state(impl_->context))) {
    impl_->StartConnect();
  }
}

}  // namespace oro::platform::pulse
