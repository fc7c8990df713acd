#pragma once
// The program's side of the scripting object: what each member does, on the one main window,
// whichever page holds the object, and the other requests of the web processes.

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "platform/Application.h"
#include "platform/Environment.h"
#include "platform/Registry.h"
#include "services/BridgeProtocol.h"
#include "services/CaptureScreen.h"

namespace tesra {

class TfmMain;

class ProgramServices final {
public:
    // The main window while it is open (null before and after).
    using MainWindow = std::function<TfmMain*()>;
    // automation: the program was started by the component system and ends when the last object
    // handed out is released. startAddress: the web application's start address, asked when a web
    // process says hello (it is decided after the requests are served).
    // The application, the registry, the environment and the capture outlive the services.
    ProgramServices(bool automation, platform::Application& app, platform::Registry& registry,
                    platform::Environment& environment, TScreenCapture& capture, MainWindow mainWindow,
                    std::function<std::string()> startAddress)
        : automation_(automation),
          app_(app),
          registry_(registry),
          environment_(environment),
          capture_(capture),
          main_window_(std::move(mainWindow)),
          start_address_(std::move(startAddress)) {}

    // The handlers of every request, by name.
    std::map<std::string, bridge::RequestHandler> Handlers();

    // One handler for each request.
    bridge::Text Serve(decltype(bridge::kHello), const bridge::ProcessId& process);
    bridge::None Serve(decltype(bridge::kShowNewMessageHint), const bridge::Number& count);
    bridge::None Serve(decltype(bridge::kClose), const bridge::None&);
    bridge::Text Serve(decltype(bridge::kGetCaptureImage), const bridge::Number& mode);
    bridge::Flag Serve(decltype(bridge::kRegisterHotKey), const bridge::HotKeyRegistration& key);
    bridge::None Serve(decltype(bridge::kRefresh), const bridge::None&);
    bridge::Text Serve(decltype(bridge::kVersionInfo), const bridge::None&);
    bridge::Text Serve(decltype(bridge::kInstalledSoft), const bridge::None&);
    bridge::None Serve(decltype(bridge::kObjectCreated), const bridge::None&);
    bridge::None Serve(decltype(bridge::kObjectReleased), const bridge::None&);

private:
    TfmMain& OpenMainWindow() const;

    bool automation_;
    platform::Application& app_;
    platform::Registry& registry_;
    platform::Environment& environment_;
    TScreenCapture& capture_;
    MainWindow main_window_;
    std::function<std::string()> start_address_;
    int objects_ = 0;
};

}  // namespace tesra
