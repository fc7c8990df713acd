#pragma once
// The program's side of the scripting object: what each member does, on the one main window,
// whichever page holds the object.

#include <functional>

#include "platform/Application.h"
#include "platform/Registry.h"
#include "services/CaptureScreen.h"
#include "services/TesraMessageImpl.h"

namespace tesra {

class TfmMain;

class ProgramServices final : public ServiceChannel {
public:
    // automation: the program was started by the component system and ends when the last object
    // handed out is released.
    // The main window while it is open (null before and after); the application, the registry and the
    // capture outlive the services.
    using MainWindow = std::function<TfmMain*()>;
    ProgramServices(bool automation, platform::Application& app, platform::Registry& registry, TScreenCapture& capture,
                    MainWindow mainWindow)
        : automation_(automation),
          app_(app),
          registry_(registry),
          capture_(capture),
          main_window_(std::move(mainWindow)) {}

    void ShowNewMessageHint(std::int32_t count) override;
    void Close() override;
    std::string GetCaptureImage(std::int32_t mode) override;
    bool RegisterHotKey(std::int32_t id, std::int32_t modifier, std::int32_t vk, FacadeRef facade) override;
    void Refresh() override;
    std::string VersionInfo() override;
    std::string InstalledSoft() override;

    void ObjectCreated() { ++objects_; }
    void ObjectReleased();

private:
    TfmMain& OpenMainWindow() const;

    bool automation_;
    platform::Application& app_;
    platform::Registry& registry_;
    TScreenCapture& capture_;
    MainWindow main_window_;
    int objects_ = 0;
};

}  // namespace tesra
