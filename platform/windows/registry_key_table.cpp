#include "registry_key_table.h"

namespace oro::platform::windows_host {

KeyTable& KeyTable::Instance() {
  static KeyTable* table = new KeyTable;  // outlives every store, also at exit
  return *table;
}

bool KeyTable::Alive(const Entry& e) {
  for (const auto& [access, key] : e.handles) {
    // The system answers "deleted" before it looks at the handle's rights.
    const LONG rc = RegQueryInfoKeyW(key->Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
    if (rc == ERROR_KEY_DELETED) return false;
    if (rc == ERROR_SUCCESS) return true;
  }
  return !e.handles.empty();
}

void KeyTable::SweepLocked() {
  for (auto it = by_id_.begin(); it != by_id_.end();) {
    if (Alive(it->second)) {
      ++it;
      continue;
    }
    by_path_.erase(it->second.path);
    it = by_id_.erase(it);
  }
  sweep_at_ = std::max<std::size_t>(256, by_id_.size() * 2);
}

std::int64_t KeyTable::Register(const std::wstring& path, std::size_t depth, std::uint32_t access, KeyRef key) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = by_path_.find(path);
  if (found != by_path_.end()) {
    Entry& e = by_id_[found->second];
    if (Alive(e)) {
      e.handles.emplace(access, std::move(key));  // an equal handle already filed wins
      return found->second;
    }
    by_id_.erase(found->second);
    by_path_.erase(found);
  }
  // Keys deleted since they were filed would pile up in a long-running
  // service: drop them now and then (their numbers stay "deleted").
  if (by_id_.size() >= sweep_at_) SweepLocked();
  const std::int64_t id = next_id_++;
  Entry& e = by_id_[id];
  e.path = path;
  e.depth = depth;
  e.handles.emplace(access, std::move(key));
  by_path_[path] = id;
  return id;
}

ErrorCode KeyTable::Find(std::int64_t id, std::uint32_t access, bool check_alive, KnownKey* out, bool* exact) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = by_id_.find(id);
  if (it == by_id_.end()) return id > 0 && id < next_id_ ? err::kKeyDeleted : err::kInvalidHandle;
  if (check_alive && !Alive(it->second)) {
    by_path_.erase(it->second.path);
    by_id_.erase(it);
    return err::kKeyDeleted;
  }
  const Entry& e = it->second;
  auto h = e.handles.find(access);
  *exact = h != e.handles.end();
  out->key = *exact ? h->second : e.handles.begin()->second;
  out->path = e.path;
  out->depth = e.depth;
  return err::kSuccess;
}

}  // namespace oro::platform::windows_host
