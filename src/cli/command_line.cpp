#include "cli/command_line.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>

#include "cli/lazy_keyboard_layout.h"
#include "common/install_paths.h"
#include "common/language.h"
#include "input/keyboard_layout.h"
#include "input/xkb/xkb_layout.h"

namespace melko::cli {

// The command-line options; the keyboard layout named by --layout goes to layout_name.
Options ParseOptions(int argc, char** argv, std::string& layout_name) {
  Options options;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (options_done || word.empty() || word[0] != '-' || word == "-") {
      options.words.push_back(word);
    } else if (word == "--") {
      options_done = true;
    } else if (word == "--json") {
      options.json = true;
    } else if (word == "--data-dir" || word.rfind("--data-dir=", 0) == 0) {
      const std::string folder =
          word == "--data-dir" ? (i + 1 < argc ? argv[++i] : "") : word.substr(11);
      if (folder.empty()) throw UsageError("--data-dir needs a folder");
      options.data_folder = folder;
    } else if (word == "--layout" || word.rfind("--layout=", 0) == 0) {
      layout_name = word == "--layout" ? (i + 1 < argc ? argv[++i] : "") : word.substr(9);
      if (layout_name.empty()) throw UsageError("--layout needs a keyboard layout name");
    } else {
      // The device commands take options of their own (--wait, --seconds, ...); a command that
      // does not know an option refuses it.
      options.words.push_back(word);
    }
  }
  return options;
}

void LoadLanguage() {
  const std::filesystem::path file = DefaultSkinFolder() / "lan.xml";
  bool loaded = false;
  LanguageTexts texts = LanguageTexts::Load(file, &loaded);
  if (!loaded) {
    std::cerr << "melkoctl: cannot read the language file " << file.string()
              << "; texts show their keys\n";
  }
  InstallLanguage(std::move(texts));
}

// Installs the named keyboard layout, refusing a name the xkb data lacks, or the session's
// layout, loaded when a key is first named; without one, names that come from the layout stay
// empty.
void LoadKeyboardLayout(const std::string& layout_name) {
  std::string error;
  if (!layout_name.empty()) {
    std::unique_ptr<KeyboardLayout> layout = LoadXkbLayout({layout_name, "", "", ""}, &error);
    if (!layout) throw Refused(error);
    InstallKeyboardLayout(std::move(layout));
    return;
  }
  InstallKeyboardLayout(std::make_unique<LazyKeyboardLayout>([] {
    std::string error;
    std::unique_ptr<KeyboardLayout> layout = LoadSessionLayout(&error);
    if (!layout) {
      std::cerr << "melkoctl: cannot load the keyboard layout (" << error
                << "); keys are named by their fixed names and US letters and digits\n";
    }
    return layout;
  }));
}

// A usage error is one line, with where to find help: the help of `set` is long enough to have
// its own.
int ReportUsageError(const UsageError& error, const std::string& command) {
  std::cerr << "melkoctl: " << error.what() << "\n"
            << "Try 'melkoctl " << (command == "set" ? "set " : "") << "--help' for more.\n";
  return 2;
}

int RunReported(const std::string& command, const std::function<void()>& run) {
  try {
    run();
  } catch (const UsageError& error) {
    return ReportUsageError(error, command);
  } catch (const Refused& error) {
    std::cerr << "melkoctl: " << error.what() << '\n';
    return 1;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "melkoctl: cannot write the output\n";
    return 1;
  }
  return 0;
}

void PrepareHeapForStores() {
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  // The reserve comes from the heap itself (it is below the mmap threshold), and stays there once
  // freed (below the trim threshold); later allocations are carved out of it.
  constexpr std::size_t kReserve = 16 << 20, kHugePage = 2 << 20;
  void* block = std::malloc(kReserve);
  if (block == nullptr) return;
  const auto start = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(block) + kReserve) & ~(kHugePage - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  std::free(block);
}

}  // namespace melko::cli
