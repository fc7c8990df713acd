#include "linux/DbusMenu.h"

#include <vector>

namespace tesra::platform {
namespace {

constexpr const char* kInterface = "com.canonical.dbusmenu";

constexpr const char* kIntrospection = R"xml(<node>
  <interface name="com.canonical.dbusmenu">
    <property name="Version" type="u" access="read"/>
    <property name="TextDirection" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="IconThemePath" type="as" access="read"/>
    <method name="GetLayout">
      <arg type="i" name="parentId" direction="in"/>
      <arg type="i" name="recursionDepth" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="u" name="revision" direction="out"/>
      <arg type="(ia{sv}av)" name="layout" direction="out"/>
    </method>
    <method name="GetGroupProperties">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="a(ia{sv})" name="properties" direction="out"/>
    </method>
    <method name="GetProperty">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="name" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <method name="Event">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="eventId" direction="in"/>
      <arg type="v" name="data" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
    <method name="EventGroup">
      <arg type="a(isvu)" name="events" direction="in"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <method name="AboutToShow">
      <arg type="i" name="id" direction="in"/>
      <arg type="b" name="needUpdate" direction="out"/>
    </method>
    <method name="AboutToShowGroup">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="ai" name="updatesNeeded" direction="out"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <signal name="ItemsPropertiesUpdated">
      <arg type="a(ia{sv})" name="updatedProps"/>
      <arg type="a(ias)" name="removedProps"/>
    </signal>
    <signal name="LayoutUpdated">
      <arg type="u" name="revision"/>
      <arg type="i" name="parent"/>
    </signal>
    <signal name="ItemActivationRequested">
      <arg type="i" name="id"/>
      <arg type="u" name="timestamp"/>
    </signal>
  </interface>
</node>)xml";

std::string EscapeLabel(const std::string& caption) {
    std::string label;
    for (char c : caption) {
        label += c;
        if (c == '_') label += '_';
    }
    return label;
}

void AddLayout(GVariantBuilder* children, MenuItem& item, MenuIds& ids, int depth) {
    g_variant_builder_add(children, "v", MenuLayout(item, ids, depth));
}

void CollectIds(MenuItem& item, MenuIds& ids, std::vector<int>& out) {
    out.push_back(ids.IdOf(item));
    for (int i = 0; i < item.Count(); ++i) CollectIds(item.Item(i), ids, out);
}

}  // namespace

MenuIds::MenuIds(MenuItem& root) {
    ids_[&root] = 0;
    items_[0] = &root;
}

int MenuIds::IdOf(const MenuItem& item) {
    const auto [it, added] = ids_.emplace(&item, next_);
    if (added) items_[next_++] = const_cast<MenuItem*>(&item);
    return it->second;
}

MenuItem* MenuIds::ItemOf(int id) const {
    const auto found = items_.find(id);
    return found == items_.end() ? nullptr : found->second;
}

GVariant* MenuItemProperties(const MenuItem& item) {
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    if (item.IsSeparator()) {
        g_variant_builder_add(&properties, "{sv}", "type", g_variant_new_string("separator"));
        return g_variant_builder_end(&properties);
    }
    g_variant_builder_add(&properties, "{sv}", "label", g_variant_new_string(EscapeLabel(item.Caption()).c_str()));
    g_variant_builder_add(&properties, "{sv}", "enabled", g_variant_new_boolean(item.Enabled()));
    if (item.Toggle() == MenuToggle::CheckMark || item.Checked()) {
        g_variant_builder_add(&properties, "{sv}", "toggle-type", g_variant_new_string("checkmark"));
        g_variant_builder_add(&properties, "{sv}", "toggle-state", g_variant_new_int32(item.Checked() ? 1 : 0));
    }
    if (item.Count() > 0) {
        g_variant_builder_add(&properties, "{sv}", "children-display", g_variant_new_string("submenu"));
    }
    return g_variant_builder_end(&properties);
}

