#include "oro/common/reg_file.h"

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>

#include "oro/common/registry_access.h"
#include "oro/platform/errno_codes.h"
#include "oro/platform/reg_value_codec.h"
#include "oro/platform/registry_store.h"
#include "oro/platform/text.h"
#include "registry_access_detail.h"

namespace oro::common {
namespace {

namespace regtype = platform::regtype;
namespace fs = std::filesystem;

constexpr const wchar_t* kEol = L"\r\n";
// Hex lines are wrapped so that no line, trailing backslash included, is
// wider than 80 columns, as the registry editor wraps them.
constexpr std::size_t kHexLineLimit = 79;

std::wstring Quoted(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out.push_back(L'\\');
    out.push_back(c);
  }
  out.push_back(L'"');
  return out;
}

std::wstring NameField(const std::wstring& name) { return name.empty() ? std::wstring(L"@") : Quoted(name); }

// Line breaks and zeros cannot stand inside a quoted string of the file.
bool NeedsHex(const std::wstring& text) { return text.find_first_of(std::wstring(L"\r\n\0", 3)) != std::wstring::npos; }

// A key or value name with a line break would start a line of its own in the
// file, which an import reads as a key or value nobody created: such a name
// has no form in the format, so it is refused, never written raw.
void CheckWritableName(const std::wstring& what, const std::wstring& name) {
  if (name.find_first_of(L"\r\n") == std::wstring::npos) return;
  std::wstring shown;
  for (wchar_t c : name) shown += c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n" : std::wstring(1, c);
  throw RegistryException(what + L" " + shown + L" has a line break in its name, which a .reg file cannot hold");
}

}  // namespace

RegFileBuilder::RegFileBuilder() : text_(L"Windows Registry Editor Version 5.00") {
  text_ += kEol;
  text_ += kEol;
}

void RegFileBuilder::CloseBlock() {
  if (in_block_) text_ += kEol;
  in_block_ = false;
}

void RegFileBuilder::BeginKey(const std::wstring& full_path) {
  CheckWritableName(L"Key", full_path);
  CloseBlock();
  text_ += L"[" + full_path + L"]" + kEol;
  in_block_ = true;
}

void RegFileBuilder::AddHex(const std::wstring& prefix, const std::vector<std::uint8_t>& data) {
  std::size_t line_start = text_.size();
  text_ += prefix;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0) {
      text_ += L',';
      if (text_.size() - line_start + 3 > kHexLineLimit) {
        text_ += L'\\';
        text_ += kEol;
        line_start = text_.size();
        text_ += L"  ";
      }
    }
    wchar_t digits[3];
    std::swprintf(digits, 3, L"%02x", data[i]);
    text_ += digits;
  }
  text_ += kEol;
}

void RegFileBuilder::AddString(const std::wstring& name, const std::wstring& value) {
  CheckWritableName(L"Value", name);
  if (NeedsHex(value)) {
    AddHex(NameField(name) + L"=hex(1):", platform::EncodeRegString(value));
  } else {
    text_ += NameField(name) + L"=" + Quoted(value) + kEol;
  }
}

void RegFileBuilder::AddValue(const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
  CheckWritableName(L"Value", name);
  if (type == regtype::kSz) {
    // The quoted form is read back with one terminating zero; anything else
    // (no terminator, an odd byte, line breaks) keeps its bytes as hex.
    const std::wstring text = platform::DecodeRegString(data);
    if (!NeedsHex(text) && platform::EncodeRegString(text) == data) {
      AddString(name, text);
      return;
    }
  }
  if (type == regtype::kDword && data.size() == 4) {
    wchar_t digits[9];
    std::swprintf(digits, 9, L"%02x%02x%02x%02x", data[3], data[2], data[1], data[0]);
    text_ += NameField(name) + L"=dword:" + digits + kEol;
    return;
  }
  if (type == regtype::kBinary) {
    AddHex(NameField(name) + L"=hex:", data);
    return;
  }
  wchar_t number[12];
  std::swprintf(number, 12, L"%x", static_cast<unsigned>(type));
  AddHex(NameField(name) + L"=hex(" + number + L"):", data);
}

