// Core Audio behind the AudioSystem port: the MMDevice API for endpoints and
// their property stores, IAudioEndpointVolume for master volume and mute.
// Notifications go through the shared EndpointNotifier, woken by the
// system's own callbacks (endpoint changes, volume changes) and, as a
// backstop for a system that leaves some out, by a slow look.
//
// COM: the adapter keeps the process's multithreaded apartment alive for as
// long as any of its objects exists, so every thread that has not chosen an
// apartment of its own (the kit's threads, the notifier's) uses it
// implicitly. The MMDevice objects are free-threaded.
#include <windows.h>
// windows.h first: these need its types.
#include <audioclient.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <propidl.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "oro/platform/endpoint_notifier.h"
#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

// A reference to a COM object, released when it goes.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr& operator=(ComPtr other) {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// Keeps the multithreaded apartment of the process alive (see above).
class Apartment {
 public:
  Apartment() { ok_ = SUCCEEDED(CoIncrementMTAUsage(&cookie_)); }
  ~Apartment() {
    if (ok_) CoDecrementMTAUsage(cookie_);
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  bool Ok() const { return ok_; }

 private:
  CO_MTA_USAGE_COOKIE cookie_{};
  bool ok_ = false;
};

ErrorCode FromHresult(HRESULT hr) {
  if (SUCCEEDED(hr)) return err::kSuccess;
  switch (hr) {
    case HRESULT_FROM_WIN32(ERROR_NOT_FOUND):
    case AUDCLNT_E_DEVICE_INVALIDATED:
      return err::kNotFound;
    case E_INVALIDARG:
    case E_POINTER:
      return err::kInvalidParameter;
    case E_NOTIMPL:
      return err::kNotSupported;
    case E_OUTOFMEMORY:
      return err::kNotEnoughMemory;
    case E_ACCESSDENIED:
      return err::kAccessDenied;
    default:
      break;
  }
  if (HRESULT_FACILITY(hr) == FACILITY_WIN32) return static_cast<ErrorCode>(HRESULT_CODE(hr));
  return err::kGenFailure;
}

// Property sets the kit reads from an endpoint's store.
constexpr GUID kDeviceProperties = {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}};
constexpr GUID kInterfaceProperties = {0xb3f8fa53, 0x0004, 0x438e, {0x90, 0x03, 0x51, 0xa4, 0x6e, 0x13, 0x9b, 0xfc}};
constexpr PROPERTYKEY kEndpointName = {kDeviceProperties, 2};
// The first of these that exists is the value; the device interface's
// friendly name is where the system itself keeps the adapter's name.
constexpr GUID kInterfaceNameProperties = {
    0x026e516e, 0xb814, 0x414b, {0x83, 0xcd, 0x85, 0x6d, 0x6f, 0xef, 0x48, 0x22}};
constexpr PROPERTYKEY kAdapterName[] = {
    {kInterfaceProperties, 26}, {kInterfaceProperties, 6}, {kInterfaceNameProperties, 2}};
constexpr PROPERTYKEY kDevicePath[] = {{kInterfaceProperties, 39}, {kInterfaceProperties, 2}};

// Marks the kit's own volume changes in the system's notifications.
constexpr GUID kKitEventContext = {0x6f3c1b2e, 0x51a4, 0x4d0b, {0x9a, 0x51, 0x2c, 0x7e, 0x44, 0x1d, 0x80, 0x93}};

// "{fmtid},pid" as the MMDevices tree names the value.
std::wstring KeyName(const PROPERTYKEY& key) {
  wchar_t text[64];
  const GUID& g = key.fmtid;
  swprintf(text, 64, L"{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x},%lu", static_cast<unsigned long>(g.Data1),
           g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
           g.Data4[7], static_cast<unsigned long>(key.pid));
  return text;
}

class PropVariant {
 public:
  PropVariant() { PropVariantInit(&v_); }
  ~PropVariant() { PropVariantClear(&v_); }
  PropVariant(const PropVariant&) = delete;
  PropVariant& operator=(const PropVariant&) = delete;
  PROPVARIANT* operator&() { return &v_; }
  const PROPVARIANT& operator*() const { return v_; }

 private:
  PROPVARIANT v_;
};

// A string property; empty when absent or of another type.
std::wstring StringProperty(IPropertyStore* store, const PROPERTYKEY& key) {
  PropVariant v;
  if (FAILED(store->GetValue(key, &v)) || (*v).vt != VT_LPWSTR || !(*v).pwszVal) return L"";
  return (*v).pwszVal;
}

