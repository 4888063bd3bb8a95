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
const QString kWriteUuid = QStringLiteral("0000fee3-0000-1000-8000-00805f9b34fb");
const QString kWrite32 = QStringLiteral("0000fee3");  // what the adapter looks for
const QStringList kWriteFlags{"write", "write-without-response"};

QVariant Path(const QString& path) {
  return QVariant::fromValue(QDBusObjectPath(path));
}

InterfaceMap Device(const QVariant& modalias, const QVariant& connected) {
  return {{"org.bluez.Device1",
           {{"Name", "Melko R7"}, {"Modalias", modalias}, {"Connected", connected}}}};
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

TEST(Modalias, ReadsBothFormsInAnyCaseAndNothingElse) {
  for (const char* text : {"usb:v045Ep0040d0001", "USB:V045EP0040D0001", "Bluetooth:V045eP0040"}) {
    EXPECT_EQ(ParseModalias(text), (DeviceIds{0x045E, 0x0040})) << text;
  }
  EXPECT_EQ(ParseModalias("usb:v1D50p6089d0100"), (DeviceIds{0x1D50, 0x6089}));
  for (const char* text : {"", "usb:", "usb:v045E", "usb:v045Ep004", "usb:v45Ep0040d0001",
                           "usb:v045Gp0040d0001", "usb:p0040v045E", "pci:v045Ep0040d0001",
                           "usbv045Ep0040d0001", " usb:v045Ep0040d0001", "usb:x045Ep0040"}) {
    EXPECT_FALSE(ParseModalias(text)) << text;
  }
}

// A characteristic is known by the first 32 bits of its UUID, whatever base UUID follows, in any
// case. That a listing's characteristics are found is run end to end against the mock BlueZ.
TEST(ObjectSnapshot, AUuidCountsByAllOfItsFirst32Bits) {
  for (const char* uuid : {"0000FEE3-0000-1000-8000-00805F9B34FC", "0000fee3"}) {
    EXPECT_TRUE(UuidStartsWith(uuid, kWrite32)) << uuid;
  }
  for (const char* uuid : {"0000fee30000-1000-8000-00805f9b34fb",
                           "1000fee3-0000-1000-8000-00805f9b34fb", "0000fee", ""}) {
    EXPECT_FALSE(UuidStartsWith(uuid, kWrite32)) << uuid;
  }
}

TEST(ObjectSnapshot, PassesOverOtherDevicesAndUnusableCharacteristics) {
  ObjectSnapshot snapshot;
  auto add_device = [&](const QString& device, const char* modalias, bool connected) {
    snapshot.Add(device, Device(QString(modalias), connected));
    snapshot.Add(device + "/service0001", Service(device));
    snapshot.Add(device + "/service0001/char0002",
                 Characteristic(kWriteUuid, device + "/service0001", {"write"}));
  };
  add_device("/org/bluez/hci0/dev_BB", "usb:v046Dp0040d0001", true);   // another vendor's
  add_device("/org/bluez/hci0/dev_CC", "usb:v045Ep0040d0001", false);  // the mouse, not connected
  snapshot.Add(kMouse, Device(QString("usb:v045Ep0040d0001"), true));
  snapshot.Add(kService, Service(kMouse));
  snapshot.Add(kService + "/char0020", Characteristic(kWriteUuid, kService, {"read"}));
  snapshot.Add(kService + "/char0030", Characteristic(42, kService, {"write"}));
  snapshot.Add(kService + "/char0040",
               Characteristic(kWriteUuid, kService + "/nowhere", {"write"}));
  EXPECT_TRUE(snapshot.MouseCharacteristics(kWrite32, kWriteFlags).isEmpty());

  // A characteristic that names no flags is tried.
  snapshot.Add(kWrite, Characteristic(kWriteUuid, kService, {}));
  EXPECT_EQ(snapshot.MouseCharacteristics(kWrite32, kWriteFlags), QStringList{kWrite});
}

TEST(ObjectSnapshot, PropertiesOfAnotherTypeCountAsMissing) {
  ObjectSnapshot snapshot;
  snapshot.Add("/d1", Device(0x045E, true));                           // Modalias a number
  snapshot.Add("/d2", Device(QString("usb:v045Ep0040d0001"), "yes"));  // Connected a string
  snapshot.Add("/d3", Device(QStringList{"usb:v045Ep0040d0001"}, true));
  for (const DeviceInfo& device : snapshot.devices())
    EXPECT_FALSE(device.connected && device.IsMouse());
  // Without Service and Device properties the object paths tell where things belong.
  ObjectSnapshot bare;
  bare.Add(kMouse, Device(QString("usb:v045Ep0040d0001"), true));
  bare.Add(kService, {{"org.bluez.GattService1", {{"UUID", "x"}, {"Device", "not a path"}}}});
  bare.Add(kWrite, {{"org.bluez.GattCharacteristic1", {{"UUID", kWriteUuid}}}});
  EXPECT_EQ(bare.MouseCharacteristics(kWrite32, kWriteFlags), QStringList{kWrite});
}

// Presence through BlueZ's signals is followed end to end (bluez_vmouse_test.cpp,
// bluez_misbehaving_test.cpp); here what neither BlueZ there sends.
TEST(MouseWatch, OnlyTheMouseDeviceAndItsIdentityCount) {
  ObjectSnapshot listing;
  listing.Add(kMouse, Device(QString("usb:v045Ep0040d0001"), true));
  listing.Add(kService, Service(kMouse));
  MouseWatch watch;
  watch.Reset(listing);
  // Another device, or the mouse's service, coming and going changes nothing.
  watch.InterfacesAdded("/org/bluez/hci0/dev_DD", Device(QString("usb:v1234p0040d0001"), true));
  watch.InterfacesRemoved("/org/bluez/hci0/dev_DD", {"org.bluez.Device1"});
  watch.InterfacesRemoved(kService, {"org.bluez.GattService1"});
  EXPECT_TRUE(watch.present());
  // A Modalias that changes to another device's takes the mouse away.
  EXPECT_TRUE(watch.DeviceChanged(kMouse, {{"Modalias", "usb:v045Ep0041d0001"}}));
  EXPECT_FALSE(watch.present());
}

}  // namespace
}  // namespace melko::bluez
