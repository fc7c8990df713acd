#include "shell/fuInputUrl.h"

#include <filesystem>
#include <unordered_set>

#include "platform/Environment.h"
#include "platform/Exception.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "setup/fuInstall.h"
#include "shell/TesraBrowser.h"
#include "support/Address.h"
#include "support/TextCodec.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

namespace fs = std::filesystem;

// Entries compare ignoring letter case.
class SeenEntries {
public:
    // True the first time the text is seen.
    bool Add(const std::string& text) { return seen_.insert(UpperText(text)).second; }

private:
    static std::string UpperText(const std::string& text) {
        std::string upper = text;
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        return upper;
    }
    std::unordered_set<std::string> seen_;
};

}  // namespace

bool NormalizeAddress(std::string& address) {
    const std::optional<std::string> uri = TypedAddressUri(address);
    if (!uri) return false;
    address = *uri;
    return true;
}

std::vector<std::string> ParseHistory(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(GbkToUtf8(bytes.substr(start, end - start)));
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return lines;
}

std::string HistoryBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += Utf8ToGbk(line) + "\r\n";
    return bytes;
}

std::vector<std::string> HistoryItemsToAdd(const std::vector<std::string>& items,
                                           const std::vector<std::string>& lines) {
    SeenEntries seen;
    for (const std::string& item : items) seen.Add(item);
    std::vector<std::string> added;
    for (const std::string& line : lines) {
        if (!line.empty() && seen.Add(line)) added.push_back(line);
    }
    return added;
}

std::vector<std::string> HistoryToSave(const std::string& text, const std::vector<std::string>& items) {
    SeenEntries seen;
    seen.Add(text);
    std::vector<std::string> list{text};
    for (const std::string& item : items) {
        if (!item.empty() && seen.Add(item)) list.push_back(item);
    }
    return list;
}

HistoryPlace HistoryPlaceOf(const std::string& programFolder, FolderAccess access, const std::string& packageFolder) {
    if (access == FolderAccess::ReadOnly) return HistoryPlace::AppFolder;
    auto folder = [](const std::string& path) { return (fs::path(path) / "").lexically_normal(); };
    if (!packageFolder.empty() && folder(programFolder) == folder(packageFolder)) return HistoryPlace::AppFolder;
    return HistoryPlace::ProgramFolder;
}

std::string HistoryFilePath(platform::Environment& environment) {
    const std::string programFolder = GetProgramFolder(environment);
    const FolderAccess access =
        environment.FolderWritable(programFolder) ? FolderAccess::Writable : FolderAccess::ReadOnly;
    const HistoryPlace place = HistoryPlaceOf(programFolder, access, environment.PackageProgramFolder());
    return (place == HistoryPlace::ProgramFolder ? programFolder : AppFolder(environment)) + "Browser.CFG";
}

bool DeleteCacheFolder(platform::Environment& environment, const std::string& path) {
    try {
        if (environment.MoveToTrash(path)) return true;
        return !environment.RemoveAll(path);
    } catch (const std::exception&) {
        return false;
    }
}

TfmInputUrl::TfmInputUrl(platform::Environment& environment, AppBoxes boxes, platform::InputUrlView& view,
                         std::string historyPath, std::string cacheFolder)
    : environment_(environment),
      boxes_(boxes),
      view_(view),
      HistoryPath_(std::move(historyPath)),
      cacheFolder_(std::move(cacheFolder)) {}

bool TfmInputUrl::ShowModal() {
    platform::InputUrlView::Handlers handlers;
    handlers.onActivate = [this] { FormActivate(); };
    handlers.onOk = [this] { btnOkClick(); };
    handlers.onClear = [this] { btnClearClick(); };
    handlers.onClearCache = [this] { btnClearCacheClick(); };
    return view_.ShowModal(handlers) == platform::ModalResult::Ok;
}

void TfmInputUrl::FormActivate() {
    if (activated_) return;
    activated_ = true;
    LoadHistory();
}

void TfmInputUrl::btnOkClick() {
    const std::string text = TrimBlanks(view_.UrlText());
    view_.SetUrlText(text);
    if (text.empty()) {
        view_.FocusUrl();
        return;
    }
    std::string address = text;
    // An address that the program would read differently from the web view is not taken.
    if (!NormalizeAddress(address)) {
        boxes_.Info(kNetworkError);
        view_.FocusUrl();
        return;
    }
    address_ = address;
    // Set before the history is written: a failed write still ends the dialog with the address.
    view_.SetModalResult(platform::ModalResult::Ok);
    SaveHistory(HistorySave::OnTopOfTheFile);
}

void TfmInputUrl::btnClearClick() {
    view_.ClearUrlItems();
    view_.SetUrlText("");
    SaveHistory(HistorySave::AsShown);
}

void TfmInputUrl::btnClearCacheClick() {
    const bool present =
        environment_.StatusOf(cacheFolder_, platform::Links::NotFollowed).kind != platform::PathKind::Missing;
    if (!present || DeleteCacheFolder(environment_, cacheFolder_)) {
        boxes_.Show("缓存已清空！", platform::MB_OK);
    } else {
        boxes_.Show("缓存清空失败！", platform::MB_OK);
    }
}

bool TfmInputUrl::Exists(const std::string& path) const {
    return environment_.StatusOf(path).kind != platform::PathKind::Missing;
}

void TfmInputUrl::LoadHistory() {
    if (Exists(HistoryPath_)) HistoryList = ParseHistory(environment_.ReadFile(HistoryPath_));
    std::vector<std::string> items = view_.UrlItems();
    for (const std::string& line : HistoryItemsToAdd(items, HistoryList)) {
        view_.AddUrlItem(line);
        items.push_back(line);
    }
    if (view_.UrlText().empty() && !items.empty()) view_.SetUrlText(items.front());
}

void TfmInputUrl::SaveHistory(HistorySave how) {
    // Another address dialog may have saved since this one read the file: under a lock on the
    // file's folder, the file as it is now is what the confirmed address goes in front of.
    const std::unique_ptr<platform::HeldLock> lock = environment_.Lock(fs::path(HistoryPath_).parent_path().string());
    std::vector<std::string> items;
    if (how == HistorySave::OnTopOfTheFile && Exists(HistoryPath_))
        items = ParseHistory(environment_.ReadFile(HistoryPath_));
    for (std::string& item : view_.UrlItems()) items.push_back(std::move(item));
    HistoryList = HistoryToSave(TrimBlanks(view_.UrlText()), items);
    // Replaced whole, so that a failed write never leaves a shortened history behind.
    environment_.ReplaceFile(HistoryPath_, HistoryBytes(HistoryList), platform::FileMode::Regular);
}

std::optional<std::string> ShowAddressDialog(platform::Factory& factory, platform::Environment& environment,
                                             AppBoxes boxes) {
    auto view = factory.MakeInputUrlView();
    TfmInputUrl form(environment, boxes, *view, HistoryFilePath(environment), ProgramCacheFolder(environment));
    if (!form.ShowModal()) return std::nullopt;
    return form.Address();
}

}  // namespace tesra
