#pragma once
// The installer's progress form on GTK.

#include <gtk/gtk.h>

#include "platform/InstallForm.h"

namespace tesra::platform {

class GtkInstallForm final : public InstallForm {
public:
    GtkInstallForm();
    ~GtkInstallForm() override;
    GtkInstallForm(const GtkInstallForm&) = delete;
    GtkInstallForm& operator=(const GtkInstallForm&) = delete;

    void Show() override;
    void SetStatus(const std::string& text) override;

private:
    // Runs the program's events until the form has been drawn (at most a moment).
    void PaintNow();

    GtkWidget* window_;
    GtkWidget* lbStatus_;
};

}  // namespace tesra::platform
