// A driver library that lacks GetFeature: the loader must refuse it.
#include "platform/driver_abi.h"

extern "C" {
void Set_VIDPID(uint32_t, uint32_t) {}
void Open_DevMonitor(MessageTarget*, uint32_t, uint32_t) {}
void Close_DevMonitor(void) {}
int32_t Open_FeatureDevice(void) {
  return 1;
}
void Close_FeatureDevice(void) {}
int32_t SetFeature(const uint8_t*, int32_t) {
  return 1;
}
}
