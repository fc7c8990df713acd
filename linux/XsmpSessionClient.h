#pragma once
// The program as a client of an X session manager (the X session management protocol through libSM,
// with the manager named by SESSION_MANAGER). A save-yourself that ends the session asks for
// interaction, puts the query to the program and cancels the shutdown when it refuses; Die ends it.

#include <memory>

#include "linux/SessionGuard.h"

struct _SmcConn;

namespace tesra::platform {

class XsmpSessionClient final : public SessionGuard {
public:
    // Null when no session manager answers.
    static std::unique_ptr<XsmpSessionClient> Connect(SessionEvents events);
    ~XsmpSessionClient() override;
    XsmpSessionClient(const XsmpSessionClient&) = delete;
    XsmpSessionClient& operator=(const XsmpSessionClient&) = delete;

    // The session manager's requests (libSM's callbacks).
    void SaveYourself(bool shutdown, bool mayInteract);
    void Interact();
    void Die();
    // Reads what the session manager sent; false once the connection is gone.
    bool Process(int condition);

private:
    explicit XsmpSessionClient(SessionEvents events) : events_(std::move(events)) {}
    void SetProperties();
    void Close();

    SessionEvents events_;
    _SmcConn* connection_ = nullptr;
    unsigned watch_ = 0;
};

}  // namespace tesra::platform
