#pragma once
// Every event handler, timer tick and menu click of the platform layer runs through RunHandler, so
// that one guard (the crash-reporting layer) sees every exception that a handler lets escape.

#include <functional>

namespace tesra::platform {

using Handler = std::function<void()>;
using HandlerGuard = std::function<void(const Handler& handler)>;

// Runs the handler through the guard of the default platform's application (see
// Application::SetHandlerGuard). Never lets an exception out: without a guard, or when the guard
// itself throws, the error is written to standard error.
void RunHandler(const Handler& handler);

}  // namespace tesra::platform
