// Field-by-field little-endian codecs for fixed records. A record's layout is written once, as a
// function that visits every field with its byte offset; the same function drives encoding and
// decoding.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "common/byte_order.h"

namespace melko {

// An array of integers whose bytes are its little-endian encoding, so that it is copied whole
// rather than element by element (a profile record holds tens of kilobytes of such arrays).
template <class Int>
inline constexpr bool kCopiedWhole =
    std::endian::native == std::endian::little && !std::is_same_v<Int, bool>;

class LayoutEncoder {
 public:
  explicit LayoutEncoder(std::uint8_t* bytes) : bytes_(bytes) {}

  template <class Int>
  requires std::is_integral_v<Int>
  void operator()(std::size_t offset, const Int& value) {
    StoreLittleEndian(bytes_ + offset, value);
  }
  template <class Int, std::size_t N>
  requires std::is_integral_v<Int>
  void operator()(std::size_t offset, const std::array<Int, N>& values) {
    if constexpr (kCopiedWhole<Int>) {
      std::memcpy(bytes_ + offset, values.data(), sizeof(values));
    } else {
      for (std::size_t i = 0; i < N; ++i) (*this)(offset + i * sizeof(Int), values[i]);
    }
  }

 private:
  std::uint8_t* bytes_;
};

class LayoutDecoder {
 public:
  explicit LayoutDecoder(const std::uint8_t* bytes) : bytes_(bytes) {}

  template <class Int>
  requires std::is_integral_v<Int>
  void operator()(std::size_t offset, Int& value) {
    value = LoadLittleEndian<Int>(bytes_ + offset);
  }
  template <class Int, std::size_t N>
  requires std::is_integral_v<Int>
  void operator()(std::size_t offset, std::array<Int, N>& values) {
    if constexpr (kCopiedWhole<Int>) {
      std::memcpy(values.data(), bytes_ + offset, sizeof(values));
    } else {
      for (std::size_t i = 0; i < N; ++i) (*this)(offset + i * sizeof(Int), values[i]);
    }
  }

 private:
  const std::uint8_t* bytes_;
};

}  // namespace melko
