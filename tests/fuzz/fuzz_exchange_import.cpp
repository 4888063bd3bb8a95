// Profile and macro files as the windows import them: the settings page's import button and the
// macro editor's import, each through the program's session into stores another program wrote
// (several profiles and macros, names that differ only in letter case, numbered names taken).
// The first byte picks the page (bit 0) and whether a short file is padded with zeros to a whole
// record (bit 1), so that the import itself gets explored; the rest is the file.
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "common/text.h"
#include "macros/macro_editor.h"
#include "macros/session_macro_library.h"
#include "null_ports.h"
#include "profiles/data_folder.h"
#include "profiles/names.h"
#include "profiles/profile_files.h"
#include "shell/settings_page.h"

namespace {

struct NullDialogs final : melko::PageDialogs,
                           melko::MessageBoxes,
                           melko::ShortcutCapture,
                           melko::MacroChoice {
  bool AskProfileName(std::string_view, const std::vector<std::u16string>&,
                      std::u16string&) override {
    return false;
  }
  bool ChooseColour(std::string_view, std::uint32_t&) override { return false; }
  std::optional<std::filesystem::path> OpenFile(melko::FileKind) override { return file; }
  std::optional<std::filesystem::path> SaveFile(melko::FileKind) override { return {}; }
  void OpenAssignmentMenu(int, std::string_view) override {}
  void RunMacroEditor() override {}
  bool OpenSystemMouseSettings() override { return false; }
  void FollowOpenedSection(std::string_view) override {}
  bool Ask(std::string_view, std::string_view, const std::vector<std::string>&) override {
    return true;
  }
  void Tell(std::string_view, std::string_view text_key, const std::vector<std::string>&) override {
    told = text_key;
  }
  bool Capture(melko::ShortcutFields&) override { return false; }
  bool Choose(const melko::MacroStore&, melko::MacroChoiceFields&) override { return false; }
  std::filesystem::path file;
  std::string told;
};

struct NullEditorPorts final : melko::MacroEditorView, melko::HookControl, melko::KeyCodes {
  void ShowMacros(const std::vector<std::u16string>&) override {}
  void SelectMacroRow(int) override {}
  void ScrollMacroIntoView(int) override {}
  void ShowMacroName(std::u16string_view) override {}
  void ShowSteps(const std::vector<melko::StepRow>&) override {}
  void SelectStepRow(int) override {}
  void ScrollStepIntoView(int) override {}
  void ShowStepEditor(const melko::StepEditorPage&) override {}
  void ShowRecordButton(const char*, bool) override {}
  void ShowDelayMode(int) override {}
  void ShowDefaultDelay(std::string_view) override {}
  void SetEnabled(std::string_view, bool) override {}
  bool ConfirmDelete(std::u16string_view) override { return true; }
  void TellSaveFailed(std::string_view) override {}
  void TellFileFailed(const char*, const std::filesystem::path&, std::string_view) override {
    told = true;
  }
  void InstallMouseHook() override {}
  void RemoveMouseHook() override {}
  void EnableMouseHook(bool) override {}
  void InstallHook() override {}
  void RemoveHook() override {}
  void EnableHook(bool) override {}
  void MouseWheelEnable(bool) override {}
  std::uint8_t UsageOf(std::uint32_t) const override { return 0; }
  std::string NameOf(std::uint8_t) const override { return {}; }
  bool told = false;
};

const std::filesystem::path kDataFolder = melko::fuzz::PrivateFolder() / "data";

constexpr const char16_t* kProfiles[] = {u"Profile1", u"profile1", u"Profile1_1", u"Jump",
                                         u"JUMP_2"};
constexpr const char16_t* kMacros[] = {u"Macro1", u"MACRO1", u"Macro1_1",
                                       u"Jump",   u"jump_1", u"Jump_2"};
constexpr std::size_t kSeedProfiles = std::size(kProfiles), kSeedMacros = std::size(kMacros);

void Write(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) std::abort();
}

