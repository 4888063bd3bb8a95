// A watch on the store folder: tells when another program (melkoctl, say) may have changed the
// stores, so that the page syncs and shows them. Saves replace a store by renaming a new file over
// it, which shows as a change of the folder; the bursts of events a save makes (a file created,
// written, renamed) are told once, shortly after the last. Our own saves are told too; the sync
// they lead to finds nothing new.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <filesystem>
#include <functional>

namespace melko::ui {

class StoreWatch final : public QObject {
 public:
  StoreWatch(const std::filesystem::path& store_folder, std::function<void()> changed);

  // Whether the folder is watched (false when the system refused a watch).
  bool watching() const { return !watcher_.directories().isEmpty(); }

 private:
  QFileSystemWatcher watcher_;
  QTimer settle_;
};

}  // namespace melko::ui
