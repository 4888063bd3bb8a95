#include "hidraw_format.h"

#include <charconv>

namespace melko::hiddriver {
namespace {

// One field of HID_ID: 1 to 8 hex digits, nothing else.
std::optional<std::uint32_t> HexField(std::string_view field) {
  if (field.empty() || field.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
  if (error != std::errc{} || end != field.data() + field.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<HidId> ParseHidId(std::string_view text) {
  const auto first = text.find(':');
  if (first == std::string_view::npos) return std::nullopt;
  const auto second = text.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto bus = HexField(text.substr(0, first));
  const auto vendor = HexField(text.substr(first + 1, second - first - 1));
  const auto product = HexField(text.substr(second + 1));
  if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF) return std::nullopt;
  return HidId{*bus, {std::uint16_t(*vendor), std::uint16_t(*product)}};
}

std::optional<StatusEvent> ParseStatusReport(std::span<const std::uint8_t> report) {
  if (report.size() < kStatusReportSize || report[0] != kStatusReportId) return std::nullopt;
  return StatusEvent{std::uint16_t(report[1] | report[2] << 8),
                     std::uint16_t(report[3] | report[4] << 8)};
}

std::optional<std::string> ChooseInterface(const std::vector<HidInterface>& interfaces) {
  if (interfaces.empty()) return std::nullopt;
  for (const auto& interface : interfaces) {
    if (interface.usage_page >= 0xFF00) return interface.path;
  }
  return interfaces.front().path;
}

}  // namespace melko::hiddriver
