#pragma once
// The desktop portals (xdg-desktop-portal) over GDBus: the session bus connection that every portal
// call of the program shares, and one request with its Response signal.

#include <gio/gio.h>

#include <functional>
#include <string>

namespace tesra::platform {

inline constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
inline constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
// The basename of the program's desktop entry: newer portals refuse a program without it.
inline constexpr const char* kPortalAppId = "com.kestal.TesraBrowser";

// The session bus, null without one. On first use the program is registered with the host registry
// under kPortalAppId where the portal has one (it must come before any other portal call).
GDBusConnection* PortalBus();

// One portal request: its handle token, the path where the portal will answer, and the answer. The
// Response signal is listened for from construction, before the method is called.
class PortalRequest {
public:
    using Answer = std::function<void(guint32 response, GVariant* results)>;

    explicit PortalRequest(GDBusConnection* bus);
    ~PortalRequest();
    PortalRequest(const PortalRequest&) = delete;
    PortalRequest& operator=(const PortalRequest&) = delete;

    const std::string& Token() const { return token_; }
    // The request path the method returned (the predicted one when they differ is kept too).
    void SetHandle(const std::string& path) { returned_ = path; }
    // Runs the program's events until the answer comes, the portal leaves the bus or timeoutMs passes
    // (0: no bound). True when answered.
    bool Wait(guint timeoutMs);
    // Called on the answer, also one that comes after Wait gave up.
    void OnAnswer(Answer answer) { onAnswer_ = std::move(answer); }

    bool Answered() const { return answered_; }
    guint32 Response() const { return response_; }
    // The results vardict; null until answered.
    GVariant* Results() const { return results_; }

private:
    static void OnResponse(GDBusConnection*, const gchar*, const gchar* path, const gchar*, const gchar*,
                           GVariant* parameters, gpointer self);
    static void OnVanished(GDBusConnection*, const gchar*, gpointer self);

    GDBusConnection* bus_;
    std::string token_;
    std::string predicted_;
    std::string returned_;
    guint subscription_ = 0;
    guint watch_ = 0;
    bool answered_ = false;
    bool gone_ = false;
    guint32 response_ = 2;
    GVariant* results_ = nullptr;
    Answer onAnswer_;
};

// A string member of a vardict whether sent as a string or an object path; empty when absent.
std::string VardictText(GVariant* vardict, const char* key);

}  // namespace tesra::platform
