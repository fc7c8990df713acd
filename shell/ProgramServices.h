#pragma once
// The program's side of the scripting object: what each member does, on the one main window,
// whichever page holds the object, and the other requests of the web processes.

#include <functional>
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

    // Answers the request of that name (bridge::ServeRequest).
    GVariant* Answer(const std::string& name, GVariant* payload);

    // One handler for each request.
    bridge::Text Serve(bridge::RequestNamed<"Bridge.Hello">, const bridge::ProcessId& process);
    bridge::None Serve(bridge::RequestNamed<"Service.ShowNewMessageHint">, const bridge::Number& count);
    bridge::None Serve(bridge::RequestNamed<"Service.Close">, const bridge::None&);
    bridge::Text Serve(bridge::RequestNamed<"Service.GetCaptureImage">, const bridge::Number& mode);
    bridge::Flag Serve(bridge::RequestNamed<"Service.RegisterHotKey">, const bridge::HotKeyRegistration& key);
    bridge::None Serve(bridge::RequestNamed<"Service.Refresh">, const bridge::None&);
    bridge::Text Serve(bridge::RequestNamed<"Service.VersionInfo">, const bridge::None&);
    bridge::Text Serve(bridge::RequestNamed<"Service.InstalledSoft">, const bridge::None&);
    bridge::None Serve(bridge::RequestNamed<"Service.ObjectCreated">, const bridge::None&);
    bridge::None Serve(bridge::RequestNamed<"Service.ObjectReleased">, const bridge::None&);

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
