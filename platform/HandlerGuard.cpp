#include "platform/HandlerGuard.h"

#include <cstdio>
#include <exception>
#include <stdexcept>

#include "platform/Platform.h"

namespace tesra::platform {
namespace {

// Null without a default platform (the page bridge's web process has none): handlers then run bare.
const HandlerGuard* GuardOfDefault() {
    try {
        return &Default().app.Guard();
    } catch (const std::logic_error&) {
        return nullptr;
    }
}

}  // namespace

void RunHandler(const Handler& handler) {
    try {
        const HandlerGuard* guard = GuardOfDefault();
        if (guard && *guard) {
            (*guard)(handler);
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
