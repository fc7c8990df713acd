#include "linux/X11ErrorTrap.h"

namespace tesra::platform {
namespace {
X11ErrorTrap* g_innermost = nullptr;
XErrorHandler g_previous = nullptr;  // the handler in place before the outermost trap
}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : display_(display), outer_(g_innermost) {
    XSync(display_, False);  // errors of earlier requests are not ours
    if (!outer_) g_previous = XSetErrorHandler(&X11ErrorTrap::Handle);
    g_innermost = this;
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(display_, False);
    g_innermost = outer_;
    if (!outer_) XSetErrorHandler(g_previous);
}

int X11ErrorTrap::Sync() {
    XSync(display_, False);
    int error = error_;
    error_ = 0;
    return error;
}

int X11ErrorTrap::Handle(Display* display, XErrorEvent* error) {
    for (X11ErrorTrap* trap = g_innermost; trap; trap = trap->outer_) {
        if (trap->display_ != display) continue;
        if (!trap->error_) trap->error_ = error->error_code;
        return 0;
    }
    return g_previous ? g_previous(display, error) : 0;
}

}  // namespace tesra::platform
