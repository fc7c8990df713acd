#pragma once
// Every event handler, timer tick and menu click of the platform layer runs through RunGuarded with the
// application's guard, so that one guard (the crash-reporting layer) sees every exception that a handler lets escape.

#include <functional>

namespace tesra::platform {

using Handler = std::function<void()>;
using HandlerGuard = std::function<void(const Handler& handler)>;

// Runs the handler through the guard (an application's, see Application::SetHandlerGuard). Never
// lets an exception out: with an empty guard, or when the guard itself throws, the error is written
// to standard error.
void RunGuarded(const HandlerGuard& guard, const Handler& handler);

}  // namespace tesra::platform
