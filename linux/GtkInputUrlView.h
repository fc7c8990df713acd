#pragma once
// The address dialog's window on GTK: a dialog window with a fixed layout, run in a nested main loop.

#include <gtk/gtk.h>

#include "platform/HandlerGuard.h"
#include "platform/InputUrlView.h"
#include "support/FormLayout.h"

namespace tesra::platform {

class GtkInputUrlView final : public InputUrlView {
public:
    // What the user does runs through the guard.
    explicit GtkInputUrlView(const HandlerGuard& guard);
    ~GtkInputUrlView() override;
    GtkInputUrlView(const GtkInputUrlView&) = delete;
    GtkInputUrlView& operator=(const GtkInputUrlView&) = delete;

    std::string UrlText() const override;
    void SetUrlText(const std::string& text) override;
    std::vector<std::string> UrlItems() const override;
    void AddUrlItem(const std::string& text) override;
    void ClearUrlItems() override;
    void FocusUrl() override;
    void SetModalResult(ModalResult result) override { result_ = result; }
    ModalResult ShowModal(const Handlers& handlers) override;

private:
    static void OnButton(GtkButton* button, GtkInputUrlView* self);
    static void OnEnter(GtkEntry* entry, GtkInputUrlView* self);
    static void OnActiveChanged(GObject* window, GParamSpec* property, GtkInputUrlView* self);
    static gboolean OnKey(GtkWidget* window, GdkEventKey* event, GtkInputUrlView* self);
    static gboolean OnClose(GtkWidget* window, GdkEvent* event, GtkInputUrlView* self);

    void Put(GtkWidget* widget, const FormControl& place);
    GtkWidget* AddButton(const FormControl& place);
    // Runs a handler and ends the modal run when it set a result.
    void Run(const std::function<void()>& handler);
    void End(ModalResult result);

    const HandlerGuard& guard_;
    GtkWidget* window_;
    GtkWidget* cbUrl_;
    GtkEntry* edit_;
    GtkWidget* fixed_;
    GtkWidget* btnOk_ = nullptr;
    GtkWidget* btnCancel_ = nullptr;
    GtkWidget* btnClear_ = nullptr;
    GtkWidget* btnClearCache_ = nullptr;
    GMainLoop* loop_;
    const Handlers* handlers_ = nullptr;
    ModalResult result_ = ModalResult::None;
};

}  // namespace tesra::platform
