#pragma once
// A handler guard that keeps the message of what a handler throws, as the crash reporter would.

#include <exception>
#include <string>
#include <vector>

#include "platform/HandlerGuard.h"

namespace tesra::testing {

inline platform::HandlerGuard CatchingGuard(std::vector<std::string>& caught) {
    return [&caught](const platform::Handler& handler) {
        try {
            handler();
        } catch (const std::exception& e) {
            caught.push_back(e.what());
        }
    };
}

}  // namespace tesra::testing
