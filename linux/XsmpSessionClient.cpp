#include "linux/XsmpSessionClient.h"

#include <X11/SM/SMlib.h>
#include <glib-unix.h>
#include <glib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "linux/Folders.h"

namespace tesra::platform {
namespace {

XsmpSessionClient* Client(SmPointer data) { return static_cast<XsmpSessionClient*>(data); }

void OnSaveYourself(SmcConn, SmPointer data, int, Bool shutdown, int interactStyle, Bool) {
    Client(data)->SaveYourself(shutdown, interactStyle != SmInteractStyleNone);
}

void OnInteract(SmcConn, SmPointer data) { Client(data)->Interact(); }

void OnDie(SmcConn, SmPointer data) { Client(data)->Die(); }

void OnSaveComplete(SmcConn, SmPointer) {}

void OnShutdownCancelled(SmcConn, SmPointer) {}

// libICE ends the process on a broken connection unless told otherwise: a session manager that goes
// away must not take the program with it.
void IgnoreIoError(IceConn) {}

gboolean OnInput(gint, GIOCondition condition, gpointer data) {
    return static_cast<XsmpSessionClient*>(data)->Process(condition) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

struct ListProperty {
    std::vector<std::string> values;
    std::vector<SmPropValue> items;
    SmProp property;

    ListProperty(const char* name, const char* type, std::vector<std::string> texts) : values(std::move(texts)) {
        for (std::string& value : values) items.push_back({static_cast<int>(value.size()), value.data()});
        property = {const_cast<char*>(name), const_cast<char*>(type), static_cast<int>(items.size()), items.data()};
    }
};

}  // namespace

std::unique_ptr<XsmpSessionClient> XsmpSessionClient::Connect(SessionEvents events) {
    if (!g_getenv("SESSION_MANAGER")) return nullptr;
    IceSetIOErrorHandler(IgnoreIoError);
    std::unique_ptr<XsmpSessionClient> client(new XsmpSessionClient(std::move(events)));
    SmcCallbacks callbacks{};
    callbacks.save_yourself = {OnSaveYourself, client.get()};
    callbacks.die = {OnDie, client.get()};
    callbacks.save_complete = {OnSaveComplete, client.get()};
    callbacks.shutdown_cancelled = {OnShutdownCancelled, client.get()};
    char error[256] = "";
    char* clientId = nullptr;
    client->connection_ = SmcOpenConnection(
        nullptr, client.get(), SmProtoMajor, SmProtoMinor,
        SmcSaveYourselfProcMask | SmcDieProcMask | SmcSaveCompleteProcMask | SmcShutdownCancelledProcMask, &callbacks,
        nullptr, &clientId, sizeof error, error);
    if (!client->connection_) {
        g_debug("no X session manager: %s", error);
        return nullptr;
    }
    free(clientId);
    client->SetProperties();
    const int fd = IceConnectionNumber(SmcGetIceConnection(client->connection_));
    client->watch_ = g_unix_fd_add(fd, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), OnInput, client.get());
    return client;
}

XsmpSessionClient::~XsmpSessionClient() { Close(); }

void XsmpSessionClient::Close() {
    if (watch_ != 0) g_source_remove(watch_);
    watch_ = 0;
    if (connection_) SmcCloseConnection(connection_, 0, nullptr);
    connection_ = nullptr;
}

// The properties that session managers require of a client; it is never restarted by the session.
void XsmpSessionClient::SetProperties() {
    const std::string program = ProgramFile();
    const std::string user = g_get_user_name();
    char never = SmRestartNever;
    ListProperty restart(SmRestartCommand, SmLISTofARRAY8, {program});
    ListProperty clone(SmCloneCommand, SmLISTofARRAY8, {program});
    ListProperty name(SmProgram, SmARRAY8, {program});
    ListProperty userId(SmUserID, SmARRAY8, {user});
    SmPropValue hintValue{1, &never};
    SmProp hint{const_cast<char*>(SmRestartStyleHint), const_cast<char*>(SmCARD8), 1, &hintValue};
    SmProp* properties[] = {&restart.property, &clone.property, &name.property, &userId.property, &hint};
    SmcSetProperties(connection_, G_N_ELEMENTS(properties), properties);
}

bool XsmpSessionClient::Process(int condition) {
    if (!connection_) return false;
    IceConn ice = SmcGetIceConnection(connection_);
    if ((condition & (G_IO_HUP | G_IO_ERR)) || IceProcessMessages(ice, nullptr, nullptr) == IceProcessMessagesIOError) {
        watch_ = 0;  // removed by returning false
        SmcCloseConnection(connection_, 0, nullptr);
        connection_ = nullptr;
        return false;
    }
    return true;
}

// Only a shutdown with leave to interact can be refused; anything else is done at once.
void XsmpSessionClient::SaveYourself(bool shutdown, bool mayInteract) {
    if (shutdown && mayInteract && SmcInteractRequest(connection_, SmDialogNormal, OnInteract, this)) return;
    SmcSaveYourselfDone(connection_, True);
}

void XsmpSessionClient::Interact() {
    const bool mayEnd = events_.queryEnd();
    if (!connection_) return;
    SmcInteractDone(connection_, mayEnd ? False : True);
    SmcSaveYourselfDone(connection_, True);
}

void XsmpSessionClient::Die() {
    Close();
    events_.end();
}

}  // namespace tesra::platform