GVariant* MenuLayout(MenuItem& item, MenuIds& ids, int depth) {
    const int id = ids.IdOf(item);  // numbered before the children, in menu order
    GVariantBuilder children;
    g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
    if (depth != 0) {
        for (int i = 0; i < item.Count(); ++i) AddLayout(&children, item.Item(i), ids, depth < 0 ? depth : depth - 1);
    }
    // The root's own properties say only that it holds a submenu.
    GVariant* properties =
        id == 0 ? g_variant_new_parsed("{'children-display': <'submenu'>}") : MenuItemProperties(item);
    return g_variant_new("(i@a{sv}av)", id, properties, &children);
}

DbusMenu::DbusMenu(const HandlerGuard& guard, GDBusConnection* connection, const std::string& path, PopupMenu& menu)
    : guard_(guard), connection_(connection), path_(path), menu_(menu), ids_(menu.Items()) {
    static const GDBusInterfaceVTable vtable = {OnMethodCall, OnGetProperty, nullptr, {}};
    g_autoptr(GDBusNodeInfo) node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    registration_ = g_dbus_connection_register_object(connection_, path_.c_str(), node->interfaces[0], &vtable, this,
                                                      nullptr, nullptr);
    menu_.Items().SetOnChange([this](const MenuItem& item, MenuChange change) { Changed(item, change); });
}

DbusMenu::~DbusMenu() {
    menu_.Items().SetOnChange(nullptr);
    if (flush_ != 0) g_source_remove(flush_);
    if (clicks_ != 0) g_source_remove(clicks_);
    if (registration_ != 0) g_dbus_connection_unregister_object(connection_, registration_);
}

void DbusMenu::OnMethodCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                            GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<DbusMenu*>(data);
    const std::string name = method;
    if (name == "GetLayout") {
        gint32 parent = 0;
        gint32 depth = -1;
        g_autoptr(GVariant) names = nullptr;
        g_variant_get(parameters, "(ii@as)", &parent, &depth, &names);
        MenuItem* item = self->ids_.ItemOf(parent);
        if (!item) {
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS, "no item %d",
                                                  parent);
            return;
        }
        GVariant* layout = MenuLayout(*item, self->ids_, depth);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u@(ia{sv}av))", self->revision_, layout));
    } else if (name == "GetGroupProperties") {
        g_autoptr(GVariant) ids = g_variant_get_child_value(parameters, 0);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(@a(ia{sv}))", self->GroupProperties(ids)));
    } else if (name == "GetProperty") {
        gint32 id = 0;
        const char* property = nullptr;
        g_variant_get(parameters, "(i&s)", &id, &property);
        MenuItem* item = self->ids_.ItemOf(id);
        g_autoptr(GVariant) properties = item ? g_variant_ref_sink(MenuItemProperties(*item)) : nullptr;
        g_autoptr(GVariant) value = properties ? g_variant_lookup_value(properties, property, nullptr) : nullptr;
        if (!value) {
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                                  "no property %s of %d", property, id);
            return;
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
    } else if (name == "Event") {
        gint32 id = 0;
        const char* event = nullptr;
        g_autoptr(GVariant) eventData = nullptr;
        guint32 timestamp = 0;
        g_variant_get(parameters, "(i&svu)", &id, &event, &eventData, &timestamp);
        if (!self->Event(id, event)) {
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS, "no item %d",
                                                  id);
            return;
        }
        g_dbus_method_invocation_return_value(invocation, nullptr);
    } else if (name == "EventGroup") {
        g_autoptr(GVariantIter) events = nullptr;
        g_variant_get(parameters, "(a(isvu))", &events);
        GVariantBuilder errors;
        g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
        gint32 id = 0;
        const char* event = nullptr;
        GVariant* eventData = nullptr;
        guint32 timestamp = 0;
        while (g_variant_iter_loop(events, "(i&svu)", &id, &event, &eventData, &timestamp)) {
            if (!self->Event(id, event)) g_variant_builder_add(&errors, "i", id);
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(ai)", &errors));
    } else if (name == "AboutToShow") {
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", FALSE));
    } else if (name == "AboutToShowGroup") {
        g_dbus_method_invocation_return_value(invocation, g_variant_new_parsed("(@ai [], @ai [])"));
    } else {
        g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD, "%s", method);
    }
}

