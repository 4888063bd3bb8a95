/* The C interface of the driver libraries hiddriver_1.so (receiver) and hiddriver_2.so (cable).
 * Each exports these seven functions by name. Where a window would receive the libraries'
 * messages, they post to a MessageTarget, which may be called from any thread. */
#ifndef MELKO_PLATFORM_DRIVER_ABI_H
#define MELKO_PLATFORM_DRIVER_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MessageTarget {
  void* context;
  /* Queues a message for the program's main thread; returns at once. */
  void (*post)(void* context, uint32_t message, uintptr_t wparam, intptr_t lparam);
} MessageTarget;

/* Chooses the USB device the library serves. */
typedef void (*MelkoSetVidPid)(uint32_t vid, uint32_t pid);
/* Starts the device monitor: status events come as data_message (event word in wparam, value in
 * lparam), arrivals and removals as connect_message (wparam 1 arrived, 0 removed). */
typedef void (*MelkoOpenDevMonitor)(MessageTarget* target, uint32_t data_message,
                                    uint32_t connect_message);
typedef void (*MelkoCloseDevMonitor)(void);
/* Opens the device for feature reports; nonzero when a device was found and opened. */
typedef int32_t (*MelkoOpenFeatureDevice)(void);
typedef void (*MelkoCloseFeatureDevice)(void);
/* Writes one feature report: bytes start with the report ID, length counts it. Nonzero: written. */
typedef int32_t (*MelkoSetFeature)(const uint8_t* bytes, int32_t length);
/* Reads one feature report; resolved but never called. */
typedef int32_t (*MelkoGetFeature)(uint8_t* bytes, int32_t length);

#define MELKO_DRIVER_SET_VIDPID "Set_VIDPID"
#define MELKO_DRIVER_OPEN_DEV_MONITOR "Open_DevMonitor"
#define MELKO_DRIVER_CLOSE_DEV_MONITOR "Close_DevMonitor"
#define MELKO_DRIVER_OPEN_FEATURE_DEVICE "Open_FeatureDevice"
#define MELKO_DRIVER_CLOSE_FEATURE_DEVICE "Close_FeatureDevice"
#define MELKO_DRIVER_SET_FEATURE "SetFeature"
#define MELKO_DRIVER_GET_FEATURE "GetFeature"

#ifdef __cplusplus
}
#endif

#endif /* MELKO_PLATFORM_DRIVER_ABI_H */
