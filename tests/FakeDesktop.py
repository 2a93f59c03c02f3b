#!/usr/bin/python3
"""The desktop's D-Bus services that the wizard and the command line use,
faked for the tests on whatever bus DBUS_SESSION_BUS_ADDRESS names.
  tests/FakeDesktop.py LOG SERVICE...
SERVICE is "portal" (the desktop portal's Inhibit, whose Request is closed to
release, and its Notification), "slow-portal" (the same, answering each call
a second late), "logind" (login1's Manager.Inhibit, which
hands out one end of a pipe and sees it closed), "notifications"
(org.freedesktop.Notifications) or "launcher" (a dock that hears the
LauncherEntry signals). Each event is one line appended to LOG:
"portal inhibit FLAGS REASON", "portal release", "logind inhibit WHAT WHO
MODE", "logind release", "portal notify TITLE | BODY | DEFAULT-ACTION",
"portal withdraw ID",
"notifications notify TITLE | BODY | ACTIONS", "launcher PATH APP
PROGRESS VISIBLE URGENT" (PROGRESS "-" when none is given), and "ready" once every name is
owned. Every notification is clicked, its default action invoked, 200 ms
after it comes."""
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
PORTAL_PATH = "/org/freedesktop/portal/desktop"
LOGIND = "org.freedesktop.login1"


def log(line):
    with open(sys.argv[1], "a", encoding="utf-8") as f:
        f.write(line + "\n")


class Request(dbus.service.Object):
    @dbus.service.method("org.freedesktop.portal.Request")
    def Close(self):
        log("portal release")
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, slow):
        super().__init__(bus, PORTAL_PATH)
        self.slow = slow

    def answer(self, reply, *result):
        if self.slow:
            GLib.timeout_add(1000, lambda: reply(*result) or False)
        else:
            reply(*result)

    @dbus.service.method("org.freedesktop.portal.Inhibit", in_signature="sua{sv}",
                         out_signature="o", sender_keyword="sender",
                         async_callbacks=("reply", "error"))
    def Inhibit(self, window, flags, options, sender, reply, error):
        token = options.get("handle_token", "t")
        path = f"{PORTAL_PATH}/request/{sender[1:].replace('.', '_')}/{token}"
        Request(self.connection, path)
        log(f"portal inhibit {flags} {options.get('reason', '')}")
        self.answer(reply, dbus.ObjectPath(path))

    @dbus.service.method("org.freedesktop.portal.Notification", in_signature="sa{sv}",
                         async_callbacks=("reply", "error"))
    def AddNotification(self, id, notification, reply, error):
        action = notification.get("default-action", "")
        log(f"portal notify {notification.get('title')} | {notification.get('body')} | {action}")
        if not self.slow:  # by the time it shows, it is withdrawn
            GLib.timeout_add(200, lambda: self.ActionInvoked(id, action, []))
        self.answer(reply)

    @dbus.service.method("org.freedesktop.portal.Notification", in_signature="s")
    def RemoveNotification(self, id):
        log(f"portal withdraw {id}")

    @dbus.service.signal("org.freedesktop.portal.Notification", signature="ssav")
    def ActionInvoked(self, id, action, parameter):
        pass


class Notifications(dbus.service.Object):
    @dbus.service.method("org.freedesktop.Notifications", in_signature="susssasa{sv}i",
                         out_signature="u")
    def Notify(self, app, replaces, icon, title, body, actions, hints, timeout):
        log(f"notifications notify {title} | {body} | {' '.join(actions)}")
        GLib.timeout_add(200, lambda: self.ActionInvoked(7, "default"))
        return 7

    @dbus.service.signal("org.freedesktop.Notifications", signature="us")
    def ActionInvoked(self, id, action):
        pass


class Login(dbus.service.Object):
    @dbus.service.method("org.freedesktop.login1.Manager", in_signature="ssss",
                         out_signature="h")
    def Inhibit(self, what, who, why, mode):
        ours, theirs = os.pipe()
        # The lock ends when every copy of the caller's end is closed: our
        # end then reads the end of the file.
        GLib.io_add_watch(ours, GLib.IO_IN | GLib.IO_HUP, self.released)
        log(f"logind inhibit {what} {who} {mode}")
        handed = dbus.types.UnixFd(theirs)  # a copy, sent with the reply
        os.close(theirs)
        return handed

    @staticmethod
    def released(fd, _condition):
        os.close(fd)
        log("logind release")
        return False


def launcher_update(app, properties, path):
    progress = properties.get("progress")
    shown = "-" if progress is None else f"{float(progress):.3f}"
    log(f"launcher {path} {app} {shown} {bool(properties['progress-visible'])} "
        f"{bool(properties['urgent'])}")


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    names = []
    if "portal" in sys.argv[2:] or "slow-portal" in sys.argv[2:]:
        names.append(dbus.service.BusName(PORTAL, bus))
        Portal(bus, "slow-portal" in sys.argv[2:])
    if "logind" in sys.argv[2:]:
        names.append(dbus.service.BusName(LOGIND, bus))
        Login(bus, "/org/freedesktop/login1")
    if "notifications" in sys.argv[2:]:
        names.append(dbus.service.BusName("org.freedesktop.Notifications", bus))
        Notifications(bus, "/org/freedesktop/Notifications")
    if "launcher" in sys.argv[2:]:
        bus.add_signal_receiver(launcher_update, "Update", "com.canonical.Unity.LauncherEntry",
                                path_keyword="path")
    log("ready")
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
