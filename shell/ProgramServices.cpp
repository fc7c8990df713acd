#include "shell/ProgramServices.h"

#include <cstdio>

#include "platform/Application.h"
#include "platform/Exception.h"
#include "services/CaptureScreen.h"
#include "services/CustomerInfo.h"
#include "setup/tsVersionInfo.h"
#include "shell/fuMain.h"

namespace tesra {

TfmMain& ProgramServices::OpenMainWindow() const {
    TfmMain* main = main_window_ ? main_window_() : nullptr;
    if (!main) throw Exception("主窗口还没有创建");
    return *main;
}

GVariant* ProgramServices::Answer(const std::string& name, GVariant* payload) {
    return bridge::ServeRequest(*this, name, payload);
}

bridge::Text ProgramServices::Serve(bridge::RequestNamed<"Bridge.Hello">, const bridge::ProcessId& process) {
    std::fprintf(stderr, "TesraBrowser: page bridge connected from web process %llu\n",
                 static_cast<unsigned long long>(process.value));
    return {start_address_()};
}

bridge::None ProgramServices::Serve(bridge::RequestNamed<"Service.ShowNewMessageHint">, const bridge::Number& count) {
    OpenMainWindow().ShowNewMessageHint(count.value);
    return {};
}

bridge::None ProgramServices::Serve(bridge::RequestNamed<"Service.Close">, const bridge::None&) {
    app_.SetTitle("");
    app_.Terminate();
    return {};
}

bridge::Text ProgramServices::Serve(bridge::RequestNamed<"Service.GetCaptureImage">, const bridge::Number& mode) {
    return {CaptureImageBase64(capture_, mode.value)};
}

bridge::Flag ProgramServices::Serve(bridge::RequestNamed<"Service.RegisterHotKey">,
                                    const bridge::HotKeyRegistration& key) {
    return {OpenMainWindow().HotKeys().RegisterHotKey(
        key.id, static_cast<unsigned>(key.modifier), static_cast<unsigned>(key.vk),
        [this, facade = key.facade](int pressed) {
            // A facade that no longer answers goes to the general error handling.
            if (TfmMain* main = main_window_()) {
                main->wbMain().Page().HotKey(facade, pressed, [](const std::string& error) {
                    if (!error.empty()) throw Exception(error, "EOleException");
                });
            }
        })};
}

bridge::None ProgramServices::Serve(bridge::RequestNamed<"Service.Refresh">, const bridge::None&) {
    OpenMainWindow().RefreshPage();
    return {};
}

bridge::Text ProgramServices::Serve(bridge::RequestNamed<"Service.VersionInfo">, const bridge::None&) {
    return {GetVersionText(environment_)};
}

bridge::Text ProgramServices::Serve(bridge::RequestNamed<"Service.InstalledSoft">, const bridge::None&) {
    return {ReadInstalledSoft(registry_)};
}

bridge::None ProgramServices::Serve(bridge::RequestNamed<"Service.ObjectCreated">, const bridge::None&) {
    ++objects_;
    return {};
}

bridge::None ProgramServices::Serve(bridge::RequestNamed<"Service.ObjectReleased">, const bridge::None&) {
    if (objects_ > 0) --objects_;
    if (automation_ && objects_ == 0) app_.Terminate();
    return {};
}

}  // namespace tesra
