#include "shell/MainMenu.h"

#include <algorithm>

#include "platform/Exception.h"
#include "support/Format.h"
#include "support/IniFile.h"
#include "support/Origin.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

bool IsBlank(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

std::size_t SkipBlanks(const std::string& text, std::size_t i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i;
}

// A quoted entry starting at the quote at i; i moves past the closing quote. A quote left open
// runs to the end of the text.
std::string QuotedEntry(const std::string& text, std::size_t& i) {
    std::string entry;
    for (++i; i < text.size(); ++i) {
        if (text[i] != '"') {
            entry += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
            entry += '"';
            ++i;
        } else {
            ++i;
            break;
        }
    }
    return entry;
}

std::string PlainEntry(const std::string& text, std::size_t& i) {
    const std::size_t start = i;
    while (i < text.size() && static_cast<unsigned char>(text[i]) > 32 && text[i] != ',') ++i;
    return text.substr(start, i - start);
}

// The click's error box, then the end of the click without another message.
[[noreturn]] void Abort(const MenuClickContext& context, const std::string& text) {
    context.showError(text);
    throw SilentAbort();
}

}  // namespace

std::vector<std::string> SplitCommaList(const std::string& text) {
    std::vector<std::string> entries;
    // A zero character ends the list, as it ends the platform's text.
    const std::size_t end = std::min(text.find('\0'), text.size());
    const std::string list = text.substr(0, end);
    std::size_t i = SkipBlanks(list, 0);
    while (i < list.size()) {
        entries.push_back(list[i] == '"' ? QuotedEntry(list, i) : PlainEntry(list, i));
        i = SkipBlanks(list, i);
        if (i < list.size() && list[i] == ',') {
            if (i + 1 == list.size()) entries.emplace_back();
            i = SkipBlanks(list, i + 1);
        }
    }
    return entries;
}

platform::MenuItem& CreateMenuItem(platform::MenuItem& group, const std::string& caption,
                                   const platform::MenuItem::ClickHandler& onClick) {
    platform::MenuItem& item = group.Add(TrimBlanks(caption));
    if (!item.IsSeparator()) item.SetOnClick(onClick);
    return item;
}

void BuildTrayMenu(platform::MenuItem& menu, const TIniFile& menuIni, const platform::MenuItem::ClickHandler& onClick) {
    const std::vector<std::string> keys = menuIni.ReadSection("MainMenu");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string caption = TrimBlanks(keys[i]);
        // A menu shorter than the designed one takes the groups at its end.
        platform::MenuItem& group = menu.Insert(std::min(static_cast<int>(i) + 2, menu.Count()), caption);
        for (const std::string& entry : SplitCommaList(menuIni.ReadString("MainMenu", caption, ""))) {
            CreateMenuItem(group, entry, onClick);
        }
    }
}

void MenuItemClick(const std::string& caption, const TIniFile& menuIni, const MenuClickContext& context) {
    if (!context.isMainWindowVisible()) context.showMainWindow();
    const std::string command = TrimBlanks(menuIni.ReadString("Menus", caption, ""));
    if (command.empty()) Abort(context, Format("菜单项“%s”没有配置命令行", {caption}));
    if (!context.documentCompleted()) Abort(context, "浏览还没完成，请稍等");
    if (IsSameOrigin(command, context.startAddress)) context.navigate(command);
}

}  // namespace tesra
