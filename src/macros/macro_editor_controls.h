// Names of the macro editor window's controls in the skin, the language keys of its texts, and the
// order of the mouse buttons on its insert buttons and in its combo box.
#pragma once

#include <array>
#include <cstdint>

#include "macros/macro_action.h"

namespace melko::macro_control {

inline constexpr const char* kExit = "btn_exit";
inline constexpr const char* kMacroList = "ms_1_macro_list";
inline constexpr const char* kNameEdit = "ms_1_macro_name_edit";
inline constexpr const char* kAddMacro = "ms_1_macro_add_btn";
inline constexpr const char* kDeleteMacro = "ms_1_macro_delete_btn";
inline constexpr const char* kImportMacro = "ms_1_macro_import_btn";
inline constexpr const char* kExportMacro = "ms_1_macro_export_btn";
inline constexpr const char* kRecord = "ms_1_macro_record_btn";
inline constexpr const char* kRecordedDelayMode = "ms_1_record_delay_btn";
inline constexpr const char* kDefaultDelayMode = "ms_1_default_delay_btn";
inline constexpr const char* kNoDelayMode = "ms_1_no_delay_btn";
inline constexpr const char* kDefaultDelayEdit = "ms_1_default_delay_edit";
inline constexpr const char* kStepList = "ms_1_macro_action_list";
inline constexpr const char* kMoveUp = "ms_1_macro_up_btn";
inline constexpr const char* kMoveDown = "ms_1_macro_down_btn";
inline constexpr const char* kDeleteStep = "ms_1_macro_delete_action_btn";
inline constexpr const char* kClearSteps = "ms_1_macro_clear_action_btn";
inline constexpr const char* kInsertMouseTab = "ms_1_macro_insert_mouse_btn";
inline constexpr std::array<const char*, 5> kInsertClick = {
    "ms_1_macro_key1_btn", "ms_1_macro_key2_btn", "ms_1_macro_key3_btn", "ms_1_macro_key4_btn",
    "ms_1_macro_key5_btn"};
inline constexpr const char* kStepEditorCheck = "ms_1_macro_action_edit_check";
inline constexpr const char* kStepEditorPages = "ms_1_macro_action_edit_tab";
inline constexpr const char* kKeyEdit = "ms_1_macro_action_edit";
inline constexpr const char* kKeyDelayEdit = "ms_1_macro_delay_edit";
inline constexpr const char* kMouseCombo = "ms_1_macro_mouse_action_combo";
inline constexpr const char* kMouseDelayEdit = "ms_1_macro_mouseaction_delay_edit";
inline constexpr const char* kSaveStep = "ms_1_macro_save_btn";
inline constexpr const char* kCancelStep = "ms_1_macro_cancel_btn";

// Pages of kStepEditorPages.
inline constexpr int kNoStepPage = 0;
inline constexpr int kKeyStepPage = 1;
inline constexpr int kMouseStepPage = 2;

// The step codes of kInsertClick's buttons and of kMouseCombo's items, in their order.
inline constexpr std::array<std::uint8_t, 5> kMouseButtons = {kMouseLeft, kMouseRight, kMouseMiddle,
                                                              kMouseForward, kMouseBackward};

}  // namespace melko::macro_control

namespace melko::macro_text_key {

inline constexpr const char* kStartRecording = "start_recording_text";
inline constexpr const char* kStopRecording = "stop_recording_text";
inline constexpr const char* kPress = "key_down_action";
inline constexpr const char* kRelease = "key_up_action";
// The delete confirmation ("%1": the macro's name) and the notices.
inline constexpr const char* kWarningTitle = "warning_title_text";
inline constexpr const char* kDeleteMacro = "delete_macro_text";
inline constexpr const char* kSaveFailed = "save_fail_text";      // %1 the store folder, %2 why
inline constexpr const char* kImportFailed = "import_fail_text";  // %1 the file, %2 why
inline constexpr const char* kExportFailed = "export_fail_text";

}  // namespace melko::macro_text_key
