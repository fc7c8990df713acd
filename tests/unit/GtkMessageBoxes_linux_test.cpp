// Runs the GTK message boxes on a private Xvfb and looks at the box while it waits for its answer.
#include "linux/GtkMessageBoxes.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>

#include "PrivateXServer.h"
#include "platform/MessageBox.h"

namespace tesra::platform {
namespace {

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new tesra::testing::GtkOnPrivateXServer);

GtkDialog* OpenBox() {
    GtkDialog* found = nullptr;
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* node = toplevels; node; node = node->next) {
        if (GTK_IS_MESSAGE_DIALOG(node->data) && gtk_widget_get_visible(GTK_WIDGET(node->data)))
            found = GTK_DIALOG(node->data);
    }
    g_list_free(toplevels);
    return found;
}

void FindIcon(GtkWidget* widget, std::string* name) {
    if (GTK_IS_IMAGE(widget) && gtk_widget_get_visible(widget)) {
        const gchar* iconName = nullptr;
        gtk_image_get_icon_name(GTK_IMAGE(widget), &iconName, nullptr);
        if (iconName) *name = iconName;
    }
    if (GTK_IS_CONTAINER(widget)) {
        gtk_container_foreach(
            GTK_CONTAINER(widget),
            [](GtkWidget* child, gpointer data) { FindIcon(child, static_cast<std::string*>(data)); }, name);
    }
}

struct Seen {
    std::string title;
    std::string icon;
    int answer = GTK_RESPONSE_OK;
};

// Reads the open box, then answers it.
gboolean LookAndAnswer(gpointer data) {
    auto* seen = static_cast<Seen*>(data);
    GtkDialog* box = OpenBox();
    if (!box) return G_SOURCE_CONTINUE;
    seen->title = gtk_window_get_title(GTK_WINDOW(box));
    FindIcon(GTK_WIDGET(box), &seen->icon);
    gtk_dialog_response(box, seen->answer);
    return G_SOURCE_REMOVE;
}

TEST(GtkMessageBoxes, ShowsTheKindsIconAndAnswers) {
    struct Case {
        const char* name;
        unsigned flags;
        int answer;
        const char* icon;
        int result;
    } cases[] = {
        {"error", MB_ICONSTOP, GTK_RESPONSE_OK, "dialog-error", IDOK},
        {"information", MB_ICONINFORMATION, GTK_RESPONSE_OK, "dialog-information", IDOK},
        {"warning", MB_ICONWARNING, GTK_RESPONSE_OK, "dialog-warning", IDOK},
        {"question cancelled", MB_ICONQUESTION | MB_OKCANCEL, GTK_RESPONSE_CANCEL, "dialog-question", IDCANCEL},
        {"error confirmed", MB_ICONSTOP | MB_OKCANCEL, GTK_RESPONSE_OK, "dialog-error", IDOK},
        {"no icon asked", MB_OK, GTK_RESPONSE_OK, "", IDOK},
        {"only OK, closed by the window", MB_ICONSTOP, GTK_RESPONSE_DELETE_EVENT, "dialog-error", IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Seen seen;
        seen.answer = c.answer;
        g_timeout_add(20, LookAndAnswer, &seen);
        GtkMessageBoxes boxes;
        int result = boxes.Show("菜单项“邮件”没有配置命令行", "蓝岸浏览器", c.flags);
        EXPECT_EQ(seen.title, "蓝岸浏览器");
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(result, c.result);
    }
}

}  // namespace
}  // namespace tesra::platform
