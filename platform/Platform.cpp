#include <stdexcept>

#include "platform/Application.h"
#include "platform/Browser.h"
#include "platform/Environment.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/Screen.h"
#include "platform/Timer.h"

namespace tesra::platform {
namespace {

template <typename T>
T& Checked(T* instance, const char* what) {
    if (!instance) throw std::logic_error(std::string("platform service not set: ") + what);
    return *instance;
}

Environment* g_environment = nullptr;
Application* g_app = nullptr;
MessageBoxes* g_boxes = nullptr;
WindowSystem* g_windows = nullptr;
Screen* g_screen = nullptr;
Registry* g_registry = nullptr;
std::function<std::unique_ptr<Timer>()> g_timer_factory;

}  // namespace

Environment& Env() { return Checked(g_environment, "environment"); }
void SetEnvironment(Environment* environment) { g_environment = environment; }
Application& App() { return Checked(g_app, "application"); }
void SetApp(Application* application) { g_app = application; }
MessageBoxes& Boxes() { return Checked(g_boxes, "message boxes"); }
void SetBoxes(MessageBoxes* boxes) { g_boxes = boxes; }
WindowSystem& Windows() { return Checked(g_windows, "window system"); }
void SetWindows(WindowSystem* windows) { g_windows = windows; }
Screen& TheScreen() { return Checked(g_screen, "screen"); }
void SetScreen(Screen* screen) { g_screen = screen; }
Registry& Reg() { return Checked(g_registry, "registry"); }
void SetRegistry(Registry* registry) { g_registry = registry; }

std::unique_ptr<Timer> MakeTimer() {
    if (!g_timer_factory) throw std::logic_error("platform service not set: timer");
    return g_timer_factory();
}
void SetTimerFactory(std::function<std::unique_ptr<Timer>()> factory) { g_timer_factory = std::move(factory); }

}  // namespace tesra::platform

#include "platform/NetworkIdentity.h"

namespace tesra::platform {
namespace {
NetworkIdentity* g_network = nullptr;
}
NetworkIdentity& Network() { return Checked(g_network, "network identity"); }
void SetNetwork(NetworkIdentity* network) { g_network = network; }
}  // namespace tesra::platform

#include "platform/SystemInfo.h"

namespace tesra::platform {
namespace {
SystemInformation* g_system_information = nullptr;
}
SystemInformation& SystemInfo() { return Checked(g_system_information, "system information"); }
void SetSystemInformation(SystemInformation* information) { g_system_information = information; }
}  // namespace tesra::platform
