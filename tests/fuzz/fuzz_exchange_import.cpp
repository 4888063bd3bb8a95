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

using namespace melko;
using Path = std::filesystem::path;
using Texts = const std::vector<std::string>&;

struct NullDialogs final : PageDialogs, MessageBoxes, ShortcutCapture, MacroChoice {
  bool AskProfileName(std::string_view, const std::vector<std::u16string>&,
                      std::u16string&) override {
    return false;
  }
  bool ChooseColour(std::string_view, std::uint32_t&) override { return false; }
  std::optional<Path> OpenFile(FileKind) override { return file; }
  std::optional<Path> SaveFile(FileKind) override { return {}; }
  void OpenAssignmentMenu(int, std::string_view) override {}
  void RunMacroEditor() override {}
  bool OpenSystemMouseSettings() override { return false; }
  void FollowOpenedSection(std::string_view) override {}
  bool Ask(std::string_view, std::string_view, Texts) override { return true; }
  void Tell(std::string_view, std::string_view text_key, Texts) override { told = text_key; }
  bool Capture(ShortcutFields&) override { return false; }
  bool Choose(const MacroStore&, MacroChoiceFields&) override { return false; }
  Path file;
  std::string told;
};

struct NullEditorPorts final : MacroEditorView, HookControl, KeyCodes {
  void ShowMacros(const std::vector<std::u16string>&) override {}
  void SelectMacroRow(int) override {}
  void ScrollMacroIntoView(int) override {}
  void ShowMacroName(std::u16string_view) override {}
  void ShowSteps(const std::vector<StepRow>&) override {}
  void SelectStepRow(int) override {}
  void ScrollStepIntoView(int) override {}
  void ShowStepEditor(const StepEditorPage&) override {}
  void ShowRecordButton(const char*, bool) override {}
  void ShowDelayMode(int) override {}
  void ShowDefaultDelay(std::string_view) override {}
  void SetEnabled(std::string_view, bool) override {}
  bool ConfirmDelete(std::u16string_view) override { return true; }
  void TellSaveFailed(std::string_view) override {}
  void TellFileFailed(const char*, const Path&, std::string_view) override { told = true; }
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

const Path kDataFolder = fuzz::PrivateFolder() / "data";

constexpr const char16_t* kProfiles[] = {u"Profile1", u"profile1", u"Profile1_1", u"Jump",
                                         u"JUMP_2"};
constexpr const char16_t* kMacros[] = {u"Macro1", u"MACRO1", u"Macro1_1",
                                       u"Jump",   u"jump_1", u"Jump_2"};
constexpr std::size_t kSeedProfiles = std::size(kProfiles), kSeedMacros = std::size(kMacros);

void Require(bool holds) {
  if (!holds) std::abort();
}

void Write(const Path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  Require(bool(out));
}

// The stores as another program left them, written anew before each input.
void WriteSeedStores() {
  static const auto [profile_store, macro_store] = [] {
    ProfileStore profiles;
    for (const char16_t* name : kProfiles) profiles.profiles.push_back(MakeDefaultProfile(name));
    profiles.selected_index = 1;
    MacroStore macros;
    for (const char16_t* name : kMacros) macros.macros.push_back(MakeEmptyMacro(name));
    return std::pair(EncodeProfileStore(profiles), EncodeMacroStore(macros));
  }();
  std::filesystem::create_directories(StoreFolder(kDataFolder));
  Write(ProfileStorePath(kDataFolder), profile_store);
  Write(MacroStorePath(kDataFolder), macro_store);
}

// Names are unique without regard to case among those of the imported record and the others.
template <class List>
bool UniqueAmongOthers(const List& list, std::size_t index) {
  const std::u16string name = ReadFixedText(list[index]->name);
  return std::ranges::count_if(list, [&](const auto& record) {
           return EqualsIgnoreCase(ReadFixedText(record->name), name);
         }) == 1;
}

// The stores as they are on disk, which must load whole.
std::pair<ProfileStore, MacroStore> Reload() {
  std::pair<ProfileStore, MacroStore> stored;
  Require(LoadProfiles(stored.first, kDataFolder).status == StoreLoadStatus::kLoaded &&
          LoadMacros(stored.second, kDataFolder).status == StoreLoadStatus::kLoaded);
  return stored;
}

void ImportProfile(fuzz::NullDevice& device, const Path& file, std::size_t file_size) {
  NullDialogs dialogs;
  dialogs.file = file;
  SettingsPage page(device.ctx, {dialogs, dialogs, dialogs, dialogs});
  page.LoadDeviceState();
  page.OnClick("ms_1_profile_import_btn");

  const auto [profiles, macros] = Reload();
  const bool imported = profiles.profiles.size() == kSeedProfiles + 1;
  Require(imported == (file_size >= kProfileRecordSize) &&
          imported != (dialogs.told == "import_fail_text"));
  if (!imported) return;
  const std::size_t added = profiles.profiles.size() - 1;
  Require(profiles.selected_index == added && UniqueAmongOthers(profiles.profiles, added) &&
          ProfileName(device.session.CurrentSnapshot()) == ProfileName(*profiles.profiles[added]));
  for (std::size_t i = kSeedMacros; i < macros.macros.size(); ++i)
    Require(UniqueAmongOthers(macros.macros, i));
}

void ImportMacro(fuzz::NullDevice& device, const Path& file, std::size_t file_size) {
  SessionMacroLibrary library(device.session);
  NullEditorPorts ports;
  RecorderMemory memory;
  MacroEditor editor(library, ports, ports, device.ports, memory, ports);
  editor.Open();
  const Outcome outcome = editor.ImportMacroFile(file);

  const auto [profiles, macros] = Reload();
  const bool imported = macros.macros.size() == kSeedMacros + 1;
  Require(imported == outcome.ok && imported == (file_size >= kMacroRecordSize) &&
          imported != ports.told);
  if (!imported) return;
  const std::size_t added = macros.macros.size() - 1;
  const auto& selected = editor.state().selected_macro;
  Require(UniqueAmongOthers(macros.macros, added) && selected &&
          selected->name == MacroName(*macros.macros[added]));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::InstallEnglishTexts();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool profile = data[0] & 1;
  std::vector<std::uint8_t> contents(data + 1, data + size);
  const std::size_t record = profile ? kProfileRecordSize : kMacroRecordSize;
  if ((data[0] & 2) && contents.size() < record) contents.resize(record);

  std::filesystem::remove_all(fuzz::PrivateFolder());
  WriteSeedStores();
  const Path file = fuzz::PrivateFolder() / (profile ? "in.pro" : "in.mcr");
  Write(file, contents);
  fuzz::NullDevice device(kDataFolder);  // the program's session on the seeded stores
  device.session.LoadProfileStore();
  device.session.LoadMacroStore();
  profile ? ImportProfile(device, file, contents.size())
          : ImportMacro(device, file, contents.size());
  return 0;
}
