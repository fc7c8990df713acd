#pragma once
// A popup menu published on D-Bus as com.canonical.dbusmenu, for tray hosts that draw the menu of a
// StatusNotifierItem themselves. Changes of the menu go out as ItemsPropertiesUpdated (an item's
// caption, tick or enabled state) and LayoutUpdated (new items); a "clicked" event runs the item's
// handler from the main loop, after the call has been answered.

#include <gio/gio.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/HandlerGuard.h"
#include "platform/PopupMenu.h"

namespace tesra::platform {

// Stable item ids of one menu: the root is 0, the others are numbered as they are first seen.
class MenuIds {
public:
    explicit MenuIds(MenuItem& root);
    int IdOf(const MenuItem& item);
    // Null for an id that names no item seen so far.
    MenuItem* ItemOf(int id) const;

private:
    std::map<const MenuItem*, int> ids_;
    std::map<int, MenuItem*> items_;
    int next_ = 1;
};

// The dbusmenu properties of an item (a{sv}): type, label (underscores doubled, as a single one would
// mark an access key), enabled, toggle-type and toggle-state, children-display.
GVariant* MenuItemProperties(const MenuItem& item);
// The layout (ia{sv}av) of an item with its children down to depth levels (-1: all).
GVariant* MenuLayout(MenuItem& item, MenuIds& ids, int depth);

class DbusMenu {
public:
    // Publishes the menu at the path; Exported tells whether that worked. Clicks run through the guard.
    DbusMenu(const HandlerGuard& guard, GDBusConnection* connection, const std::string& path, PopupMenu& menu);
    ~DbusMenu();
    DbusMenu(const DbusMenu&) = delete;
    DbusMenu& operator=(const DbusMenu&) = delete;

    bool Exported() const { return registration_ != 0; }
    const std::string& Path() const { return path_; }

private:
    static void OnMethodCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                             GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self);
    static GVariant* OnGetProperty(GDBusConnection*, const char*, const char*, const char*, const char* property,
                                   GError**, gpointer self);
    GVariant* GroupProperties(GVariant* ids);
    bool Event(int id, const char* event);
    void Changed(const MenuItem& item, MenuChange change);
    static gboolean Flush(gpointer self);
    static gboolean RunClicks(gpointer self);

    const HandlerGuard& guard_;
    GDBusConnection* connection_;  // owned by the caller, who outlives the menu
    std::string path_;
    PopupMenu& menu_;
    MenuIds ids_;
    unsigned registration_ = 0;
    unsigned revision_ = 1;
    unsigned flush_ = 0;   // idle source that sends the gathered changes
    unsigned clicks_ = 0;  // idle source that runs clicked items
    bool layout_changed_ = false;
    std::set<int> changed_items_;
    std::vector<int> clicked_;
};

}  // namespace tesra::platform
