// What the fuzz targets of the device and page logic run on: ports that do nothing, a private
// folder for the stores, in memory where the system offers that (saves are synced to disk), and
// the English texts.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/language.h"
#include "device/device_context.h"

namespace melko::fuzz {

struct NullPorts final : Controls, Timers, MessagePoster, Clock, DebugLog, BleTransport {
  bool Exists(std::string_view) override { return true; }
  void SetVisible(std::string_view, bool) override {}
  bool IsVisible(std::string_view) override { return true; }
  void SetText(std::string_view, std::string_view) override {}
  void SetTextKey(std::string_view, std::string_view) override {}
  void SetValue(std::string_view, int) override {}
  void SetChecked(std::string_view, bool) override {}
  void SelectOption(std::string_view, bool) override {}
  void SelectItem(std::string_view, int, bool) override {}
  void Start(int, int) override {}
  void KeepRunning(int, int) override {}
  void Stop(int) override {}
  void Post(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
  std::int64_t Now() override { return 0; }
  void SleepFor(std::int64_t) override {}
  void Write(std::string_view) override {}
  void SetMatch(const std::string&, const std::string&) override {}
  std::int32_t Write(std::span<const std::uint8_t>) override { return 0; }
  void OpenNotifications() override {}
  void CloseNotifications() override {}
};

// A folder of this process's own, removed at exit.
inline const std::filesystem::path& PrivateFolder() {
  static const struct Private {
    std::filesystem::path path =
        (std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                   : std::filesystem::temp_directory_path()) /
        ("melko-fuzz-" + std::to_string(getpid()));
    ~Private() { std::filesystem::remove_all(path); }
  } folder;
  return folder.path;
}

// A page's context: NullPorts and a session on `folder`.
struct NullDevice {
  explicit NullDevice(const std::filesystem::path& folder) : session(folder) {}
  ProfileSession session;
  LinkState links;
  DriverLinks drivers;
  NullPorts ports;
  DeviceContext ctx{links, session, drivers, ports, ports, ports, ports, ports, ports};
};

inline void InstallEnglishTexts() {
  bool loaded = false;
  InstallLanguage(LanguageTexts::Load(MELKO_SOURCE_DIR "/res/lan.xml", &loaded));
  if (!loaded) std::abort();
}

}  // namespace melko::fuzz
