// The texts among BlueZ's property values, as finding the mouse reads them: lines of the input are
// a device's Modalias, a characteristic's UUID and then its flags.
#include <QDBusObjectPath>

#include "bluez/bluez_names.h"
#include "bluez/object_snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace melko::bluez;
  QStringList lines =
      QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)).split('\n');
  const QString modalias = lines.takeFirst();
  const QString uuid = lines.isEmpty() ? QString() : lines.takeFirst();
  const QString device = "/org/bluez/hci0/dev_AA", service = device + "/service0010";
  ObjectSnapshot snapshot;
  snapshot.Add(device, {{kDeviceInterface, {{"Modalias", modalias}, {"Connected", true}}}});
  snapshot.Add(service, {{kGattServiceInterface, {}}});
  snapshot.Add(service + "/char0011", {{kGattCharacteristicInterface,
                                        {{"UUID", uuid},
                                         {"Service", QVariant::fromValue(QDBusObjectPath(service))},
                                         {"Flags", lines}}}});
  snapshot.MouseCharacteristics(kNotifyCharacteristicUuid, {"notify", "indicate"});
  return 0;
}
