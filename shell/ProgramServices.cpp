#include "shell/ProgramServices.h"

#include "platform/Application.h"
#include "platform/Exception.h"
#include "services/CaptureScreen.h"
#include "services/CustomerInfo.h"
#include "setup/tsVersionInfo.h"
#include "shell/fuMain.h"

namespace tesra {
namespace {

TfmMain& MainWindow() {
    TfmMain* main = TfmMain::Instance();
    if (!main) throw Exception("主窗口还没有创建");
    return *main;
}

}  // namespace

void ProgramServices::ShowNewMessageHint(std::int32_t count) { MainWindow().ShowNewMessageHint(count); }

void ProgramServices::Close() {
    app_.SetTitle("");
    app_.Terminate();
}

std::string ProgramServices::GetCaptureImage(std::int32_t mode) { return CaptureImageBase64(mode); }

bool ProgramServices::RegisterHotKey(std::int32_t id, std::int32_t modifier, std::int32_t vk, FacadeRef facade) {
    return MainWindow().HotKeys().RegisterHotKey(
        id, static_cast<unsigned>(modifier), static_cast<unsigned>(vk), [facade](int pressed) {
            // A facade that no longer answers goes to the general error handling.
            if (TfmMain* main = TfmMain::Instance()) {
                main->wbMain().Page().HotKey(facade.id, pressed, [](const std::string& error) {
                    if (!error.empty()) throw Exception(error, "EOleException");
                });
            }
        });
}

void ProgramServices::Refresh() { MainWindow().RefreshPage(); }

std::string ProgramServices::VersionInfo() { return GetVersionText(); }

std::string ProgramServices::InstalledSoft() { return ReadInstalledSoft(registry_); }

void ProgramServices::ObjectReleased() {
    if (objects_ > 0) --objects_;
    if (automation_ && objects_ == 0) app_.Terminate();
}

}  // namespace tesra
