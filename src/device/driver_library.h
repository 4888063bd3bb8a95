// A driver library as the program holds it: the seven entry points resolved by name. A library
// that is missing, or lacks a name, leaves its entry points empty and its link down.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/driver_abi.h"

namespace melko {

struct DriverLibrary {
  void* module = nullptr;  // the loader's handle, for unloading
  MelkoSetVidPid set_vid_pid = nullptr;
  MelkoOpenDevMonitor open_dev_monitor = nullptr;
  MelkoCloseDevMonitor close_dev_monitor = nullptr;
  MelkoOpenFeatureDevice open_feature_device = nullptr;
  MelkoCloseFeatureDevice close_feature_device = nullptr;
  MelkoSetFeature set_feature = nullptr;
  MelkoGetFeature get_feature = nullptr;

  // Every name resolved: only then is the library used at all.
  bool usable() const {
    return set_vid_pid && open_dev_monitor && close_dev_monitor && open_feature_device &&
           close_feature_device && set_feature && get_feature;
  }
  std::int32_t OpenFeatureDevice() const { return usable() ? open_feature_device() : 0; }
  void CloseFeatureDevice() const {
    if (usable()) close_feature_device();
  }
  std::int32_t SetFeature(const std::uint8_t* bytes, std::int32_t length) const {
    return usable() ? set_feature(bytes, length) : 0;
  }
};

// The two libraries: the cable's (hiddriver_2) and the receiver's (hiddriver_1).
struct DriverLinks {
  DriverLibrary wired;
  DriverLibrary receiver;
};

// Loads a library by file name from the program's folder and resolves its entry points.
class DriverLoader {
 public:
  virtual ~DriverLoader() = default;
  virtual DriverLibrary Load(std::string_view file_name) = 0;
  virtual void Unload(DriverLibrary& library) = 0;
};

inline constexpr const char* kWiredDriverFile = "hiddriver_2.so";
inline constexpr const char* kReceiverDriverFile = "hiddriver_1.so";
inline constexpr std::uint32_t kMouseVendorId = 0x1D57;
inline constexpr std::uint32_t kWiredProductId = 0x3005;
inline constexpr std::uint32_t kReceiverProductId = 0x3006;

}  // namespace melko
