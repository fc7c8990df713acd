#include "shell/ProgramServices.h"

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

void ProgramServices::ShowNewMessageHint(std::int32_t count) { OpenMainWindow().ShowNewMessageHint(count); }

void ProgramServices::Close() {
    app_.SetTitle("");
    app_.Terminate();
}

std::string ProgramServices::GetCaptureImage(std::int32_t mode) { return CaptureImageBase64(capture_, mode); }

bool ProgramServices::RegisterHotKey(std::int32_t id, std::int32_t modifier, std::int32_t vk, FacadeRef facade) {
    return OpenMainWindow().HotKeys().RegisterHotKey(
        id, static_cast<unsigned>(modifier), static_cast<unsigned>(vk), [this, facade](int pressed) {
            // A facade that no longer answers goes to the general error handling.
            if (TfmMain* main = main_window_()) {
                main->wbMain().Page().HotKey(facade.id, pressed, [](const std::string& error) {
                    if (!error.empty()) throw Exception(error, "EOleException");
                });
            }
        });
}

void ProgramServices::Refresh() { OpenMainWindow().RefreshPage(); }

std::string ProgramServices::VersionInfo() { return GetVersionText(); }

std::string ProgramServices::InstalledSoft() { return ReadInstalledSoft(registry_); }

void ProgramServices::ObjectReleased() {
    if (objects_ > 0) --objects_;
    if (automation_ && objects_ == 0) app_.Terminate();
}

}  // namespace tesra
