#pragma once
// The channel that carries debug trace lines to a viewer program, when one runs.

#include <string>

namespace tesra::platform {

class DebugChannel {
public:
    virtual ~DebugChannel() = default;
    // Hands one line to the running viewer without waiting for it to read. True when a viewer took
    // it; false when none runs or it cannot take more now (the line is then lost). Any thread.
    virtual bool Send(const std::string& text) = 0;
};

}  // namespace tesra::platform
