#include "platform/HandlerGuard.h"

#include <cstdio>
#include <exception>

namespace tesra::platform {
namespace {
HandlerGuard g_guard;
}

void RunHandler(const Handler& handler) {
    try {
        if (g_guard) {
            g_guard(handler);
        } else {
            handler();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "TesraBrowser: unhandled error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "TesraBrowser: unhandled error\n");
    }
}

void SetHandlerGuard(HandlerGuard guard) { g_guard = std::move(guard); }

}  // namespace tesra::platform