template <std::size_t N>
std::wstring FirstStringProperty(IPropertyStore* store, const PROPERTYKEY (&keys)[N]) {
  for (const auto& key : keys) {
    std::wstring s = StringProperty(store, key);
    if (!s.empty()) return s;
  }
  return L"";
}

// A value as the notifier compares it: the type, then the value's bytes for
// the types endpoints carry. Another type compares by type alone.
std::vector<std::uint8_t> ComparableBytes(const PROPVARIANT& v) {
  std::vector<std::uint8_t> out(sizeof v.vt);
  std::memcpy(out.data(), &v.vt, sizeof v.vt);
  const auto append = [&](const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    out.insert(out.end(), b, b + n);
  };
  switch (v.vt) {
    case VT_LPWSTR:
      if (v.pwszVal) append(v.pwszVal, wcslen(v.pwszVal) * sizeof(wchar_t));
      break;
    case VT_UI4:
    case VT_I4:
    case VT_UINT:
    case VT_INT:
      append(&v.ulVal, sizeof v.ulVal);
      break;
    case VT_UI8:
    case VT_I8:
      append(&v.uhVal, sizeof v.uhVal);
      break;
    case VT_BOOL:
      append(&v.boolVal, sizeof v.boolVal);
      break;
    case VT_CLSID:
      if (v.puuid) append(v.puuid, sizeof *v.puuid);
      break;
    case VT_BLOB:
      if (v.blob.pBlobData) append(v.blob.pBlobData, v.blob.cbSize);
      break;
    default:
      break;
  }
  return out;
}

ErrorCode ReadInfo(IMMDevice* device, EndpointInfo* out) {
  LPWSTR id = nullptr;
  if (HRESULT hr = device->GetId(&id); FAILED(hr)) return FromHresult(hr);
  out->id = id;
  CoTaskMemFree(id);
  DWORD state = 0;
  if (HRESULT hr = device->GetState(&state); FAILED(hr)) return FromHresult(hr);
  out->state = state;
  ComPtr<IMMEndpoint> endpoint;
  EDataFlow flow = eRender;
  if (HRESULT hr = device->QueryInterface(__uuidof(IMMEndpoint), endpoint.PutVoid()); FAILED(hr))
    return FromHresult(hr);
  if (HRESULT hr = endpoint->GetDataFlow(&flow); FAILED(hr)) return FromHresult(hr);
  out->flow = flow == eCapture ? Flow::kCapture : Flow::kRender;
  ComPtr<IPropertyStore> store;
  if (HRESULT hr = device->OpenPropertyStore(STGM_READ, store.Put()); FAILED(hr)) return FromHresult(hr);
  out->name = StringProperty(store.Get(), kEndpointName);
  out->adapter_name = FirstStringProperty(store.Get(), kAdapterName);
  out->device_path = FirstStringProperty(store.Get(), kDevicePath);
  return err::kSuccess;
}

ErrorCode ReadProperties(IMMDevice* device, EndpointSnapshot* out) {
  ComPtr<IPropertyStore> store;
  if (HRESULT hr = device->OpenPropertyStore(STGM_READ, store.Put()); FAILED(hr)) return FromHresult(hr);
  DWORD count = 0;
  if (HRESULT hr = store->GetCount(&count); FAILED(hr)) return FromHresult(hr);
  for (DWORD i = 0; i < count; ++i) {
    PROPERTYKEY key{};
    PropVariant v;
    if (FAILED(store->GetAt(i, &key)) || FAILED(store->GetValue(key, &v))) continue;
    const std::wstring name = KeyName(key);
    const std::wstring folded = FoldCase(name);
    out->properties[folded] = ComparableBytes(*v);
    out->property_names[folded] = name;
  }
  return err::kSuccess;
}

EDataFlow DataFlowOf(Flow flow) { return flow == Flow::kCapture ? eCapture : eRender; }

ERole RoleOf(Role role) {
  switch (role) {
    case Role::kMultimedia:
      return eMultimedia;
    case Role::kCommunications:
      return eCommunications;
    case Role::kConsole:
    default:
      return eConsole;
  }
}

ErrorCode ActivateOn(IMMDevice* device, REFIID iid, void** out) {
  DWORD state = 0;
  if (HRESULT hr = device->GetState(&state); FAILED(hr)) return FromHresult(hr);
  if (state != DEVICE_STATE_ACTIVE) return err::kNotFound;
  return FromHresult(device->Activate(iid, CLSCTX_ALL, nullptr, out));
}

