// Decoders of the fixed-size settings reports. Each checks the whole frame first and changes the
// settings only when every check passes, so a rejected report leaves the mouse as it was.
#pragma once

#include "vmouse/report_checks.h"
#include "vmouse/settings.h"

namespace melko::vmouse {

// The reset report has one fixed content; it restores FactorySettings().
Problem ApplyResetReport(Bytes report, Settings& settings);
Problem ApplyDpiReport(Bytes report, Settings& settings);
Problem ApplyLightReport(Bytes report, Settings& settings);
Problem ApplyRateReport(Bytes report, Settings& settings);
Problem ApplyButtonsReport(Bytes report, Settings& settings);

}  // namespace melko::vmouse
