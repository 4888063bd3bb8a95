// The three links a report reaches the mouse by.
#pragma once

#include <string_view>

namespace melko::vmouse {

enum class Link { kWired, kWireless, kBle };

inline std::string_view LinkName(Link link) {
  switch (link) {
    case Link::kWired:
      return "wired";
    case Link::kWireless:
      return "wireless";
    case Link::kBle:
      break;
  }
  return "ble";
}

}  // namespace melko::vmouse