// Wakes the notifier from the system's callback threads. The callback object
// lives as long as the system holds it; the notifier may already be gone.
class Waker final : public IMMNotificationClient, public IAudioEndpointVolumeCallback {
 public:
  explicit Waker(std::weak_ptr<EndpointNotifier> notifier) : notifier_(std::move(notifier)) {}

  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == __uuidof(IMMNotificationClient)) {
      *out = static_cast<IMMNotificationClient*>(this);
    } else if (iid == __uuidof(IAudioEndpointVolumeCallback)) {
      *out = static_cast<IAudioEndpointVolumeCallback*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return Wake(); }
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return Wake(); }
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return Wake(); }
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow, ERole, LPCWSTR) override { return Wake(); }
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return Wake(); }
  HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA) override { return Wake(); }

 private:
  ~Waker() = default;
  HRESULT Wake() {
    if (auto n = notifier_.lock()) n->Poke();
    return S_OK;
  }

  LONG refs_ = 1;
  std::weak_ptr<EndpointNotifier> notifier_;
};

// What the notifier reads through: the enumerator, and the volume of each
// active endpoint with the system's callback registered on it.
class Watch {
 public:
  Watch(std::shared_ptr<Apartment> apartment, ComPtr<IMMDeviceEnumerator> enumerator)
      : apartment_(std::move(apartment)), enumerator_(std::move(enumerator)) {}
  ~Watch() {
    for (auto& [id, volume] : volumes_) volume->UnregisterControlChangeNotify(waker_);
    if (waker_) {
      if (registered_) enumerator_->UnregisterEndpointNotificationCallback(waker_);
      waker_->Release();
    }
  }
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;

  void SetNotifier(std::weak_ptr<EndpointNotifier> notifier) {
    waker_ = new Waker(std::move(notifier));
    registered_ = SUCCEEDED(enumerator_->RegisterEndpointNotificationCallback(waker_));
  }

  // Called by the notifier, one round at a time.
  ErrorCode Read(AudioSnapshot* out) {
    std::map<std::wstring, ComPtr<IAudioEndpointVolume>> seen;
    for (Flow flow : {Flow::kRender, Flow::kCapture}) {
      ComPtr<IMMDeviceCollection> all;
      if (HRESULT hr = enumerator_->EnumAudioEndpoints(DataFlowOf(flow), DEVICE_STATEMASK_ALL, all.Put()); FAILED(hr)) {
        return FromHresult(hr);
      }
      UINT count = 0;
      if (HRESULT hr = all->GetCount(&count); FAILED(hr)) return FromHresult(hr);
      for (UINT i = 0; i < count; ++i) {
        ComPtr<IMMDevice> device;
        EndpointInfo info;
        if (FAILED(all->Item(i, device.Put())) || ReadInfo(device.Get(), &info)) continue;  // gone meanwhile
        EndpointSnapshot s;
        s.state = info.state;
        ReadProperties(device.Get(), &s);
        const std::wstring folded = FoldCase(info.id);
        if (info.state == DEVICE_STATE_ACTIVE) {
          ComPtr<IAudioEndpointVolume> volume = VolumeOf(folded, device.Get());
          BOOL mute = FALSE;
          s.volume_readable =
              volume && SUCCEEDED(volume->GetMasterVolumeLevelScalar(&s.volume)) && SUCCEEDED(volume->GetMute(&mute));
          s.mute = mute != FALSE;
          if (volume) seen[folded] = volume;
        }
        out->order.push_back(info.id);
        out->endpoints[folded] = std::move(s);
      }
    }
    // Endpoints that went, or stopped being active, are watched no longer.
    for (auto& [id, volume] : volumes_) {
      if (!seen.count(id)) volume->UnregisterControlChangeNotify(waker_);
    }
    volumes_ = std::move(seen);
    for (Flow flow : {Flow::kRender, Flow::kCapture}) {
      for (Role role : {Role::kConsole, Role::kMultimedia, Role::kCommunications}) {
        ComPtr<IMMDevice> device;
        LPWSTR id = nullptr;
        if (FAILED(enumerator_->GetDefaultAudioEndpoint(DataFlowOf(flow), RoleOf(role), device.Put())) ||
            FAILED(device->GetId(&id))) {
          continue;
        }
        out->defaults[{static_cast<int>(flow), static_cast<int>(role)}] = id;
        CoTaskMemFree(id);
      }
    }
    return err::kSuccess;
  }

