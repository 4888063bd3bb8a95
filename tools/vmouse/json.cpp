#include "vmouse/json.h"

#include <array>
#include <cstdio>

#include "common/json_text.h"
#include "vmouse/report_checks.h"

namespace melko::vmouse {
namespace {

// Builds one object or array; commas go in front of every member but the first.
class JsonOut {
 public:
  JsonOut& Open(char bracket) {
    Separate();
    text_ += bracket;
    first_ = true;
    return *this;
  }
  JsonOut& Close(char bracket) {
    text_ += bracket;
    first_ = false;
    return *this;
  }
  JsonOut& Key(std::string_view key) {
    Separate();
    text_ += JsonString(key);
    text_ += ':';
    first_ = true;  // the value follows without a comma
    return *this;
  }
  JsonOut& Raw(std::string_view json) {
    Separate();
    text_ += json;
    return *this;
  }
  JsonOut& Number(long long value) { return Raw(std::to_string(value)); }
  JsonOut& Bool(bool value) { return Raw(value ? "true" : "false"); }
  JsonOut& String(std::string_view value) { return Raw(JsonString(value)); }

  std::string Take() { return std::move(text_); }

 private:
  void Separate() {
    if (!first_) text_ += ',';
    first_ = false;
  }
  std::string text_;
  bool first_ = true;
};

std::string ColorHex(const Rgb& c) {
  return HexBytes(std::array{c.red, c.green, c.blue});
}

void WriteDpi(JsonOut& out, const Settings& s) {
  out.Key("dpi").Open('{').Key("stages").Open('[');
  for (const DpiStage& stage : s.stages) {
    out.Open('{');
    out.Key("value").Number(stage.value).Key("dpi").Number(StageDpi(stage.value));
    out.Key("high_range").Bool(stage.high_range).Key("enabled").Bool(stage.enabled);
    out.Key("color").String(ColorHex(stage.color));
    out.Close('}');
  }
  out.Close(']');
  out.Key("current_stage").Number(s.current_stage);
  out.Key("angle_snap").Number(s.angle_snap).Key("ripple_control").Number(s.ripple_control);
  out.Close('}');
}

void WriteLight(JsonOut& out, const Settings& s) {
  out.Key("light").Open('{');
  out.Key("mode").Number(s.light_mode).Key("brightness").Number(s.brightness);
  out.Key("breathspeed").Number(s.breathspeed).Key("color").String(ColorHex(s.light_color));
  out.Key("light_off").Number(s.light_off).Key("sleep_timer").Number(s.sleep_timer);
  out.Key("key_debounce").Number(s.key_debounce);
  out.Close('}');
}

void WriteButtons(JsonOut& out, const Settings& s) {
  out.Key("buttons").Open('[');
  for (const ButtonEntry& entry : s.buttons) out.String(HexBytes(entry));
  out.Close(']');
}

void WriteMacros(JsonOut& out, const Settings& s) {
  out.Key("macros").Open('[');
  for (std::size_t i = 0; i < s.macros.size(); ++i) {
    if (!s.macros[i]) continue;
    const Macro& macro = *s.macros[i];
    out.Open('{').Key("button").Number((long long)(i + 1));
    out.Key("mode").Number(macro.mode).Key("reserved").Number(macro.reserved);
    out.Key("repeat").Number(macro.repeat).Key("entries").Open('[');
    for (const MacroEntry& e : macro.entries) {
      out.Open('{');
      if (e.is_extra_delay()) {
        out.Key("extra_delay_ms").Number(e.delay_ms());
      } else {
        out.Key("code").Number(e.code).Key("action").String(e.is_release() ? "release" : "press");
        out.Key("delay_ms").Number(e.delay_ms());
      }
      out.Close('}');
    }
    out.Close(']').Close('}');
  }
  out.Close(']');
}

std::string_view SourceName(PowerSource source) {
  switch (source) {
    case PowerSource::kCharging:
      return "charging";
    case PowerSource::kCharged:
      return "charged";
    case PowerSource::kBattery:
      break;
  }
  return "battery";
}

}  // namespace

std::string JsonString(std::string_view text) {
  return JsonQuoted(text);
}

std::string SettingsToJson(const Settings& settings) {
  JsonOut out;
  out.Open('{');
  WriteDpi(out, settings);
  WriteLight(out, settings);
  out.Key("rate_code").Number(settings.rate_code);
  WriteButtons(out, settings);
  WriteMacros(out, settings);
  out.Close('}');
  return out.Take();
}

std::string FirmwareToJson(const Firmware& firmware) {
  JsonOut out;
  out.Open('{').Key("settings").Raw(SettingsToJson(firmware.settings()));
  out.Key("power").Open('{').Key("level").Number(firmware.battery_level());
  out.Key("source").String(SourceName(firmware.power_source())).Close('}');
  out.Key("asleep").Bool(firmware.asleep()).Close('}');
  return out.Take();
}

std::string WriteRecordToJson(const WriteRecord& record) {
  JsonOut out;
  out.Open('{').Key("t_ms").Number(record.t_ms).Key("link").String(LinkName(record.link));
  out.Key("hex").String(HexBytes(record.bytes)).Key("valid").Bool(record.valid);
  out.Key("reason").String(record.reason).Close('}');
  return out.Take();
}

}  // namespace melko::vmouse
