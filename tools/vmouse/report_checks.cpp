#include "vmouse/report_checks.h"

namespace melko::vmouse {

std::string HexByte(std::uint8_t value) {
  return "0x" + HexBytes(Bytes(&value, 1));
}

std::string HexBytes(Bytes bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

std::uint16_t Checksum(Bytes frame, std::size_t first, std::size_t last) {
  std::uint16_t sum = 0;
  for (std::size_t i = first; i <= last && i < frame.size(); ++i)
    sum = std::uint16_t(sum + frame[i]);
  return sum;
}

Problem CheckLength(Bytes frame, std::size_t length) {
  if (frame[1] != length) {
    return "length byte " + std::to_string(frame[1]) + ", expected " + std::to_string(length);
  }
  if (frame.size() != length) {
    return "frame of " + std::to_string(frame.size()) + " bytes, length byte says " +
           std::to_string(length);
  }
  return {};
}

Problem CheckByteTwo(Bytes frame) {
  if (frame[2] != 0x01) return "byte 2 is " + HexByte(frame[2]) + ", expected 0x01";
  return {};
}

Problem CheckChecksum(Bytes frame, std::size_t at) {
  const std::uint16_t expected = Checksum(frame, 3, at - 1);
  const auto stored = std::uint16_t(frame[at] << 8 | frame[at + 1]);
  if (stored == expected) return {};
  const std::uint8_t pair[2] = {std::uint8_t(expected >> 8), std::uint8_t(expected)};
  const std::uint8_t got[2] = {frame[at], frame[at + 1]};
  return "checksum " + HexBytes(got) + " at byte " + std::to_string(at) + ", expected " +
         HexBytes(pair);
}

Problem CheckZero(Bytes frame, std::size_t first, std::size_t last, const char* what) {
  for (std::size_t i = first; i <= last && i < frame.size(); ++i) {
    if (frame[i] != 0) {
      return std::string(what) + ": byte " + std::to_string(i) + " is " + HexByte(frame[i]) +
             ", expected 0";
    }
  }
  return {};
}

}  // namespace melko::vmouse
