// Recording of MacroEditor: key and mouse-button events from the whole desktop become steps of the
// selected macro, with the delays between them measured or set.
#include <algorithm>

#include "common/text.h"
#include "macros/macro_editor.h"
#include "macros/macro_editor_controls.h"

namespace melko {
namespace {

// Mouse messages of the hook; the extra buttons say in lparam which one they are.
constexpr std::uint32_t kLeftDown = 513, kLeftUp = 514;
constexpr std::uint32_t kRightDown = 516, kRightUp = 517;
constexpr std::uint32_t kMiddleDown = 519, kMiddleUp = 520;
constexpr std::uint32_t kExtraDown = 523, kExtraUp = 524;
constexpr std::intptr_t kExtraForward = 1, kExtraBack = 2;

MacroAction StepOfEvent(HookEvent event, const KeyCodes& keys) {
  const auto step = [](std::uint8_t code, bool press) {
    return MacroAction{code, std::uint8_t(press ? kMacroStepPress : kMacroStepRelease),
                       kShortestDelay};
  };
  switch (event.wparam) {
    case kLeftDown:
    case kLeftUp:
      return step(kMouseLeft, event.wparam == kLeftDown);
    case kRightDown:
    case kRightUp:
      return step(kMouseRight, event.wparam == kRightDown);
    case kMiddleDown:
    case kMiddleUp:
      return step(kMouseMiddle, event.wparam == kMiddleDown);
    case kExtraDown:
    case kExtraUp:
      if (event.lparam == kExtraBack || event.lparam == kExtraForward) {
        return step(event.lparam == kExtraBack ? kMouseBackward : kMouseForward,
                    event.wparam == kExtraDown);
      }
      break;  // an extra button the mouse has no code for: taken as a key, as anything else
    default:
      break;
  }
  return step(keys.UsageOf(event.wparam), event.lparam == 0);
}

}  // namespace

void MacroEditor::SetDelayMode(int mode) {
  if (mode >= kRecordedDelay && mode <= kNoDelay) state_.delay_mode = mode;
  view_.ShowDelayMode(state_.delay_mode);
}

std::string MacroEditor::FinishDefaultDelayEdit(std::string_view text) {
  const long long typed = ReadLeadingInteger(text);
  default_delay_field_ = ClampDelay(typed);
  if (typed < kShortestDelay || typed > kLongestDelay) return std::to_string(default_delay_field_);
  return std::string(text);
}

void MacroEditor::ToggleRecording() {
  if (state_.recording) {
    StopRecording();
  } else {
    StartRecording();
  }
}

// While recording, mouse buttons are captured only with the pointer away from the buttons that
// stop it, so that the click that ends the recording is not part of it.
void MacroEditor::SetPointerOverStopButton(bool over) {
  if (state_.recording) hooks_.EnableMouseHook(!over);
}

void MacroEditor::OnHookMessage(std::uint32_t wparam, std::intptr_t lparam) {
  if (state_.events_to_recorder) {
    RecordEvent({wparam, lparam});
  } else if (state_.events_to_key_edit) {
    KeyFieldEvent(wparam, lparam != 0);
  }
}

// Recording adds steps after the selected step, or at the end when none is selected; it never
// removes steps that were there.
void MacroEditor::StartRecording() {
  if (state_.recording) return;
  if (!state_.selected_macro) AddMacro();
  if (!state_.selected_macro) {
    view_.ShowRecordButton(macro_text_key::kStartRecording, false);
    return;
  }
  EndKeyCapture();  // the recorder takes the hook over
  ResetInsertion();
  if (ValidStep(state_.current_action)) {
    state_.insert_at = state_.insert_start = state_.current_action + 1;
    state_.inserting = true;
  }
  recorded_from_ = state_.inserting ? state_.insert_at : state_.work_count;
  recorded_count_ = 0;
  // A new recording starts afresh: its first event is never taken for a repeat of the last one
  // of an earlier recording, and the idle time before it is not a delay of any step.
  memory_.last_event.reset();
  state_.have_previous = false;
  state_.recording = true;
  state_.default_delay = default_delay_field_;
  state_.events_to_recorder = true;
  state_.events_to_key_edit = false;
  hooks_.InstallHook();
  hooks_.EnableHook(true);
  hooks_.MouseWheelEnable(false);
  memory_.last_tick = clock_.Now();
  view_.ShowRecordButton(macro_text_key::kStopRecording, true);
  UpdateEnabled();
}

void MacroEditor::RemoveRecordingHooks() {
  hooks_.RemoveHook();
  hooks_.RemoveMouseHook();
  hooks_.EnableMouseHook(false);
  hooks_.EnableHook(false);
  hooks_.MouseWheelEnable(false);
}

void MacroEditor::StopRecording() {
  if (!state_.recording) return;
  memory_.last_tick = 0;
  state_.recording = false;
  state_.events_to_recorder = false;
  state_.have_previous = false;
  RemoveRecordingHooks();
  view_.ShowRecordButton(macro_text_key::kStartRecording, false);
  DropUnreleasedPresses();
  if (Commit()) RebuildSteps();
  ResetInsertion();
  UpdateEnabled();
  UpdateKeyCapture();
}

void MacroEditor::RecordEvent(HookEvent event) {
  if (memory_.last_event == event) return;  // a held key repeats its press
  memory_.last_event = event;
  if (EntryCount(state_.work_actions, state_.work_count) >= kRecordingEntryLimit) {
    StopRecording();
    return;
  }
  const MacroAction step = StepOfEvent(event, keys_);
  if (state_.have_previous) {
    // The wait since the previous event belongs to the step recorded for it.
    const int previous =
        (state_.insert_at < 0 ? state_.work_count : std::min(state_.insert_at, state_.work_count)) -
        1;
    if (previous >= recorded_from_ && ValidStep(previous)) {
      state_.work_actions[std::size_t(previous)].delay = MeasuredDelay();
    }
  }
  if (!InsertStep(step)) {
    StopRecording();
    return;
  }
  ++recorded_count_;
  memory_.last_tick = clock_.Now();
  state_.have_previous = true;
  RebuildSteps();
  if (state_.work_count == kMaxMacroSteps) StopRecording();
}

std::uint16_t MacroEditor::MeasuredDelay() {
  switch (state_.delay_mode) {
    case kRecordedDelay:
      return std::uint16_t(
          std::clamp<std::int64_t>(clock_.Now() - memory_.last_tick, 0, kLongestDelay));
    case kDefaultDelay:
      return state_.default_delay;
    default:
      return kShortestDelay;
  }
}

// A recording can end between a press and its release: a key still held as it stops, a step cut
// off at the limit. Played back, such a press would leave its key or button held: presses without
// a later release among the recorded steps go.
void MacroEditor::DropUnreleasedPresses() {
  for (int i = recorded_from_ + recorded_count_ - 1; i >= recorded_from_; --i) {
    if (!ValidStep(i) || state_.work_actions[std::size_t(i)].type != kMacroStepPress) continue;
    const MacroAction press = state_.work_actions[std::size_t(i)];
    const int end = std::min(recorded_from_ + recorded_count_, state_.work_count);
    const bool released =
        std::any_of(state_.work_actions.begin() + i + 1, state_.work_actions.begin() + end,
                    [&](const MacroAction& step) {
                      return step.code == press.code && step.type == kMacroStepRelease;
                    });
    if (!released) RemoveRecordedStep(i);
  }
}

// The window manager closes the window on a left click of its own (its close button, a taskbar
// menu), which the recording took like any other: when the recording ends in a left press and
// its release, they go.
void MacroEditor::DropClosingClick() {
  const int last = recorded_from_ + recorded_count_ - 1;
  const auto left = [&](int k, std::uint8_t type) {
    return k >= recorded_from_ && ValidStep(k) &&
           state_.work_actions[std::size_t(k)].code == kMouseLeft &&
           state_.work_actions[std::size_t(k)].type == type;
  };
  if (!left(last, kMacroStepRelease) || !left(last - 1, kMacroStepPress)) return;
  RemoveRecordedStep(last);
  RemoveRecordedStep(last - 1);
}

// Removes a step this recording added. A recorded step that becomes the macro's last waits the
// shortest time, as the last step of every recording does. Otherwise, when the waits were
// measured, the wait after the removed step still passes before the next one: the recorded step
// before it takes that wait over.
void MacroEditor::RemoveRecordedStep(int k) {
  const int wait = state_.work_actions[std::size_t(k)].delay;
  RemoveStepAt(state_.work_actions, state_.work_count, k);
  --recorded_count_;
  if (state_.insert_at > k) --state_.insert_at;
  if (k - 1 < recorded_from_ || !ValidStep(k - 1)) return;
  MacroAction& before = state_.work_actions[std::size_t(k - 1)];
  if (k == state_.work_count) {
    before.delay = kShortestDelay;
  } else if (state_.delay_mode == kRecordedDelay) {
    before.delay = std::uint16_t(std::min(before.delay + wait, int(kLongestDelay)));
  }
}

}  // namespace melko
