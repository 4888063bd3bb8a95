#include "vmouse/macro_report.h"

namespace melko::vmouse {
namespace {

// Entries are steps with a delay byte whose bit 0 is always set, each long delay followed by at
// most one extra-delay entry; at most ten of those in a report.
Problem CheckEntries(const std::vector<MacroEntry>& entries) {
  std::size_t extras = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const MacroEntry& e = entries[i];
    const std::string where = "macro entry " + std::to_string(i + 1);
    if (e.is_extra_delay()) {
      if (i == 0 || entries[i - 1].is_extra_delay()) {
        return where + ": extra delay without a step before it";
      }
      if (++extras > kMaxExtraDelayEntries) return where + ": more than 10 extra delays";
    } else if ((e.delay_byte & 0x01) == 0) {
      return where + ": delay byte " + HexByte(e.delay_byte) + " lacks bit 0";
    }
  }
  return {};
}

}  // namespace

Problem ApplyMacroReport(Bytes r, Settings& settings) {
  if (auto p = CheckLength(r, kMacroLength)) return p;
  const int button = r[2];
  if (button < 1 || button > kButtonCount) {
    return "macro for button " + std::to_string(button) + ", expected 1 to 18";
  }
  if (r[4] != r[5] || r[4] != r[6]) {
    return "bytes 4 to 6 are " + HexBytes(r.subspan(4, 3)) + ", expected one byte three times";
  }
  if (r[7] == 0) return "repeat count 0";
  if (auto p = CheckZero(r, 8, 27, "macro report")) return p;
  const std::size_t count = r[28];
  if (count > kMaxMacroEntries) return "macro of " + std::to_string(count) + " entries, at most 50";
  if (auto p = CheckZero(r, 29 + 2 * count, 128, "macro report after the last entry")) return p;
  if (auto p = CheckChecksum(r, 129)) return p;

  Macro macro;
  macro.mode = r[3];
  macro.reserved = r[4];
  macro.repeat = r[7];
  for (std::size_t i = 0; i < count; ++i) macro.entries.push_back({r[29 + 2 * i], r[30 + 2 * i]});
  if (auto p = CheckEntries(macro.entries)) return p;
  settings.macros[std::size_t(button - 1)] = std::move(macro);
  return {};
}

}  // namespace melko::vmouse
