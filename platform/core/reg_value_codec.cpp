#include "oro/platform/reg_value_codec.h"

#include "oro/platform/text.h"

namespace oro::platform {
namespace {

std::wstring DecodeUnits(const std::vector<std::uint8_t>& data) {
  if (data.size() % 2 == 0) return FromUtf16Le(data.data(), data.size());
  std::vector<std::uint8_t> padded(data);
  padded.push_back(0);
  return FromUtf16Le(padded.data(), padded.size());
}

}  // namespace

std::wstring DecodeRegString(const std::vector<std::uint8_t>& data) {
  std::wstring text = DecodeUnits(data);
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::vector<std::wstring> DecodeRegMultiString(const std::vector<std::uint8_t>& data) {
  std::wstring text = DecodeUnits(data);
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  std::vector<std::wstring> items;
  if (text.empty()) return items;
  std::size_t start = 0;
  for (;;) {
    const std::size_t zero = text.find(L'\0', start);
    if (zero == std::wstring::npos) {
      items.push_back(text.substr(start));
      return items;
    }
    items.push_back(text.substr(start, zero - start));
    start = zero + 1;
  }
}

std::vector<std::uint8_t> EncodeRegString(const std::wstring& text) {
  std::vector<std::uint8_t> bytes = ToUtf16Le(text);
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

std::vector<std::uint8_t> EncodeRegMultiString(const std::vector<std::wstring>& items) {
  std::vector<std::uint8_t> bytes;
  for (const auto& item : items) {
    const std::vector<std::uint8_t> one = EncodeRegString(item);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

}  // namespace oro::platform
