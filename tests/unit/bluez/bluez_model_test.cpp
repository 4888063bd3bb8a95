// Finding the mouse in what BlueZ lists, without a bus: Modalias, the objects of a listing, and
// presence kept from signals.
#include <gtest/gtest.h>

#include <QDBusObjectPath>

#include "bluez/modalias.h"
#include "bluez/mouse_watch.h"
#include "bluez/object_snapshot.h"

namespace melko::bluez {
namespace {

const QString kMouse = QStringLiteral("/org/bluez/hci0/dev_AA");
const QString kService = kMouse + "/service0010";
const QString kWrite = kService + "/char0011";
const QString kNotify = kService + "/char0013";
const QString kWriteUuid = QStringLiteral("0000fee3-0000-1000-8000-00805f9b34fb");
const QString kNotifyUuid = QStringLiteral("0000fee4-0000-1000-8000-00805f9b34fb");
const QStringList kWriteFlags{"write", "write-without-response"};

QVariant Path(const QString& path) {
  return QVariant::fromValue(QDBusObjectPath(path));
}

InterfaceMap Device(const QVariant& modalias, const QVariant& connected) {
  QVariantMap properties{{"Name", "Melko R7"}};
  if (modalias.isValid()) properties.insert("Modalias", modalias);
  if (connected.isValid()) properties.insert("Connected", connected);
  return {{"org.bluez.Device1", properties}};
}

InterfaceMap Service(const QString& device) {
  return {{"org.bluez.GattService1",
           {{"UUID", "0000fee0-0000-1000-8000-00805f9b34fb"}, {"Device", Path(device)}}}};
}

InterfaceMap Characteristic(const QVariant& uuid, const QString& service,
                            const QStringList& flags) {
  return {{"org.bluez.GattCharacteristic1",
           {{"UUID", uuid}, {"Service", Path(service)}, {"Flags", flags}}}};
}

// A connected mouse with its service, write and notify characteristics.
ObjectSnapshot MouseListing() {
  ObjectSnapshot snapshot;
  snapshot.Add(kMouse, Device(QString("usb:v045Ep0040d0001"), true));
  snapshot.Add(kService, Service(kMouse));
  snapshot.Add(kWrite, Characteristic(kWriteUuid, kService, {"write"}));
  snapshot.Add(kNotify, Characteristic(kNotifyUuid, kService, {"notify"}));
  return snapshot;
}

TEST(Modalias, ReadsBothFormsInAnyCase) {
  const DeviceIds mouse{0x045E, 0x0040};
  EXPECT_EQ(ParseModalias("usb:v045Ep0040d0001"), mouse);
  EXPECT_EQ(ParseModalias("usb:v045ep0040d0001"), mouse);
  EXPECT_EQ(ParseModalias("USB:V045EP0040D0001"), mouse);
  EXPECT_EQ(ParseModalias("bluetooth:v045Ep0040d0110"), mouse);
  EXPECT_EQ(ParseModalias("Bluetooth:V045eP0040"), mouse);
  EXPECT_EQ(ParseModalias("usb:v1D50p6089d0100"), (DeviceIds{0x1D50, 0x6089}));
}

TEST(Modalias, RefusesEverythingElse) {
  for (const char* text : {"", "usb:", "usb:v045E", "usb:v045Ep004", "usb:v45Ep0040d0001",
                           "usb:v045Gp0040d0001", "usb:p0040v045E", "pci:v045Ep0040d0001",
                           "usbv045Ep0040d0001", " usb:v045Ep0040d0001", "usb:x045Ep0040"}) {
    EXPECT_FALSE(ParseModalias(text)) << text;
  }
}

TEST(ObjectSnapshot, FindsTheCharacteristicsOfTheConnectedMouse) {
  const ObjectSnapshot snapshot = MouseListing();
  EXPECT_EQ(snapshot.MouseCharacteristics(kWriteUuid, kWriteFlags), QStringList{kWrite});
  EXPECT_EQ(snapshot.MouseCharacteristics(kNotifyUuid, {"notify"}), QStringList{kNotify});
  // UUIDs compare without regard to case.
  EXPECT_EQ(snapshot.MouseCharacteristics(kWriteUuid.toUpper(), kWriteFlags), QStringList{kWrite});
}

TEST(ObjectSnapshot, PassesOverOtherDevicesAndUnusableCharacteristics) {
  ObjectSnapshot snapshot;
  const QString other = "/org/bluez/hci0/dev_BB";  // another vendor's device
  snapshot.Add(other, Device(QString("usb:v046Dp0040d0001"), true));
  snapshot.Add(other + "/service0001", Service(other));
  snapshot.Add(other + "/service0001/char0002",
               Characteristic(kWriteUuid, other + "/service0001", {"write"}));
  const QString asleep = "/org/bluez/hci0/dev_CC";  // the mouse, paired but not connected
  snapshot.Add(asleep, Device(QString("usb:v045Ep0040d0001"), false));
  snapshot.Add(asleep + "/service0001", Service(asleep));
  snapshot.Add(asleep + "/service0001/char0002",
               Characteristic(kWriteUuid, asleep + "/service0001", {"write"}));
  snapshot.Add(kMouse, Device(QString("usb:v045Ep0040d0001"), true));
  snapshot.Add(kService, Service(kMouse));
  snapshot.Add(kService + "/char0020", Characteristic(kWriteUuid, kService, {"read"}));
  snapshot.Add(kService + "/char0030", Characteristic(42, kService, {"write"}));
  snapshot.Add(kService + "/char0040",
               Characteristic(kWriteUuid, kService + "/nowhere", {"write"}));
  EXPECT_TRUE(snapshot.MouseCharacteristics(kWriteUuid, kWriteFlags).isEmpty());

  // A characteristic that names no flags is tried.
  snapshot.Add(kWrite, Characteristic(kWriteUuid, kService, {}));
  EXPECT_EQ(snapshot.MouseCharacteristics(kWriteUuid, kWriteFlags), QStringList{kWrite});
}

TEST(ObjectSnapshot, PropertiesOfAnotherTypeCountAsMissing) {
  ObjectSnapshot snapshot;
  snapshot.Add("/d1", Device(0x045E, true));                           // Modalias a number
  snapshot.Add("/d2", Device(QString("usb:v045Ep0040d0001"), "yes"));  // Connected a string
  snapshot.Add("/d3", Device(QStringList{"usb:v045Ep0040d0001"}, true));
  for (const DeviceInfo& device : snapshot.devices()) {
    EXPECT_FALSE(device.connected && device.IsMouse());
  }
  // Without Service and Device properties the object paths tell where things belong.
  ObjectSnapshot bare;
  bare.Add(kMouse, Device(QString("usb:v045Ep0040d0001"), true));
  bare.Add(kService, {{"org.bluez.GattService1", {{"UUID", "x"}, {"Device", "not a path"}}}});
  bare.Add(kWrite, {{"org.bluez.GattCharacteristic1", {{"UUID", kWriteUuid}}}});
  EXPECT_EQ(bare.MouseCharacteristics(kWriteUuid, kWriteFlags), QStringList{kWrite});
}

TEST(MouseWatch, FollowsTheMouseThroughSignals) {
  MouseWatch watch;
  EXPECT_FALSE(watch.present());
  watch.Reset(MouseListing());
  EXPECT_TRUE(watch.present());

  EXPECT_TRUE(watch.DeviceChanged(kMouse, {{"Connected", false}, {"ServicesResolved", false}}));
  EXPECT_FALSE(watch.present());
  EXPECT_TRUE(watch.DeviceChanged(kMouse, {{"Connected", true}}));
  EXPECT_TRUE(watch.present());
  // Removing the service leaves the device; removing the device ends it.
  watch.InterfacesRemoved(kService, {"org.bluez.GattService1"});
  EXPECT_TRUE(watch.present());
  watch.InterfacesRemoved(kMouse, {"org.bluez.Device1", "org.freedesktop.DBus.Properties"});
  EXPECT_FALSE(watch.present());
  EXPECT_FALSE(watch.Knows(kMouse));

  watch.InterfacesAdded(kMouse, Device(QString("bluetooth:v045Ep0040d0001"), true));
  EXPECT_TRUE(watch.present());
  watch.Clear();
  EXPECT_FALSE(watch.present());
}

TEST(MouseWatch, AnotherDeviceOrAnOddValueChangesNothing) {
  MouseWatch watch;
  watch.Reset(MouseListing());
  watch.InterfacesAdded("/org/bluez/hci0/dev_DD", Device(QString("usb:v1234p0040d0001"), true));
  watch.InterfacesRemoved("/org/bluez/hci0/dev_DD", {"org.bluez.Device1"});
  EXPECT_TRUE(watch.DeviceChanged(kMouse, {{"Connected", "false"}}));
  EXPECT_TRUE(watch.present());
  // A device the watch never saw needs its other properties first.
  EXPECT_FALSE(watch.DeviceChanged("/org/bluez/hci0/dev_EE", {{"Connected", true}}));
  EXPECT_FALSE(watch.Knows("/org/bluez/hci0/dev_EE"));
  // A Modalias that changes to another device's takes the mouse away.
  EXPECT_TRUE(watch.DeviceChanged(kMouse, {{"Modalias", "usb:v045Ep0041d0001"}}));
  EXPECT_FALSE(watch.present());
}

}  // namespace
}  // namespace melko::bluez
