#pragma once
// The session guard: the program as a client of the desktop's session manager, so that logging off
// asks it first. GNOME's org.gnome.SessionManager where it is on the session bus, otherwise the X
// session management protocol with the manager named by SESSION_MANAGER, otherwise nothing asks.
// One registration only, so that each query is asked once.

#include <memory>

#include "platform/SessionEvents.h"

namespace tesra::platform {

class SessionGuard {
public:
    virtual ~SessionGuard() = default;
};

// Null when no session manager is there.
[[nodiscard]] std::unique_ptr<SessionGuard> StartSessionGuard(SessionEvents events);

}  // namespace tesra::platform
