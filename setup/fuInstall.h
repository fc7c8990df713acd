#pragma once
// The installer: the browser environment settings of each start and their restore, and the
// per-address setup. Its class-level entries are how the rest of the program reaches both.
//
// At each normal start the program points the web engine's cache at a folder of its own, keeps the
// cache when the browser closes, turns the check for newer versions of stored pages off, lets pages
// fetched over SSL be cached and keeps tabs in the hosting process (five registry values, each
// written only where its key opens with full access). Later it puts the user's cache folder and the
// freshness check back.

#include <string>

namespace tesra {

// The current user's cache folder setting as it was read at this start: empty until SetEnvironment
// has read one; never cleared while the program runs.
std::string& SavedCacheFolder();

// The program's own cache folder: "TesraBrowserCache" in the user's cache folder.
std::string ProgramCacheFolder();

// The disk cache folder of a browser control being created: the user's "Cache" shell folder with
// %NAME% references expanded; the web engine's default folder when that is missing, unreadable or
// not an absolute path.
std::string BrowserCacheFolder();

// Replaces each %NAME% by the environment variable's value; a name that is not set stays as written.
std::string ExpandEnvironmentText(const std::string& text);

class TtbInstaller {
public:
    // Every normal start, before the main window: SetEnvironment, then CheckSetup.
    static void Startup(const std::string& url);
    // Install mode: the full setup for the address, without touching the environment settings.
    static void Install(const std::string& url);
    // Puts the user's cache folder and the freshness check back; nothing when SavedCacheFolder is
    // empty. Run after every completed download, and before the program gives up on a start.
    static void RestoreEnvironment();

    explicit TtbInstaller(std::string url);

    // Writes the five values in their order, skipping a key that does not open with full access.
    // A write that fails on a key that did open throws platform::RegistryError.
    void SetEnvironment();
    // The user's "Cache" shell folder value, unexpanded; "" when the value or its key is missing.
    std::string GetUserCacheFolder();

    // NOT BUILT YET (setup resources and desktop shortcut): the quick path or the full setup.
    // Does nothing for now.
    void CheckSetup();
    // NOT BUILT YET (setup resources and desktop shortcut): the full setup with its progress form.
    // Does nothing for now.
    void DoInstall();

private:
    std::string FUrl;
};

}  // namespace tesra
