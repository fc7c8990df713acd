// A small X session manager for the end-to-end tests (libSM's server side).
//
//   tesra-test-xsmp-manager ADDRESS_FILE LOG_FILE
//
// Listens, writes the SESSION_MANAGER value to ADDRESS_FILE and accepts clients. SIGUSR1 asks every
// client to save itself for a shutdown that allows interaction, as a log-off does; a client that
// cancels it gets ShutdownCancelled, and when every client is done without cancelling they are told
// to die. One line per event goes to LOG_FILE: "register ID", "property NAME", "interact-request",
// "cancelled", "done", "ended", "closed".
#include <X11/SM/SMlib.h>
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

FILE* g_log = nullptr;
volatile sig_atomic_t g_logoff = 0;

struct Client {
    SmsConn sms = nullptr;
    bool cancelled = false;
    bool done = false;
};
std::map<SmsConn, Client> g_clients;
std::vector<IceConn> g_connections;  // accepted, not yet closed
bool g_shutdown = false;

void Log(const std::string& text) {
    std::fprintf(g_log, "%s\n", text.c_str());
    std::fflush(g_log);
}

Status RegisterClient(SmsConn sms, SmPointer, char* previousId) {
    char* id = previousId ? previousId : SmsGenerateClientID(sms);
    SmsRegisterClientReply(sms, id);
    Log(std::string("register ") + id);
    if (!previousId) std::free(id);
    return 1;
}

void InteractRequest(SmsConn sms, SmPointer, int) {
    Log("interact-request");
    SmsInteract(sms);
}

void Settle() {
    if (!g_shutdown) return;
    bool cancelled = false;
    for (auto& [sms, client] : g_clients) {
        if (!client.done) return;
        cancelled = cancelled || client.cancelled;
    }
    g_shutdown = false;
    for (auto& [sms, client] : g_clients) {
        if (cancelled) {
            SmsShutdownCancelled(sms);
        } else {
            SmsDie(sms);
        }
    }
    Log(cancelled ? "cancelled" : "ended");
}

void InteractDone(SmsConn sms, SmPointer, Bool cancelShutdown) {
    Log(cancelShutdown ? "interact-done cancel" : "interact-done");
    g_clients[sms].cancelled = cancelShutdown;
}

void SaveYourselfRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}
void SaveYourselfPhase2Request(SmsConn sms, SmPointer) { SmsSaveYourselfPhase2(sms); }

void SaveYourselfDone(SmsConn sms, SmPointer, Bool success) {
    Log(success ? "done" : "done failed");
    g_clients[sms].done = true;
    Settle();
}

void CloseConnection(SmsConn sms, SmPointer, int, char**) {
    Log("closed");
    IceConn ice = SmsGetIceConnection(sms);
    g_clients.erase(sms);
    SmsCleanUp(sms);
    std::erase(g_connections, ice);
    IceSetShutdownNegotiation(ice, False);
    IceCloseConnection(ice);
    Settle();
}

void SetProperties(SmsConn, SmPointer, int count, SmProp** properties) {
    for (int i = 0; i < count; ++i) {
        Log(std::string("property ") + properties[i]->name);
        SmFreeProperty(properties[i]);
    }
    std::free(properties);
}

void DeleteProperties(SmsConn, SmPointer, int count, char** names) {
    for (int i = 0; i < count; ++i) std::free(names[i]);
    std::free(names);
}

void GetProperties(SmsConn sms, SmPointer) { SmsReturnProperties(sms, 0, nullptr); }

Status NewClient(SmsConn sms, SmPointer, unsigned long* mask, SmsCallbacks* callbacks, char**) {
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask | SmsSaveYourselfDoneProcMask |
            SmsCloseConnectionProcMask | SmsSetPropertiesProcMask | SmsDeletePropertiesProcMask |
            SmsGetPropertiesProcMask;
    callbacks->register_client = {RegisterClient, nullptr};
    callbacks->interact_request = {InteractRequest, nullptr};
    callbacks->interact_done = {InteractDone, nullptr};
    callbacks->save_yourself_request = {SaveYourselfRequest, nullptr};
    callbacks->save_yourself_phase2_request = {SaveYourselfPhase2Request, nullptr};
    callbacks->save_yourself_done = {SaveYourselfDone, nullptr};
    callbacks->close_connection = {CloseConnection, nullptr};
    callbacks->set_properties = {SetProperties, nullptr};
    callbacks->delete_properties = {DeleteProperties, nullptr};
    callbacks->get_properties = {GetProperties, nullptr};
    g_clients[sms].sms = sms;
    return 1;
}

// Clients of the same machine need no authentication here.
Bool AcceptHost(char*) { return True; }

void LogOff() {
    g_shutdown = true;
    for (auto& [sms, client] : g_clients) {
        client.cancelled = false;
        client.done = false;
        SmsSaveYourself(sms, SmSaveLocal, True, SmInteractStyleAny, False);
    }
    Log("logoff");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ADDRESS_FILE LOG_FILE\n", argv[0]);
        return 2;
    }
    g_log = std::fopen(argv[2], "a");
    char error[256] = "";
    if (!g_log || !SmsInitialize("tesra-test", "1.0", NewClient, nullptr, AcceptHost, sizeof error, error)) {
        std::fprintf(stderr, "cannot start: %s\n", error);
        return 1;
    }
    int count = 0;
    IceListenObj* listeners = nullptr;
    if (!IceListenForConnections(&count, &listeners, sizeof error, error)) {
        std::fprintf(stderr, "cannot listen: %s\n", error);
        return 1;
    }
    for (int i = 0; i < count; ++i) IceSetHostBasedAuthProc(listeners[i], AcceptHost);
    // Clients are pointed at the local sockets only: nothing goes over the network.
    std::string address;
    for (int i = 0; i < count; ++i) {
        char* id = IceGetListenConnectionString(listeners[i]);
        const std::string text = id;
        std::free(id);
        if (text.rfind("local/", 0) != 0 && text.rfind("unix/", 0) != 0) continue;
        address += (address.empty() ? "" : ",") + text;
    }
    if (FILE* file = std::fopen(argv[1], "w")) {
        std::fprintf(file, "%s\n", address.c_str());
        std::fclose(file);
    }
    signal(SIGUSR1, [](int) { g_logoff = 1; });

    for (;;) {
        if (g_logoff) {
            g_logoff = 0;
            LogOff();
        }
        std::vector<pollfd> fds;
        for (int i = 0; i < count; ++i) fds.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
        const std::vector<IceConn> open = g_connections;
        for (IceConn ice : open) fds.push_back({IceConnectionNumber(ice), POLLIN, 0});
        if (poll(fds.data(), fds.size(), 100) <= 0) continue;
        for (int i = 0; i < count; ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            IceAcceptStatus status;
            IceConn ice = IceAcceptConnection(listeners[i], &status);
            if (!ice) continue;
            IceConnectStatus state;
            while ((state = IceConnectionStatus(ice)) == IceConnectPending) IceProcessMessages(ice, nullptr, nullptr);
            if (state == IceConnectAccepted) {
                g_connections.push_back(ice);
            } else {
                IceCloseConnection(ice);
            }
        }
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (!(fds[count + i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            // A connection closed meanwhile (by its client's close request) is not read again.
            if (std::find(g_connections.begin(), g_connections.end(), open[i]) == g_connections.end()) continue;
            if (IceProcessMessages(open[i], nullptr, nullptr) == IceProcessMessagesIOError) {
                std::erase(g_connections, open[i]);
                IceCloseConnection(open[i]);
            }
        }
    }
}
