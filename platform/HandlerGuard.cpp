#include "platform/HandlerGuard.h"

#include <cstdio>
#include <exception>

namespace tesra::platform {

void RunGuarded(const HandlerGuard& guard, const Handler& handler) {
    try {
        if (guard) {
            guard(handler);
        } else {
            handler();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "TesraBrowser: unhandled error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "TesraBrowser: unhandled error\n");
    }
}

}  // namespace tesra::platform
