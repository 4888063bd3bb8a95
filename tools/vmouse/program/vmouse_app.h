// melko-vmouse put together: the mouse, its write log, the library socket, the commands, the
// mock BlueZ, and the timer that paces the power events.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "vmouse/program/options.h"
#include "vmouse/program/virtual_mouse.h"

namespace melko::vmouse {

class BluezMock;
class ControlServer;
class LibraryServer;

class VmouseApp : public QObject, private MouseOutputs {
  Q_OBJECT

 public:
  explicit VmouseApp(const Options& options, QObject* parent = nullptr);
  ~VmouseApp() override;

  // Opens the log, takes the bus name, listens on both sockets and starts reading standard input.
  bool Start(QString* error);

 signals:
  void QuitRequested();

 private:
  void SendEvent(Link link, std::uint16_t event_word, std::uint16_t value) override;
  void Notify(std::uint16_t event_word, std::uint16_t value) override;
  void DeviceChanged(Link link, bool present) override;
  void Written(const WriteRecord& record) override;

  // Arms the timer for the next power event after anything that may have changed it.
  void Reschedule();
  bool StartBluez(QString* error);

  Options options_;
  QElapsedTimer clock_;
  std::FILE* log_ = nullptr;
  std::optional<VirtualMouse> mouse_;
  std::unique_ptr<LibraryServer> library_;
  std::unique_ptr<ControlServer> control_;
  std::unique_ptr<BluezMock> bluez_;
  QTimer power_timer_;
};

}  // namespace melko::vmouse