GVariant* DbusMenu::OnGetProperty(GDBusConnection*, const char*, const char*, const char*, const char* property,
                                  GError** error, gpointer) {
    const std::string name = property;
    if (name == "Version") return g_variant_new_uint32(3);
    if (name == "TextDirection") return g_variant_new_string("ltr");
    if (name == "Status") return g_variant_new_string("normal");
    if (name == "IconThemePath") return g_variant_new_strv(nullptr, 0);
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "%s", property);
    return nullptr;
}

// All items when no id is named.
GVariant* DbusMenu::GroupProperties(GVariant* ids) {
    GVariantBuilder result;
    g_variant_builder_init(&result, G_VARIANT_TYPE("a(ia{sv})"));
    std::vector<int> wanted;
    GVariantIter iter;
    g_variant_iter_init(&iter, ids);
    gint32 id = 0;
    while (g_variant_iter_next(&iter, "i", &id)) wanted.push_back(id);
    if (wanted.empty()) CollectIds(menu_.Items(), ids_, wanted);
    for (int wantedId : wanted) {
        MenuItem* item = ids_.ItemOf(wantedId);
        if (item && wantedId != 0) g_variant_builder_add(&result, "(i@a{sv})", wantedId, MenuItemProperties(*item));
    }
    return g_variant_builder_end(&result);
}

bool DbusMenu::Event(int id, const char* event) {
    if (!ids_.ItemOf(id)) return false;
    if (std::string(event) != "clicked") return true;
    clicked_.push_back(id);
    if (clicks_ == 0) clicks_ = g_idle_add(RunClicks, this);
    return true;
}

gboolean DbusMenu::RunClicks(gpointer data) {
    auto* self = static_cast<DbusMenu*>(data);
    self->clicks_ = 0;
    std::vector<int> clicked;
    clicked.swap(self->clicked_);
    // The handlers may end the program or free this menu: the items are looked up first.
    std::vector<MenuItem*> items;
    for (int id : clicked) {
        if (MenuItem* item = self->ids_.ItemOf(id)) items.push_back(item);
    }
    for (MenuItem* item : items) RunGuarded(self->guard_, [item] { item->Click(); });
    return G_SOURCE_REMOVE;
}

void DbusMenu::Changed(const MenuItem& item, MenuChange change) {
    if (change == MenuChange::Layout) {
        layout_changed_ = true;
    } else {
        changed_items_.insert(ids_.IdOf(item));
    }
    if (flush_ == 0) flush_ = g_idle_add(Flush, this);
}

gboolean DbusMenu::Flush(gpointer data) {
    auto* self = static_cast<DbusMenu*>(data);
    self->flush_ = 0;
    if (self->layout_changed_) {
        self->layout_changed_ = false;
        self->changed_items_.clear();
        ++self->revision_;
        g_dbus_connection_emit_signal(self->connection_, nullptr, self->path_.c_str(), kInterface, "LayoutUpdated",
                                      g_variant_new("(ui)", self->revision_, 0), nullptr);
        return G_SOURCE_REMOVE;
    }
    GVariantBuilder updated;
    g_variant_builder_init(&updated, G_VARIANT_TYPE("a(ia{sv})"));
    for (int id : self->changed_items_) {
        if (MenuItem* item = self->ids_.ItemOf(id))
            g_variant_builder_add(&updated, "(i@a{sv})", id, MenuItemProperties(*item));
    }
    self->changed_items_.clear();
    g_dbus_connection_emit_signal(
        self->connection_, nullptr, self->path_.c_str(), kInterface, "ItemsPropertiesUpdated",
        g_variant_new("(a(ia{sv})@a(ias))", &updated, g_variant_new_array(G_VARIANT_TYPE("(ias)"), nullptr, 0)),
        nullptr);
    return G_SOURCE_REMOVE;
}

}  // namespace tesra::platform
