// The names BlueZ serves on the system bus, as far as the mouse needs them.
#pragma once

namespace melko::bluez {

inline constexpr const char* kService = "org.bluez";
inline constexpr const char* kObjectManagerPath = "/";

inline constexpr const char* kObjectManagerInterface = "org.freedesktop.DBus.ObjectManager";
inline constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";
inline constexpr const char* kDeviceInterface = "org.bluez.Device1";
inline constexpr const char* kGattServiceInterface = "org.bluez.GattService1";
inline constexpr const char* kGattCharacteristicInterface = "org.bluez.GattCharacteristic1";

// The mouse's GATT characteristics, known by the first 32 bits of their UUID (whatever base UUID
// follows): reports are written to the first, status events are notified on the second.
inline constexpr const char* kWriteCharacteristicUuid = "0000fee3";
inline constexpr const char* kNotifyCharacteristicUuid = "0000fee4";

}  // namespace melko::bluez
