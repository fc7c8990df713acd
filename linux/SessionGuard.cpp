#include "linux/SessionGuard.h"

#include <gio/gio.h>

#include "linux/GnomeSessionClient.h"
#include "linux/XsmpSessionClient.h"

namespace tesra::platform {

// GNOME runs both managers: its own on the bus is used there, so that a log-off asks only once.
std::unique_ptr<SessionGuard> StartSessionGuard(SessionEvents events) {
    g_autoptr(GDBusConnection) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus && GnomeSessionClient::ManagerPresent(bus))
        return std::make_unique<GnomeSessionClient>(bus, std::move(events));
    return XsmpSessionClient::Connect(std::move(events));
}

}  // namespace tesra::platform
