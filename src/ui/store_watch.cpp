#include "ui/store_watch.h"

#include <cstdio>

namespace melko::ui {
namespace {

// Long enough for a save's events to come together, short enough to look immediate.
constexpr int kSettleMs = 100;

}  // namespace

StoreWatch::StoreWatch(const std::filesystem::path& store_folder, std::function<void()> changed) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, std::move(changed));
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
  if (!watcher_.addPath(QString::fromStdString(store_folder.string()))) {
    std::fprintf(stderr,
                 "melko: cannot watch %s: changes other programs make show at the next "
                 "save\n",
                 store_folder.c_str());
  }
}

}  // namespace melko::ui
