#pragma once
// What a page may ask of the program beyond its own window: end the program, print, open pop-ups,
// save files, and have the user asked about a certificate. A document of another site gets no more
// than any browser would give it; the application's own documents keep what they had.

#include <map>
#include <string>

namespace tesra {

enum class PageRequest {
    CloseProgram,         // window.close() of the main window's document
    Print,                // window.print()
    Popup,                // window.open() and links to a new window
    Download,             // a response saved as a file
    CertificateQuestion,  // asking the user to accept a certificate that does not verify
};

// Who stands behind a request. "Application" is decided by the engine's record of the document's
// address, never by anything the page's script can change.
struct RequestSource {
    bool application = false;  // the asking document (or the one that started the load) is the application's
    bool bound = false;        // that document has received the scripting object
    bool userAction = false;   // the request follows a click or key press of the user in the page
    bool program = false;      // the program started it for the user (the start address, the menu)
};

bool MayServe(PageRequest request, const RequestSource& source);

// Who started the recent navigations of one view, for the certificate question and the downloads that
// follow them.
class NavigationSources {
public:
    // The program loads the address for the user (not for a page); its navigation comes next.
    void ProgramLoads(const std::string& address) { program_load_ = address; }
    // A navigation to the address: the program's when it is the load the program announced, that of
    // the navigation it continues when it is a redirection, else the document's still shown.
    void Note(const std::string& address, bool redirect, bool showsApplication, bool userAction);
    // Nobody's when the address was not navigated to lately.
    RequestSource SourceOf(const std::string& address) const;
    // Who stands behind a download of the address: whoever started its navigation, and the
    // application only for a file of its own site that the application's document asks for.
    RequestSource DownloadSourceOf(const std::string& address, bool showsApplication, bool applicationSite) const;

private:
    std::string program_load_;                      // the address the program is loading, until its navigation
    RequestSource last_;                            // of the last navigation that was no redirection
    std::map<std::string, RequestSource> sources_;  // who started the recent navigations, by address
};

// The log's line about a download that the page may not start.
std::string RefusedDownloadText(const std::string& page, const std::string& address);

// The file name for a download that the page or server suggests: its last path part, without control
// characters and leading dots, cut to 236 bytes (its file type kept) so that it, its numbered
// alternatives and the engine's partial file fit a file system's name; "下载文件" when nothing usable is left.
std::string DownloadFileName(const std::string& suggested);
// The n-th alternative of a file name when the name is taken: "a.txt", "a (1).txt", "a (2).txt", ...
std::string NumberedFileName(const std::string& name, int n);

}  // namespace tesra
