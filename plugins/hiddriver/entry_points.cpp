// The seven C entry points of the driver library; the only names it exports. MELKO_HIDDRIVER_LINK
// names the link this build serves: "receiver" (hiddriver_1) or "wired" (hiddriver_2).
#include <cstdint>
#include <span>

#include "driver.h"
#include "platform/driver_abi.h"

#ifndef MELKO_HIDDRIVER_LINK
#error "MELKO_HIDDRIVER_LINK must name the link: \"wired\" or \"receiver\""
#endif

#define MELKO_EXPORT __attribute__((visibility("default")))

namespace {

melko::hiddriver::Driver& TheDriver() {
  static melko::hiddriver::Driver driver(MELKO_HIDDRIVER_LINK);
  return driver;
}

}  // namespace

extern "C" {

MELKO_EXPORT void Set_VIDPID(uint32_t vid, uint32_t pid) {
  TheDriver().SetIds(vid, pid);
}

MELKO_EXPORT void Open_DevMonitor(MessageTarget* target, uint32_t data_message,
                                  uint32_t connect_message) {
  TheDriver().OpenMonitor({target, data_message, connect_message});
}

MELKO_EXPORT void Close_DevMonitor(void) {
  TheDriver().CloseMonitor();
}

MELKO_EXPORT int32_t Open_FeatureDevice(void) {
  return TheDriver().OpenDevice() ? 1 : 0;
}

MELKO_EXPORT void Close_FeatureDevice(void) {
  TheDriver().CloseDevice();
}

MELKO_EXPORT int32_t SetFeature(const uint8_t* bytes, int32_t length) {
  if (bytes == nullptr || length <= 0) return 0;
  return TheDriver().SetFeature({bytes, std::size_t(length)}) ? 1 : 0;
}

// Nothing is read back from the mouse by report.
MELKO_EXPORT int32_t GetFeature(uint8_t*, int32_t) {
  return 0;
}

}  // extern "C"
