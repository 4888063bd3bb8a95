#include "protocol/send_settings.h"

#include "protocol/settings_reports.h"

namespace melko {

std::int32_t SendResetReport(ReportSink& sink) {
  return sink.SendReport(BuildResetReport());
}

std::int32_t SendDpiReport(ReportSink& sink, const ProfileRecord& record) {
  return sink.SendReport(BuildDpiReport(record));
}

std::int32_t SendLightReport(ReportSink& sink, const ProfileRecord& record) {
  return sink.SendReport(BuildLightReport(record));
}

std::int32_t SendRateReport(ReportSink& sink, const ProfileRecord& record) {
  return sink.SendReport(BuildRateReport(record));
}

std::int32_t SendButtonsReport(ReportSink& sink, const ProfileRecord& record) {
  return sink.SendReport(BuildButtonsReport(record));
}

std::int32_t SendMacroReport(ReportSink& sink, int button_number, const ButtonAssignment& button) {
  return sink.SendReport(BuildMacroReport(button_number, button));
}

}  // namespace melko