// The stores as another program left them, written anew before each input.
void WriteSeedStores() {
  static const auto [profile_store, macro_store] = [] {
    melko::ProfileStore profiles;
    for (const char16_t* name : kProfiles)
      profiles.profiles.push_back(melko::MakeDefaultProfile(name));
    profiles.selected_index = 1;
    melko::MacroStore macros;
    for (const char16_t* name : kMacros) macros.macros.push_back(melko::MakeEmptyMacro(name));
    return std::pair(melko::EncodeProfileStore(profiles), melko::EncodeMacroStore(macros));
  }();
  std::filesystem::create_directories(melko::StoreFolder(kDataFolder));
  Write(melko::ProfileStorePath(kDataFolder), profile_store);
  Write(melko::MacroStorePath(kDataFolder), macro_store);
}

// Names are unique without regard to case among those of the imported record and the others.
template <class List>
bool UniqueAmongOthers(const List& list, std::size_t index) {
  const std::u16string name = melko::ReadFixedText(list[index]->name);
  return std::ranges::count_if(list, [&](const auto& record) {
           return melko::EqualsIgnoreCase(melko::ReadFixedText(record->name), name);
         }) == 1;
}

// The stores as they are on disk, which must load whole.
std::pair<melko::ProfileStore, melko::MacroStore> Reload() {
  std::pair<melko::ProfileStore, melko::MacroStore> stored;
  if (melko::LoadProfiles(stored.first, kDataFolder).status != melko::StoreLoadStatus::kLoaded ||
      melko::LoadMacros(stored.second, kDataFolder).status != melko::StoreLoadStatus::kLoaded) {
    std::abort();
  }
  return stored;
}

// The program's session on the seeded stores.
struct LoadedDevice : melko::fuzz::NullDevice {
  LoadedDevice() : NullDevice(kDataFolder) {
    session.LoadProfileStore();
    session.LoadMacroStore();
  }
};

void ImportProfile(const std::filesystem::path& file, std::size_t file_size) {
  LoadedDevice device;
  NullDialogs dialogs;
  dialogs.file = file;
  melko::SettingsPage page(device.ctx, {dialogs, dialogs, dialogs, dialogs});
  page.LoadDeviceState();
  page.OnClick("ms_1_profile_import_btn");

  const auto [profiles, macros] = Reload();
  const bool imported = profiles.profiles.size() == kSeedProfiles + 1;
  if (imported != (file_size >= melko::kProfileRecordSize) ||
      imported == (dialogs.told == "import_fail_text")) {
    std::abort();
  }
  if (!imported) return;
  const std::size_t added = profiles.profiles.size() - 1;
  if (profiles.selected_index != added || !UniqueAmongOthers(profiles.profiles, added) ||
      melko::ProfileName(device.session.CurrentSnapshot()) !=
          melko::ProfileName(*profiles.profiles[added])) {
    std::abort();
  }
  for (std::size_t i = kSeedMacros; i < macros.macros.size(); ++i) {
    if (!UniqueAmongOthers(macros.macros, i)) std::abort();
  }
}

void ImportMacro(const std::filesystem::path& file, std::size_t file_size) {
  LoadedDevice device;
  melko::SessionMacroLibrary library(device.session);
  NullEditorPorts ports;
  melko::RecorderMemory memory;
  melko::MacroEditor editor(library, ports, ports, device.ports, memory, ports);
  editor.Open();
  const melko::Outcome outcome = editor.ImportMacroFile(file);

  const auto [profiles, macros] = Reload();
  const bool imported = macros.macros.size() == kSeedMacros + 1;
  if (imported != outcome.ok || imported != (file_size >= melko::kMacroRecordSize) ||
      imported == ports.told) {
    std::abort();
  }
  if (!imported) return;
  const std::size_t added = macros.macros.size() - 1;
  const auto& selected = editor.state().selected_macro;
  if (!UniqueAmongOthers(macros.macros, added) || !selected ||
      selected->name != melko::MacroName(*macros.macros[added])) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  melko::fuzz::InstallEnglishTexts();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool profile = data[0] & 1;
  std::vector<std::uint8_t> contents(data + 1, data + size);
  const std::size_t record = profile ? melko::kProfileRecordSize : melko::kMacroRecordSize;
  if ((data[0] & 2) && contents.size() < record) contents.resize(record);

  std::filesystem::remove_all(melko::fuzz::PrivateFolder());
  WriteSeedStores();
  const std::filesystem::path file = melko::fuzz::PrivateFolder() / (profile ? "in.pro" : "in.mcr");
  Write(file, contents);
  profile ? ImportProfile(file, contents.size()) : ImportMacro(file, contents.size());
  return 0;
}
