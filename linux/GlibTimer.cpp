#include <glib.h>

#include "linux/LinuxFactory.h"
#include "platform/HandlerGuard.h"
#include "platform/Timer.h"

namespace tesra::platform {
namespace {

class GlibTimer final : public Timer {
public:
    explicit GlibTimer(const HandlerGuard& guard) : guard_(guard) {}
    ~GlibTimer() override { Stop(); }
    GlibTimer(const GlibTimer&) = delete;
    GlibTimer& operator=(const GlibTimer&) = delete;

    void SetInterval(int milliseconds) override {
        interval_ = milliseconds;
        if (Enabled()) Start();
    }
    int Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override { enabled ? Start() : Stop(); }
    bool Enabled() const override { return source_ != 0; }
    void SetOnTick(std::function<void()> onTick) override { on_tick_ = std::move(onTick); }

private:
    void Start() {
        Stop();
        source_ = g_timeout_add(static_cast<guint>(interval_ > 0 ? interval_ : 1), &GlibTimer::Tick, this);
    }
    void Stop() {
        if (source_) g_source_remove(source_);
        source_ = 0;
    }
    static gboolean Tick(gpointer data) {
        auto* self = static_cast<GlibTimer*>(data);
        if (self->on_tick_) {
            auto onTick = self->on_tick_;  // the handler may replace or disable the timer
            RunGuarded(self->guard_, onTick);
        }
        return G_SOURCE_CONTINUE;
    }

    const HandlerGuard& guard_;
    int interval_ = 1000;
    guint source_ = 0;
    std::function<void()> on_tick_;
};

}  // namespace

std::unique_ptr<Timer> MakeGlibTimer(const HandlerGuard& guard) { return std::make_unique<GlibTimer>(guard); }

}  // namespace tesra::platform
