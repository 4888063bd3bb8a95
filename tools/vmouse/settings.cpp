#include "vmouse/settings.h"

namespace melko::vmouse {

int StageDpi(std::uint8_t value) {
  if (value == 0) return 0;
  if (value <= 200) return value * 50;
  return value * 100 - 10000;
}

// The factory state is the one the host's default profile describes, so that a reset mouse and a
// freshly created profile agree: stages 800, 1600, 2400, 3200, 4800, 7200 and 12,000 DPI switched
// on, stage 8 unset and off, stage 2 current, red, green, blue, cyan, yellow, magenta, white,
// white; ripple control on, angle snap off; light mode 0, brightness 8, speed 6, blue, light off 1,
// sleep timer 10, debounce 4; rate code 1; the default button functions; no macros.
Settings FactorySettings() {
  Settings s;
  const std::uint8_t values[kStageCount] = {16, 32, 48, 64, 96, 144, 220, 0};
  const Rgb colors[kStageCount] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},     {0, 255, 255},
                                   {255, 255, 0}, {255, 0, 255}, {255, 255, 255}, {255, 255, 255}};
  for (int i = 0; i < kStageCount; ++i) {
    s.stages[i] = {values[i], values[i] > 200, values[i] != 0, colors[i]};
  }
  s.current_stage = 2;
  s.angle_snap = 0;
  s.ripple_control = 1;

  s.light_mode = 0;
  s.brightness = 8;
  s.breathspeed = 6;
  s.light_color = {0, 0, 255};
  s.light_off = 1;
  s.sleep_timer = 10;
  s.key_debounce = 4;

  s.rate_code = 1;

  // Left, right, middle, DPI cycle, (unnamed 0x3C), DPI cycle, forward, backward, (0x3C), seven
  // unassigned buttons, scroll down, scroll up.
  const std::uint8_t functions[kButtonCount] = {0x02, 0x03, 0x04, 0x0D, 0x3C, 0x0D,
                                                0x06, 0x05, 0x3C, 0x01, 0x01, 0x01,
                                                0x01, 0x01, 0x01, 0x01, 0x0A, 0x09};
  for (int i = 0; i < kButtonCount; ++i) s.buttons[i] = {functions[i], 0, 0};
  return s;
}

}  // namespace melko::vmouse
