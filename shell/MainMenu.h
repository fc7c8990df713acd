#pragma once
// The configured main menu: menu groups and their items from the menu file's "MainMenu" section,
// added to the tray icon's popup menu, and the click of a configured item.

#include <functional>
#include <string>
#include <vector>

#include "platform/PopupMenu.h"

namespace tesra {

class TIniFile;

// Splits a comma list: entries end at a comma or at a character of code 32 or less; an entry that
// starts with a double quote runs to the closing quote, two quotes inside standing for one; blanks
// between entries are skipped; a comma as the very last character adds a final empty entry.
std::vector<std::string> SplitCommaList(const std::string& text);

// Adds a group item for every key of "MainMenu" at position i + 2 of the menu (i counts the keys
// from 0), each holding the leaves of its comma list; the leaves' clicks run onClick.
void BuildTrayMenu(platform::MenuItem& menu, const TIniFile& menuIni, const platform::MenuItem::ClickHandler& onClick);

// A leaf: the trimmed caption, a separator for "-", otherwise onClick as click handler.
platform::MenuItem& CreateMenuItem(platform::MenuItem& group, const std::string& caption,
                                   const platform::MenuItem::ClickHandler& onClick);

// What the click of a configured item needs from the main window.
struct MenuClickContext {
    std::function<bool()> isMainWindowVisible;
    // Shows the main window, brings it to the front and lets pending messages run.
    std::function<void()> showMainWindow;
    // A top-level document has completed at least once.
    std::function<bool()> documentCompleted;
    // The address of this run; a command line of the same origin is navigated to.
    std::string startAddress;
    std::function<void(const std::string& address)> navigate;
    // The error box of a click that cannot go on.
    std::function<void(const std::string& text)> showError;
};

// The click of a configured item: shows a hidden main window, then checks the item's command line
// ("Menus" section) and that the first page has completed; either failure shows an error box and
// ends the click with SilentAbort. A command line that is an address of the web application's own
// origin is then navigated to; any other does nothing.
void MenuItemClick(const std::string& caption, const TIniFile& menuIni, const MenuClickContext& context);

}  // namespace tesra
