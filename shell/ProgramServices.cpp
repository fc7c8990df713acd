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

std::map<std::string, bridge::RequestHandler> ProgramServices::Handlers() { return bridge::RequestHandlers(*this); }

bridge::Text ProgramServices::Serve(decltype(bridge::kHello), const bridge::ProcessId& process) {
    std::fprintf(stderr, "TesraBrowser: page bridge connected from web process %llu\n",
                 static_cast<unsigned long long>(process.value));
    return {start_address_()};
}

bridge::None ProgramServices::Serve(decltype(bridge::kShowNewMessageHint), const bridge::Number& count) {
    OpenMainWindow().ShowNewMessageHint(count.value);
    return {};
}

bridge::None ProgramServices::Serve(decltype(bridge::kClose), const bridge::None&) {
    app_.SetTitle("");
    app_.Terminate();
    return {};
}

bridge::Text ProgramServices::Serve(decltype(bridge::kGetCaptureImage), const bridge::Number& mode) {
    return {CaptureImageBase64(capture_, mode.value)};
}

bridge::Flag ProgramServices::Serve(decltype(bridge::kRegisterHotKey), const bridge::HotKeyRegistration& key) {
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

bridge::None ProgramServices::Serve(decltype(bridge::kRefresh), const bridge::None&) {
    OpenMainWindow().RefreshPage();
    return {};
}

bridge::Text ProgramServices::Serve(decltype(bridge::kVersionInfo), const bridge::None&) {
    return {GetVersionText(environment_.ProgramImage())};
}

bridge::Text ProgramServices::Serve(decltype(bridge::kInstalledSoft), const bridge::None&) {
    return {ReadInstalledSoft(registry_)};
}

bridge::None ProgramServices::Serve(decltype(bridge::kObjectCreated), const bridge::None&) {
    ++objects_;
    return {};
}

bridge::None ProgramServices::Serve(decltype(bridge::kObjectReleased), const bridge::None&) {
    if (objects_ > 0) --objects_;
    if (automation_ && objects_ == 0) app_.Terminate();
    return {};
}

}  // namespace tesra