 private:
  // The endpoint's volume, watched from its first sight on.
  ComPtr<IAudioEndpointVolume> VolumeOf(const std::wstring& folded_id, IMMDevice* device) {
    const auto known = volumes_.find(folded_id);
    if (known != volumes_.end()) return known->second;
    ComPtr<IAudioEndpointVolume> volume;
    if (ActivateOn(device, __uuidof(IAudioEndpointVolume), volume.PutVoid())) return {};
    if (waker_ && FAILED(volume->RegisterControlChangeNotify(waker_))) {
      // Still read each round; only the prompt wake-up is missing.
    }
    return volume;
  }

  std::shared_ptr<Apartment> apartment_;  // first in, last out
  ComPtr<IMMDeviceEnumerator> enumerator_;
  Waker* waker_ = nullptr;
  bool registered_ = false;
  std::map<std::wstring, ComPtr<IAudioEndpointVolume>> volumes_;  // by folded id
};

// The system reports its changes itself; this catches what one leaves out.
constexpr std::chrono::milliseconds kBackstopInterval{2000};

std::shared_ptr<EndpointNotifier> MakeNotifier(std::shared_ptr<Apartment> apartment,
                                               ComPtr<IMMDeviceEnumerator> enumerator) {
  auto watch = std::make_shared<Watch>(std::move(apartment), std::move(enumerator));
  EndpointNotifier::Source source;
  source.read = [watch](AudioSnapshot* out) { return watch->Read(out); };
  source.poll_interval = kBackstopInterval;
  auto notifier = std::make_shared<EndpointNotifier>(std::move(source));
  watch->SetNotifier(notifier);
  return notifier;
}

using NotifierPtr = std::shared_ptr<EndpointNotifier>;

class CoreAudioVolume final : public EndpointVolume {
 public:
  CoreAudioVolume(std::shared_ptr<Apartment> apartment, NotifierPtr notifier, std::wstring id,
                  ComPtr<IAudioEndpointVolume> volume)
      : apartment_(std::move(apartment)),
        notifier_(std::move(notifier)),
        id_(std::move(id)),
        volume_(std::move(volume)) {}

  ErrorCode GetMasterScalar(float* scalar) override { return FromHresult(volume_->GetMasterVolumeLevelScalar(scalar)); }
  ErrorCode SetMasterScalar(float scalar) override {
    if (!std::isfinite(scalar) || scalar < 0.0f || scalar > 1.0f) return err::kInvalidParameter;
    return FromHresult(volume_->SetMasterVolumeLevelScalar(scalar, &kKitEventContext));
  }
  ErrorCode GetMute(bool* mute) override {
    BOOL m = FALSE;
    if (HRESULT hr = volume_->GetMute(&m); FAILED(hr)) return FromHresult(hr);
    *mute = m != FALSE;
    return err::kSuccess;
  }
  ErrorCode SetMute(bool mute) override {
    return FromHresult(volume_->SetMute(mute ? TRUE : FALSE, &kKitEventContext));
  }
  ErrorCode Subscribe(VolumeListener* listener, std::unique_ptr<Subscription>* out) override {
    return notifier_->SubscribeVolume(FoldCase(id_), listener, out);
  }

 private:
  std::shared_ptr<Apartment> apartment_;  // first in, last out
  NotifierPtr notifier_;
  std::wstring id_;
  ComPtr<IAudioEndpointVolume> volume_;
};

class CoreAudioEndpoint final : public AudioEndpoint {
 public:
  CoreAudioEndpoint(std::shared_ptr<Apartment> apartment, NotifierPtr notifier, ComPtr<IMMDevice> device,
                    EndpointInfo info)
      : apartment_(std::move(apartment)),
        notifier_(std::move(notifier)),
        device_(std::move(device)),
        info_(std::move(info)) {}

  const EndpointInfo& Info() const override { return info_; }

  ErrorCode ActivateVolume(std::unique_ptr<EndpointVolume>* out) override {
    if (ErrorCode rc = ActivateClient()) return rc;
    ComPtr<IAudioEndpointVolume> volume;
    if (ErrorCode rc = ActivateOn(device_.Get(), __uuidof(IAudioEndpointVolume), volume.PutVoid())) return rc;
    *out = std::make_unique<CoreAudioVolume>(apartment_, notifier_, info_.id, std::move(volume));
    return err::kSuccess;
  }

  ErrorCode ActivateClient() override {
    ComPtr<IAudioClient> client;
    return ActivateOn(device_.Get(), __uuidof(IAudioClient), client.PutVoid());
  }

 private:
  std::shared_ptr<Apartment> apartment_;  // first in, last out
  NotifierPtr notifier_;
  ComPtr<IMMDevice> device_;
  EndpointInfo info_;
};

