// Build one settings report and hand it to the sink; each returns the sink's result, nonzero when
// the report reached the mouse.
#pragma once

#include <cstdint>

#include "profiles/profile_record.h"
#include "protocol/send_ports.h"

namespace melko {

std::int32_t SendResetReport(ReportSink& sink);
std::int32_t SendDpiReport(ReportSink& sink, const ProfileRecord& record);
std::int32_t SendLightReport(ReportSink& sink, const ProfileRecord& record);
std::int32_t SendRateReport(ReportSink& sink, const ProfileRecord& record);
std::int32_t SendButtonsReport(ReportSink& sink, const ProfileRecord& record);
// button_number is the slot + 1 (1 to 18).
std::int32_t SendMacroReport(ReportSink& sink, int button_number, const ButtonAssignment& button);

}  // namespace melko
