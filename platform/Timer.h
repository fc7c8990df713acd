#pragma once
// A repeating timer on the user-interface thread.

#include <functional>
#include <memory>

namespace tesra::platform {

class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    // While enabled, OnTick runs every interval; enabling again restarts the period.
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetOnTick(std::function<void()> onTick) = 0;
};

}  // namespace tesra::platform
