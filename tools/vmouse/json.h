// JSON text of what the virtual mouse holds and of its write log, one object per line.
#pragma once

#include <string>
#include <string_view>

#include "vmouse/firmware.h"

namespace melko::vmouse {

// The text as a quoted JSON string: quotes, backslashes and control characters escaped, other
// bytes (UTF-8 included) kept as they are.
std::string JsonString(std::string_view text);

// {"dpi":{...},"light":{...},"rate_code":..,"buttons":[...],"macros":[...]}
std::string SettingsToJson(const Settings& settings);

// {"settings":{...},"power":{"level":..,"source":"battery|charging|charged"},"asleep":..}
std::string FirmwareToJson(const Firmware& firmware);

// {"t_ms":..,"link":"wired|wireless|ble","hex":"..","valid":..,"reason":".."}
std::string WriteRecordToJson(const WriteRecord& record);

}  // namespace melko::vmouse
