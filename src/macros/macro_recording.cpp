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
    StopRecording(false);
  } else {
    StartRecording();
  }
}

// While recording, mouse buttons are captured only with the pointer away from the record button,
// so that the click that stops the recording is not part of it.
void MacroEditor::SetPointerOverRecordButton(bool over) {
  if (state_.recording) hooks_.EnableMouseHook(!over);
}

void MacroEditor::OnHookMessage(std::uint32_t wparam, std::intptr_t lparam) {
  if (state_.events_to_recorder) {
    RecordEvent({wparam, lparam});
  } else if (state_.events_to_key_edit) {
    KeyFieldEvent(wparam);
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

void MacroEditor::StopRecording(bool at_limit) {
  if (!state_.recording) return;
  memory_.last_tick = 0;
  state_.recording = false;
  state_.events_to_recorder = false;
  state_.have_previous = false;
  RemoveRecordingHooks();
  view_.ShowRecordButton(macro_text_key::kStartRecording, false);
  if (at_limit) DropUnreleasedPresses();
  if (Commit()) RebuildSteps();
  ResetInsertion();
  UpdateEnabled();
  UpdateKeyCapture();
}

void MacroEditor::RecordEvent(HookEvent event) {
  if (memory_.last_event == event) return;  // a held key repeats its press
  memory_.last_event = event;
  if (EntryCount(state_.work_actions, state_.work_count) >= kRecordingEntryLimit) {
    StopRecording(true);
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
    StopRecording(true);
    return;
  }
  ++recorded_count_;
  memory_.last_tick = clock_.Now();
  state_.have_previous = true;
  RebuildSteps();
  if (state_.work_count == kMaxMacroSteps) StopRecording(true);
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

// A recording cut short at the limit can end between a press and its release; played back, such a
// press would leave its key or button held. Presses without a later release among the recorded
// steps go.
void MacroEditor::DropUnreleasedPresses() {
  const int from = std::clamp(recorded_from_, 0, state_.work_count);
  int to = std::clamp(recorded_from_ + recorded_count_, from, state_.work_count);
  for (int i = to - 1; i >= from; --i) {
    const MacroAction press = state_.work_actions[std::size_t(i)];
    if (press.type != kMacroStepPress) continue;
    const auto later = state_.work_actions.begin() + i + 1;
    const bool released =
        std::any_of(later, state_.work_actions.begin() + to, [&](const MacroAction& step) {
          return step.code == press.code && step.type == kMacroStepRelease;
        });
    if (released) continue;
    RemoveStepAt(state_.work_actions, state_.work_count, i);
    --to;
    --recorded_count_;
    if (state_.insert_at > i) --state_.insert_at;
  }
}

}  // namespace melko
