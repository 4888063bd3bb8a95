#!/usr/bin/python3
"""A D-Bus client of the mock BlueZ, driven line by line from a test.

Usage: bluez_client.py BUS_ADDRESS

Commands on standard input, each answered with one line "answer ...":
  paths                        the object paths GetManagedObjects lists, sorted
  managed PATH IFACE PROP      a property as GetManagedObjects gives it: "SIG VALUE" or "missing"
  get PATH IFACE PROP          Properties.Get: "SIG VALUE" or "error NAME"
  write PATH HEX               WriteValue(ay, a{sv}): "ok" or "error NAME"
  write-bare PATH HEX          WriteValue with the value only (a malformed call)
  call PATH IFACE METHOD       a method without arguments: "ok" or "error NAME"
Signals of org.bluez are printed as they come:
  signal PropertiesChanged PATH IFACE NAME=SIG:VALUE ...
  signal InterfacesAdded PATH IFACE,IFACE
  signal InterfacesRemoved PATH IFACE,IFACE
Values: ay as lowercase hex, arrays comma-separated, booleans true/false.
"""

import os
import sys

import dbus
import dbus.mainloop.glib
from gi.repository import GLib


def signature(value):
    if isinstance(value, dbus.Boolean):
        return "b"
    if isinstance(value, dbus.ObjectPath):
        return "o"
    if isinstance(value, dbus.String):
        return "s"
    if isinstance(value, dbus.Byte):
        return "y"
    if isinstance(value, dbus.UInt16):
        return "q"
    if isinstance(value, dbus.Dictionary):
        return "a{%s}" % value.signature
    if isinstance(value, dbus.Array):
        return "a" + (value.signature or "?")
    return type(value).__name__


def show(value):
    sig = signature(value)
    if sig == "ay":
        return bytes(int(b) for b in value).hex()
    if sig == "b":
        return "true" if value else "false"
    if sig.startswith("a"):
        return ",".join(str(item) for item in value)
    return str(value)


def typed(value):
    return "%s %s" % (signature(value), show(value))


def emit(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


def on_signal(*args, **where):
    member, path = where["member"], where["path"]
    if member == "PropertiesChanged":
        changed = " ".join("%s=%s:%s" % (k, signature(v), show(v)) for k, v in sorted(args[1].items()))
        emit("signal PropertiesChanged %s %s %s" % (path, args[0], changed))
    elif member == "InterfacesAdded":
        emit("signal InterfacesAdded %s %s" % (args[0], ",".join(sorted(args[1].keys()))))
    elif member == "InterfacesRemoved":
        emit("signal InterfacesRemoved %s %s" % (args[0], ",".join(sorted(args[1]))))


def error_name(error):
    return "error " + (error.get_dbus_name() or "unknown")


class Client:
    def __init__(self, address):
        self.bus = dbus.bus.BusConnection(address)
        self.bus.add_signal_receiver(on_signal, sender_keyword="sender", path_keyword="path",
                                     member_keyword="member")

    def obj(self, path):
        return self.bus.get_object("org.bluez", path, introspect=False)

    def managed(self):
        manager = dbus.Interface(self.obj("/"), "org.freedesktop.DBus.ObjectManager")
        return manager.GetManagedObjects(timeout=5)

    def run(self, words):
        try:
            if words[0] == "paths":
                return " ".join(sorted(str(p) for p in self.managed().keys()))
            if words[0] == "managed":
                path, iface, prop = words[1:4]
                value = self.managed().get(path, {}).get(iface, {}).get(prop)
                return "missing" if value is None else typed(value)
            if words[0] == "get":
                path, iface, prop = words[1:4]
                props = dbus.Interface(self.obj(path), "org.freedesktop.DBus.Properties")
                return typed(props.Get(iface, prop, timeout=5))
            if words[0] in ("write", "write-bare"):
                path, value = words[1], dbus.Array(bytes.fromhex(words[2]), signature="y")
                char = dbus.Interface(self.obj(path), "org.bluez.GattCharacteristic1")
                if words[0] == "write":
                    char.WriteValue(value, dbus.Dictionary({}, signature="sv"), timeout=5)
                else:
                    char.WriteValue(value, timeout=5)
                return "ok"
            if words[0] == "call":
                path, iface, method = words[1:4]
                getattr(dbus.Interface(self.obj(path), iface), method)(timeout=5)
                return "ok"
        except dbus.exceptions.DBusException as error:
            return error_name(error)
        return "error unknown-command"


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    client = Client(sys.argv[1])
    loop = GLib.MainLoop()
    pending = [b""]

    def on_input(fd, condition):
        data = os.read(fd, 4096)
        if not data:
            loop.quit()
            return False
        pending[0] += data
        while b"\n" in pending[0]:
            line, pending[0] = pending[0].split(b"\n", 1)
            words = line.decode().split()
            if words:
                emit("answer " + client.run(words))
        return True

    GLib.io_add_watch(sys.stdin.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, on_input)
    emit("ready")
    loop.run()


if __name__ == "__main__":
    main()
