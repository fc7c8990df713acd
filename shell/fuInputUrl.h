#pragma once
// The address dialog: asks for the web application address when the program starts without one,
// offers the addresses used before from the history file "Browser.CFG", and can forget them all or
// empty the browser's cache folder.

#include <optional>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/InputUrlView.h"
#include "support/tsCommon.h"

namespace tesra::platform {
class Factory;
}  // namespace tesra::platform

namespace tesra {

// Makes a typed address browsable, in place: the one URI form of the address (support/Address.h),
// with a "/" at the end of a path whose last segment has neither "." nor ":". False, and the address
// unchanged, when the address is refused.
bool NormalizeAddress(std::string& address);

// The history file's lines: GBK bytes to UTF-8, split at CR LF, lone CR or lone LF; empty lines kept.
std::vector<std::string> ParseHistory(const std::string& bytes);
// The history file's bytes: each line in GBK followed by CR LF.
std::string HistoryBytes(const std::vector<std::string>& lines);
// The combo box items that the history file's lines add to the present ones: each non-empty line
// that is not among the items or the lines before it, compared ignoring letter case.
std::vector<std::string> HistoryItemsToAdd(const std::vector<std::string>& items,
                                           const std::vector<std::string>& lines);
// The history to write: the typed text first (even when empty), then each non-empty item that is
// not already in the list, compared ignoring letter case.
std::vector<std::string> HistoryToSave(const std::string& text, const std::vector<std::string>& items);

enum class FolderAccess { Writable, ReadOnly };
enum class HistoryPlace { ProgramFolder, AppFolder };

// Where "Browser.CFG" lives: next to the program, unless the user may not write the program's
// folder or it is the folder that the package installs the program into (the package manager's,
// even for root); then in the application folder, beside the per-user copy, whose own history is
// there too, so that both share one file.
HistoryPlace HistoryPlaceOf(const std::string& programFolder, FolderAccess access, const std::string& packageFolder);

// The history file of this program: "Browser.CFG" in the folder that HistoryPlaceOf chooses.
std::string HistoryFilePath(platform::Environment& environment);

// Sends the folder to the trash, or deletes it when there is no trash for it; true when it is gone.
// Never throws.
bool DeleteCacheFolder(platform::Environment& environment, const std::string& path);

class TfmInputUrl {
public:
    // The history file and the cache folder that the buttons act on, through the environment.
    TfmInputUrl(platform::Environment& environment, AppBoxes boxes, platform::InputUrlView& view,
                std::string historyPath, std::string cacheFolder);

    // Runs the dialog; true when it ended with a confirmed address.
    bool ShowModal();
    // The address that OK confirmed, normalised; none before.
    const std::optional<std::string>& Address() const { return address_; }

    void FormActivate();
    void btnOkClick();
    void btnClearClick();
    void btnClearCacheClick();

    // Whether the history is written over the file as it is now (OK) or as the dialog shows it
    // (Clear addresses, which leaves one empty line).
    enum class HistorySave { OnTopOfTheFile, AsShown };

    void LoadHistory();
    // The typed address first, then the file's addresses (with OnTopOfTheFile), then the list's.
    void SaveHistory(HistorySave how);

    const std::string& HistoryPath() const { return HistoryPath_; }

private:
    bool Exists(const std::string& path) const;

    platform::Environment& environment_;
    AppBoxes boxes_;
    platform::InputUrlView& view_;
    std::string HistoryPath_;
    std::string cacheFolder_;
    std::vector<std::string> HistoryList;
    bool activated_ = false;
    std::optional<std::string> address_;
};

// The dialog over the program's history file and cache folder; the address that the user confirmed,
// normalised, or none.
std::optional<std::string> ShowAddressDialog(platform::Factory& factory, platform::Environment& environment,
                                             AppBoxes boxes);

}  // namespace tesra
