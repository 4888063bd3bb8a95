// Reassembly of the macro report from the three 64-byte chunks the driver libraries carry.
// Chunk k holds bytes 3 + 60k onwards of the report behind a 4-byte head: 0x09, a marker, the
// button number and k. The marker is 0x40, except 0x0C in the last chunk over the receiver.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "vmouse/link.h"
#include "vmouse/report_checks.h"

namespace melko::vmouse {

inline constexpr std::size_t kMacroChunkLength = 64;
inline constexpr std::uint8_t kChunkMarker = 0x40;
inline constexpr std::uint8_t kLastChunkMarkerOverReceiver = 0x0C;

class MacroChunkAssembler {
 public:
  struct Result {
    Problem problem;                                  // the chunk was rejected
    std::optional<std::vector<std::uint8_t>> report;  // the whole 131-byte report, after chunk 2
  };

  // Takes one chunk over the cable or the receiver; each link assembles on its own. A chunk 0
  // always starts a new report; any rejected chunk drops the report being assembled.
  Result Add(Link link, Bytes chunk);

 private:
  struct Pending {
    std::uint8_t button = 0;
    int next_chunk = 0;
    std::array<std::uint8_t, 3 * 60> payload{};
  };
  Problem Check(Link link, Bytes chunk, const std::optional<Pending>& pending) const;

  std::array<std::optional<Pending>, 2> pending_;  // wired, wireless
};

}  // namespace melko::vmouse
