#include "shell/ProgramServices.h"

#include "platform/Application.h"
#include "shell/fuMain.h"
#include "support/Exception.h"

namespace tesra {
namespace {

TfmMain& MainWindow() {
    TfmMain* main = TfmMain::Instance();
    if (!main) throw Exception("主窗口还没有创建");
    return *main;
}

}  // namespace

void ProgramServices::ShowNewMessageHint(std::int32_t) {}

void ProgramServices::Close() {
    platform::App().SetTitle("");
    platform::App().Terminate();
}

std::string ProgramServices::GetCaptureImage(std::int32_t) { return {}; }

bool ProgramServices::RegisterHotKey(std::int32_t, std::int32_t, std::int32_t, FacadeRef) { return false; }

void ProgramServices::Refresh() { MainWindow().RefreshPage(); }

std::string ProgramServices::VersionInfo() { return {}; }

std::string ProgramServices::InstalledSoft() { return {}; }

void ProgramServices::ObjectReleased() {
    if (objects_ > 0) --objects_;
    if (automation_ && objects_ == 0) platform::App().Terminate();
}

}  // namespace tesra
