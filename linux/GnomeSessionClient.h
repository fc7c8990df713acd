#pragma once
// The program as a client of GNOME's session manager (org.gnome.SessionManager, RegisterClient). Its
// QueryEndSession is answered with EndSessionResponse, which GNOME turns into a log-off inhibitor with
// the reason given when the answer is no; EndSession and Stop end the program.

#include <gio/gio.h>

#include <string>

#include "linux/GObjectPtr.h"
#include "linux/SessionGuard.h"

namespace tesra::platform {

class GnomeSessionClient final : public SessionGuard {
public:
    // Registers asynchronously on the given connection.
    GnomeSessionClient(GDBusConnection* connection, SessionEvents events);
    ~GnomeSessionClient() override;
    GnomeSessionClient(const GnomeSessionClient&) = delete;
    GnomeSessionClient& operator=(const GnomeSessionClient&) = delete;

    // Whether org.gnome.SessionManager is on the bus now.
    static bool ManagerPresent(GDBusConnection* connection);

private:
    static void OnRegistered(GObject* source, GAsyncResult* result, gpointer self);
    static void OnSignal(GDBusConnection*, const char*, const char*, const char*, const char* signal, GVariant*,
                         gpointer self);
    static gboolean OnAnswerDue(gpointer self);
    void Query();
    void Respond(bool mayEnd);

    GObjectPtr<GDBusConnection> connection_;
    GObjectPtr<GCancellable> cancellable_;
    SessionEvents events_;
    std::string client_;  // object path of our client, once registered
    unsigned subscription_ = 0;
    bool querying_ = false;
    bool answered_ = false;
};

}  // namespace tesra::platform