std::wstring RegFileBuilder::Text() const { return in_block_ ? text_ + kEol : text_; }

std::vector<std::uint8_t> RegFileBuilder::Bytes() const {
  // Encoded a slice at a time into one buffer: a deep tree's export runs to
  // hundreds of megabytes, and whole copies of the text would double that.
  constexpr std::size_t kSlice = 1 << 16;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 + 2 * (text_.size() + 2));
  bytes.push_back(0xFF);
  bytes.push_back(0xFE);
  for (std::size_t at = 0; at < text_.size();) {
    std::size_t length = std::min(kSlice, text_.size() - at);
    // Where wchar_t is UTF-16, a pair of surrogates stays in one slice.
    const wchar_t last = text_[at + length - 1];
    if (sizeof(wchar_t) == 2 && last >= 0xD800 && last <= 0xDBFF && at + length < text_.size()) ++length;
    const std::vector<std::uint8_t> part = platform::ToUtf16Le(text_.substr(at, length));
    bytes.insert(bytes.end(), part.begin(), part.end());
    at += length;
  }
  if (in_block_) {
    const std::vector<std::uint8_t> eol = platform::ToUtf16Le(kEol);
    bytes.insert(bytes.end(), eol.begin(), eol.end());
  }
  return bytes;
}

struct ReplacingFile::Data {
  std::wstring path;
  fs::path target;
  fs::path temp;
  std::ofstream out;
  bool committed = false;
};

ReplacingFile::ReplacingFile(const std::wstring& path) : d_(std::make_unique<Data>()) {
  d_->path = path;
  d_->target = detail::NativePath(path);
  std::random_device random;
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".tmp%08x", static_cast<unsigned>(random()));
  d_->temp = d_->target;
  d_->temp += suffix;
  // Only a regular file is replaced: renaming over a device, a FIFO or a
  // symbolic link would destroy what stands there.
  std::error_code ec;
  const fs::file_status there = fs::symlink_status(d_->target, ec);
  if (!ec && fs::exists(there) && !fs::is_regular_file(there)) {
    throw RegistryException(L"Error while opening file " + path + L" for writing: it is not a regular file");
  }
  d_->out.open(d_->temp, std::ios::binary | std::ios::trunc);
  if (!d_->out.is_open()) throw RegistryException(L"Error while opening file " + path + L" for writing");
  // A new file is the writer's own whatever the umask; a replaced one keeps
  // its permissions (set at commit).
  fs::permissions(d_->temp, fs::perms::owner_read | fs::perms::owner_write, ec);
}

ReplacingFile::~ReplacingFile() {
  if (d_->committed) return;
  if (d_->out.is_open()) d_->out.close();
  std::error_code ignored;
  fs::remove(d_->temp, ignored);
}

void ReplacingFile::Commit(const std::vector<std::uint8_t>& bytes) {
  const std::wstring message = L"Error while writing file " + d_->path;
  errno = 0;
  d_->out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  d_->out.flush();
  if (!d_->out) throw RegistryException(detail::WithErrorText(message, platform::ErrorFromErrno(errno)));
  d_->out.close();
  if (!d_->out) throw RegistryException(detail::WithErrorText(message, platform::ErrorFromErrno(errno)));

  std::error_code ec;
  // A replaced file keeps its permissions.
  const fs::file_status old = fs::status(d_->target, ec);
  if (!ec && fs::is_regular_file(old)) fs::permissions(d_->temp, old.permissions(), ec);
  fs::rename(d_->temp, d_->target, ec);
  if (ec) throw RegistryException(detail::WithErrorText(message, platform::ErrorFromErrno(ec.value())));
  d_->committed = true;
}

namespace detail {

fs::path NativePath(const std::wstring& path) {
#ifdef _WIN32
  return fs::path(path);
#else
  return fs::path(platform::ToUtf8(path));
#endif
}

}  // namespace detail
}  // namespace oro::common
