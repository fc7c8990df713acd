#pragma once
// The program's side of the page bridge for one browser control: requests to the page, answered
// later on the user-interface thread. The program never waits for a page.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tesra::platform {

struct BindOutcome {
    bool bound = false;               // a facade received a scripting object
    bool retryLater = false;          // a facade did not answer in time: the timer is to try again
    bool hasFacadeHost = false;       // a plug-in content object has been found on this page (FFacadeHost)
    std::vector<std::string> errors;  // messages to show in information boxes
    std::string linkError;            // the page could not be asked at all; nothing was tried
};

// The four texts of the client report ("CPU", "Memory", "OS", "Software").
struct ClientTexts {
    std::string cpu, memory, os, software;
    bool operator==(const ClientTexts&) const = default;
};

struct DocumentOutcome {
    BindOutcome binding;
    std::string reportError;   // the client report failed (empty: sent, or not asked for)
    std::string versionError;  // the page rejected the version statement
};

class PageLink {
public:
    using Done = std::function<void(const std::string& error)>;  // empty error: success

    virtual ~PageLink() = default;
    // Binds the facade in the current document (or its frames) whose origin is one of the addresses'.
    virtual void BindFacade(const std::vector<std::string>& trustedAddresses,
                            std::function<void(const BindOutcome&)> done) = 0;
    // After a completed document, in one go so that no page event comes in between: binds the facade
    // as BindFacade does, then sends the client report when one is given (DoMessage "CPU", "Memory",
    // "OS", "Software", "LogClientInfo"), then runs "window. __TesraBrowser_IEVersion = " followed by
    // the version in the main document.
    virtual void CompleteDocument(const std::vector<std::string>& trustedAddresses,
                                  const std::optional<ClientTexts>& report, const std::string& version,
                                  std::function<void(const DocumentOutcome&)> done) = 0;
    virtual void DoMessage(const std::string& name, const std::string& value, Done done) = 0;
    virtual void DoHotKey(const std::string& key, Done done) = 0;
    // DoHotKey(id) on a facade that the page handed over with a hot-key registration.
    virtual void HotKey(std::uint64_t facade, std::int32_t id, Done done) = 0;
};

}  // namespace tesra::platform