class CoreAudioSystem final : public AudioSystem {
 public:
  CoreAudioSystem(std::shared_ptr<Apartment> apartment, ComPtr<IMMDeviceEnumerator> enumerator)
      : apartment_(std::move(apartment)),
        enumerator_(std::move(enumerator)),
        notifier_(MakeNotifier(apartment_, enumerator_)) {}

  ErrorCode GetDefaultEndpoint(Flow flow, Role role, std::unique_ptr<AudioEndpoint>* out) override {
    ComPtr<IMMDevice> device;
    if (HRESULT hr = enumerator_->GetDefaultAudioEndpoint(DataFlowOf(flow), RoleOf(role), device.Put()); FAILED(hr)) {
      return FromHresult(hr);
    }
    return Wrap(std::move(device), out);
  }

  ErrorCode GetEndpoint(const std::wstring& id, std::unique_ptr<AudioEndpoint>* out) override {
    if (id.empty()) return err::kNotFound;
    ComPtr<IMMDevice> device;
    const HRESULT hr = enumerator_->GetDevice(id.c_str(), device.Put());
    // Wine answers an unknown id with E_INVALIDARG where Windows says E_NOTFOUND.
    if (hr == E_INVALIDARG) return err::kNotFound;
    if (FAILED(hr)) return FromHresult(hr);
    return Wrap(std::move(device), out);
  }

  ErrorCode EnumerateEndpoints(Flow flow, std::uint32_t state_mask, std::vector<EndpointInfo>* out) override {
    out->clear();
    state_mask &= DEVICE_STATEMASK_ALL;
    if (state_mask == 0) return err::kSuccess;
    ComPtr<IMMDeviceCollection> all;
    if (HRESULT hr = enumerator_->EnumAudioEndpoints(DataFlowOf(flow), state_mask, all.Put()); FAILED(hr)) {
      return FromHresult(hr);
    }
    UINT count = 0;
    if (HRESULT hr = all->GetCount(&count); FAILED(hr)) return FromHresult(hr);
    for (UINT i = 0; i < count; ++i) {
      ComPtr<IMMDevice> device;
      if (HRESULT hr = all->Item(i, device.Put()); FAILED(hr)) return FromHresult(hr);
      EndpointInfo info;
      if (ErrorCode rc = ReadInfo(device.Get(), &info)) {
        if (rc == err::kNotFound) continue;  // gone since the collection was made
        return rc;
      }
      out->push_back(std::move(info));
    }
    return err::kSuccess;
  }

  ErrorCode SubscribeEndpoints(EndpointListener* listener, std::unique_ptr<Subscription>* out) override {
    return notifier_->SubscribeEndpoints(listener, out);
  }

 private:
  ErrorCode Wrap(ComPtr<IMMDevice> device, std::unique_ptr<AudioEndpoint>* out) {
    EndpointInfo info;
    if (ErrorCode rc = ReadInfo(device.Get(), &info)) return rc;
    *out = std::make_unique<CoreAudioEndpoint>(apartment_, notifier_, std::move(device), std::move(info));
    return err::kSuccess;
  }

  std::shared_ptr<Apartment> apartment_;  // first in, last out
  ComPtr<IMMDeviceEnumerator> enumerator_;
  NotifierPtr notifier_;
};

// Core Audio could not be started: every call says so with the system's
// reason, and the rest of the kit runs on.
class UnavailableAudioSystem final : public AudioSystem {
 public:
  explicit UnavailableAudioSystem(ErrorCode why) : why_(why) {}
  ErrorCode GetDefaultEndpoint(Flow, Role, std::unique_ptr<AudioEndpoint>*) override { return why_; }
  ErrorCode GetEndpoint(const std::wstring&, std::unique_ptr<AudioEndpoint>*) override { return why_; }
  ErrorCode EnumerateEndpoints(Flow, std::uint32_t, std::vector<EndpointInfo>* out) override {
    out->clear();
    return why_;
  }

 private:
  ErrorCode why_;
};

}  // namespace

std::unique_ptr<AudioSystem> MakeCoreAudioSystem() {
  auto apartment = std::make_shared<Apartment>();
  if (!apartment->Ok()) return std::make_unique<UnavailableAudioSystem>(err::kGenFailure);
  ComPtr<IMMDeviceEnumerator> enumerator;
  if (HRESULT hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                    enumerator.PutVoid());
      FAILED(hr)) {
    return std::make_unique<UnavailableAudioSystem>(FromHresult(hr));
  }
  return std::make_unique<CoreAudioSystem>(std::move(apartment), std::move(enumerator));
}

}  // namespace oro::platform::windows_host
