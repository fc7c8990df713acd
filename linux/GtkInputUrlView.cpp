#include "linux/GtkInputUrlView.h"

#include "linux/GtkApp.h"
#include "linux/GtkDialogStyle.h"

namespace tesra::platform {

GtkInputUrlView::GtkInputUrlView(const HandlerGuard& guard)
    : guard_(guard),
      window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)),
      cbUrl_(gtk_combo_box_text_new_with_entry()),
      edit_(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(cbUrl_)))),
      fixed_(gtk_fixed_new()),
      loop_(g_main_loop_new(nullptr, FALSE)) {
    const InputUrlLayout& form = kInputUrlLayout;
    GtkWindow* window = GTK_WINDOW(window_);
    gtk_window_set_title(window, form.caption);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_widget_set_size_request(fixed_, form.width, form.height);

    Put(gtk_label_new(form.addressLabel.text), form.addressLabel);
    Put(cbUrl_, form.urlBox);
    btnOk_ = AddButton(form.ok);
    btnCancel_ = AddButton(form.cancel);
    btnClear_ = AddButton(form.clear);
    btnClearCache_ = AddButton(form.clearCache);
    gtk_container_add(GTK_CONTAINER(window_), fixed_);
    ApplyFormFont(window_);

    g_signal_connect(edit_, "activate", G_CALLBACK(&GtkInputUrlView::OnEnter), this);
    g_signal_connect(window_, "notify::is-active", G_CALLBACK(&GtkInputUrlView::OnActiveChanged), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(&GtkInputUrlView::OnKey), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(&GtkInputUrlView::OnClose), this);
}

GtkInputUrlView::~GtkInputUrlView() {
    gtk_widget_destroy(window_);
    g_main_loop_unref(loop_);
}

void GtkInputUrlView::Put(GtkWidget* widget, const FormControl& place) {
    gtk_widget_set_size_request(widget, place.width, place.height);
    gtk_fixed_put(GTK_FIXED(fixed_), widget, place.left, place.top);
}

GtkWidget* GtkInputUrlView::AddButton(const FormControl& place) {
    GtkWidget* button = gtk_button_new_with_label(place.text);
    Put(button, place);
    g_signal_connect(button, "clicked", G_CALLBACK(&GtkInputUrlView::OnButton), this);
    return button;
}

std::string GtkInputUrlView::UrlText() const { return gtk_entry_get_text(edit_); }

void GtkInputUrlView::SetUrlText(const std::string& text) { gtk_entry_set_text(edit_, text.c_str()); }

std::vector<std::string> GtkInputUrlView::UrlItems() const {
    std::vector<std::string> items;
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(cbUrl_));
    const int column = gtk_combo_box_get_entry_text_column(GTK_COMBO_BOX(cbUrl_));
    GtkTreeIter iter;
    for (bool valid = gtk_tree_model_get_iter_first(model, &iter); valid;
         valid = gtk_tree_model_iter_next(model, &iter)) {
        g_autofree gchar* text = nullptr;
        gtk_tree_model_get(model, &iter, column, &text, -1);
        items.emplace_back(text ? text : "");
    }
    return items;
}

void GtkInputUrlView::AddUrlItem(const std::string& text) {
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(cbUrl_), text.c_str());
}

void GtkInputUrlView::ClearUrlItems() { gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(cbUrl_)); }

void GtkInputUrlView::FocusUrl() { gtk_widget_grab_focus(GTK_WIDGET(edit_)); }

ModalResult GtkInputUrlView::ShowModal(const Handlers& handlers) {
    handlers_ = &handlers;
    result_ = ModalResult::None;
    gtk_widget_show_all(window_);
    gtk_window_present(GTK_WINDOW(window_));
    FocusUrl();
    // The history must be in the list before anything can save it, also where the window manager
    // never activates the window.
    Run(handlers.onActivate);
    if (result_ == ModalResult::None) g_main_loop_run(loop_);
    gtk_widget_hide(window_);
    handlers_ = nullptr;
    return result_;
}

void GtkInputUrlView::Run(const std::function<void()>& handler) {
    if (handler) RunGuarded(guard_, handler);
    if (result_ != ModalResult::None) g_main_loop_quit(loop_);
}

void GtkInputUrlView::End(ModalResult result) {
    result_ = result;
    g_main_loop_quit(loop_);
}

void GtkInputUrlView::OnButton(GtkButton* button, GtkInputUrlView* self) {
    if (!self->handlers_) return;
    GtkWidget* widget = GTK_WIDGET(button);
    if (widget == self->btnOk_) self->Run(self->handlers_->onOk);
    if (widget == self->btnCancel_) self->End(ModalResult::Cancel);
    if (widget == self->btnClear_) self->Run(self->handlers_->onClear);
    if (widget == self->btnClearCache_) self->Run(self->handlers_->onClearCache);
}

void GtkInputUrlView::OnEnter(GtkEntry*, GtkInputUrlView* self) {
    if (self->handlers_) self->Run(self->handlers_->onOk);
}

void GtkInputUrlView::OnActiveChanged(GObject* window, GParamSpec*, GtkInputUrlView* self) {
    if (self->handlers_ && gtk_window_is_active(GTK_WINDOW(window))) self->Run(self->handlers_->onActivate);
}

gboolean GtkInputUrlView::OnKey(GtkWidget*, GdkEventKey* event, GtkInputUrlView* self) {
    if (!CancelsDialog(VirtualKeyFromKeyval(event->keyval)) || !self->handlers_) return FALSE;
    self->End(ModalResult::Cancel);
    return TRUE;
}

gboolean GtkInputUrlView::OnClose(GtkWidget*, GdkEvent*, GtkInputUrlView* self) {
    self->End(ModalResult::Cancel);
    return TRUE;  // hidden by ShowModal, destroyed with the object
}

}  // namespace tesra::platform
