// Builders of the six settings reports, byte for byte as the mouse takes them. Values taken from
// 32-bit fields of the record are sent as their low byte.
#pragma once

#include "profiles/profile_record.h"
#include "protocol/report_layout.h"

namespace melko {

// The fixed reset report: 0C 0A 01 FE 01 FE 00 00 00 00.
Report BuildResetReport();
// DPI stages, their switches, codes, range flags and colours, the current stage, angle snap and
// ripple control. Stage values above 220 are sent as 220.
Report BuildDpiReport(const ProfileRecord& record);
// Light effect, speed, brightness and colour, sleep and light-off timers, key debounce.
Report BuildLightReport(const ProfileRecord& record);
// Polling rate: prate 0..3 are sent as the codes 8, 4, 2, 1; any other value as 2.
Report BuildRateReport(const ProfileRecord& record);
// The prate (0 to 3) of a rate code as the mouse reports it (8, 4, 2, 1); -1 for any other code.
int PrateOfRateCode(int code);
// The entries of the mouse's 18 buttons.
Report BuildButtonsReport(const ProfileRecord& record);
// The macro of one button; button_number is slot + 1 (1 to 18).
Report BuildMacroReport(int button_number, const ButtonAssignment& button);

}  // namespace melko
