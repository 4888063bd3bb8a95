// Little-endian reads and writes of fixed-width integers, independent of the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace melko {

template <class Int>
Int LoadLittleEndian(const std::uint8_t* bytes) {
  static_assert(std::is_integral_v<Int>);
  using Unsigned = std::make_unsigned_t<Int>;
  Unsigned value = 0;
  for (std::size_t i = 0; i < sizeof(Int); ++i) value |= Unsigned(Unsigned(bytes[i]) << (8 * i));
  return static_cast<Int>(value);
}

template <class Int>
void StoreLittleEndian(std::uint8_t* bytes, Int value) {
  static_assert(std::is_integral_v<Int>);
  using Unsigned = std::make_unsigned_t<Int>;
  const Unsigned bits = static_cast<Unsigned>(value);
  for (std::size_t i = 0; i < sizeof(Int); ++i) bytes[i] = std::uint8_t(bits >> (8 * i));
}

}  // namespace melko
