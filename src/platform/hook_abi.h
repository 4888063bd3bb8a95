/* The C interface of the desktop hook library Hook.so, which reports key presses and mouse buttons
 * from the whole desktop while the program records a macro or captures a shortcut. It exports
 * these seven functions by name and posts to the MessageTarget of driver_abi.h. Nothing runs when
 * the library is loaded: capture starts with installhook and ends with removehook. */
#ifndef MELKO_PLATFORM_HOOK_ABI_H
#define MELKO_PLATFORM_HOOK_ABI_H

#include "platform/driver_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Every captured event comes as this message. For a key, wparam is its virtual-key code and lparam
 * 0 for a press, 1 for a release. For a mouse button, wparam is one of the MELKO_HOOK_* button
 * messages below and lparam 0, or for the extra buttons the button's number. For the wheel, wparam
 * is MELKO_HOOK_WHEEL or MELKO_HOOK_HWHEEL and lparam +120 (up, right) or -120 (down, left) per
 * notch. */
#define MELKO_HOOK_MESSAGE 1034u

#define MELKO_HOOK_LEFT_DOWN 513u
#define MELKO_HOOK_LEFT_UP 514u
#define MELKO_HOOK_RIGHT_DOWN 516u
#define MELKO_HOOK_RIGHT_UP 517u
#define MELKO_HOOK_MIDDLE_DOWN 519u
#define MELKO_HOOK_MIDDLE_UP 520u
#define MELKO_HOOK_WHEEL 522u
#define MELKO_HOOK_EXTRA_DOWN 523u
#define MELKO_HOOK_EXTRA_UP 524u
#define MELKO_HOOK_HWHEEL 526u
/* lparam of the extra-button messages: the forward button is extra button 1, the back button
 * extra button 2 (the program reads 2 as "backward"). */
#define MELKO_HOOK_EXTRA_FORWARD 1
#define MELKO_HOOK_EXTRA_BACK 2
#define MELKO_HOOK_WHEEL_NOTCH 120

/* Kept for the interface's sake; does nothing. */
typedef void (*MelkoInstallMouseHook)(void);
/* Stops the mouse-button messages, as MelkoEnableMouseHook(0). */
typedef void (*MelkoRemoveMouseHook)(void);
/* Mouse-button messages on (nonzero) or off. Off when the library loads. */
typedef void (*MelkoEnableMouseHook)(int on);
/* Starts capture (when it is not running) and sends every message to target from now on, instead
 * of to any earlier target. Without a reachable X server with the RECORD extension nothing is
 * captured and one line says so on standard error, once. */
typedef void (*MelkoInstallHook)(MessageTarget* target);
/* Stops capture; no message is posted once it returns. Harmless without installhook. */
typedef void (*MelkoRemoveHook)(void);
/* Key messages on (nonzero) or off. Off when the library loads. */
typedef void (*MelkoEnableHook)(int on);
/* Wheel messages on (nonzero) or off. Off when the library loads. */
typedef void (*MelkoMouseWheelEnable)(int on);

#define MELKO_HOOK_INSTALL_MOUSE_HOOK "installmousehook"
#define MELKO_HOOK_REMOVE_MOUSE_HOOK "removemousehook"
#define MELKO_HOOK_ENABLE_MOUSE_HOOK "enablemousehook"
#define MELKO_HOOK_INSTALL_HOOK "installhook"
#define MELKO_HOOK_REMOVE_HOOK "removehook"
#define MELKO_HOOK_ENABLE_HOOK "enablehook"
#define MELKO_HOOK_MOUSE_WHEEL_ENABLE "mousewheelenable"

#ifdef __cplusplus
}
#endif

#endif /* MELKO_PLATFORM_HOOK_ABI_H */
