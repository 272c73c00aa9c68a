// Little-endian integers and floats at a byte address: the one codec for the
// kit's stored values, file records and shared memory, whatever the host's
// byte order. Every reader and writer of such bytes goes through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

namespace oro::platform {

template <typename T>
T LoadLe(const std::uint8_t* p) {
  static_assert(std::is_integral_v<T>, "integers only; floats go through LoadF32Le");
  using U = std::make_unsigned_t<T>;
  U v = 0;
  for (std::size_t i = sizeof(U); i-- > 0;) v = static_cast<U>(static_cast<std::uint64_t>(v) << 8 | p[i]);
  return static_cast<T>(v);
}

template <typename T>
void StoreLe(std::uint8_t* p, T value) {
  static_assert(std::is_integral_v<T>, "integers only; floats go through StoreF32Le");
  auto v = static_cast<std::make_unsigned_t<T>>(value);
  for (std::size_t i = 0; i < sizeof v; ++i) {
    p[i] = static_cast<std::uint8_t>(v & 0xFFu);
    v = static_cast<decltype(v)>(static_cast<std::uint64_t>(v) >> 8);
  }
}

// The value's bytes as a new vector, for stored values.
template <typename T>
std::vector<std::uint8_t> LeBytes(T value) {
  std::vector<std::uint8_t> bytes(sizeof(T));
  StoreLe(bytes.data(), value);
  return bytes;
}

static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4, "the kit stores IEEE single floats");

inline float LoadF32Le(const std::uint8_t* p) {
  const auto bits = LoadLe<std::uint32_t>(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

inline void StoreF32Le(std::uint8_t* p, float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  StoreLe(p, bits);
}

}  // namespace oro::platform
