#include "vmouse/program/vmouse_app.h"

#include <QDBusConnection>
#include <QDBusError>

#include "vmouse/json.h"
#include "vmouse/program/bluez_mock.h"
#include "vmouse/program/control_server.h"
#include "vmouse/program/library_server.h"
#include "vmouse/status_events.h"

namespace melko::vmouse {
namespace {

const QString kBusConnectionName = QStringLiteral("melko-vmouse-bluez");

}  // namespace

VmouseApp::VmouseApp(const Options& options, QObject* parent) : QObject(parent), options_(options) {
  clock_.start();
  power_timer_.setSingleShot(true);
  power_timer_.setTimerType(Qt::PreciseTimer);
  connect(&power_timer_, &QTimer::timeout, this, [this] {
    mouse_->Tick();
    Reschedule();
  });
}

VmouseApp::~VmouseApp() {
  power_timer_.stop();
  control_.reset();
  library_.reset();
  if (bluez_) {
    bluez_->bus().unregisterService(bluez::kService);
    bluez_.reset();
    QDBusConnection::disconnectFromBus(kBusConnectionName);
  }
  if (log_) std::fclose(log_);
}

bool VmouseApp::Start(QString* error) {
  if (!options_.log_path.empty()) {
    log_ = std::fopen(options_.log_path.c_str(), "w");
    if (!log_) {
      *error = "cannot write the log " + QString::fromStdString(options_.log_path);
      return false;
    }
  }
  MouseSetup setup{options_.cable, options_.receiver,           options_.awake,
                   options_.ble,   !options_.bluez_bus.empty(), options_.battery,
                   options_.ack};
  mouse_.emplace(
      static_cast<MouseOutputs&>(*this), [this] { return std::int64_t(clock_.elapsed()); }, setup);

  if (!options_.bluez_bus.empty() && !StartBluez(error)) return false;

  library_ = std::make_unique<LibraryServer>(*mouse_);
  library_->SetAfterRequest([this] { Reschedule(); });
  if (!library_->Listen(QString::fromStdString(options_.socket_path), error)) return false;

  control_ = std::make_unique<ControlServer>([this](std::string_view line) {
    const CommandAnswer answer = mouse_->Execute(line);
    Reschedule();
    return answer;
  });
  connect(control_.get(), &ControlServer::QuitRequested, this, &VmouseApp::QuitRequested,
          Qt::QueuedConnection);
  const auto control_path = QString::fromStdString(ControlSocketPath(options_.socket_path));
  if (!control_->Listen(control_path, error)) return false;
  control_->ReadStandardInput();
  Reschedule();
  return true;
}

bool VmouseApp::StartBluez(QString* error) {
  QDBusConnection bus =
      QDBusConnection::connectToBus(QString::fromStdString(options_.bluez_bus), kBusConnectionName);
  if (!bus.isConnected()) {
    *error = "cannot connect to the bus " + QString::fromStdString(options_.bluez_bus) + ": " +
             bus.lastError().message();
    return false;
  }
  bluez_ = std::make_unique<BluezMock>(bus, [this](const std::vector<std::uint8_t>& value) {
    mouse_->Write(Link::kBle, value);
    Reschedule();
  });
  bluez_->SetConnected(mouse_->present(Link::kBle));
  return bluez_->Start(error);
}

void VmouseApp::Reschedule() {
  const auto wait = mouse_->MsUntilPower();
  if (!wait) {
    power_timer_.stop();
  } else {
    power_timer_.start(int(*wait));
  }
}

void VmouseApp::SendEvent(Link link, std::uint16_t event_word, std::uint16_t value) {
  if (library_) library_->SendEvent(link, event_word, value);
}

void VmouseApp::Notify(std::uint16_t event_word, std::uint16_t value) {
  if (bluez_) bluez_->Notify(BleNotification(event_word, value));
}

void VmouseApp::DeviceChanged(Link link, bool present) {
  if (link == Link::kBle) {
    if (bluez_) bluez_->SetConnected(present);
  } else if (library_) {
    library_->DeviceChanged(link, present);
  }
}

void VmouseApp::Written(const WriteRecord& record) {
  if (!log_) return;
  const std::string line = WriteRecordToJson(record) + "\n";
  std::fwrite(line.data(), 1, line.size(), log_);
  std::fflush(log_);
}

}  // namespace melko::vmouse
