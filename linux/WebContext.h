#pragma once
// The one web engine context of the program: disk cache folder, page bridge, TLS exceptions.

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace tesra {
class TtsCustomLog;
}  // namespace tesra

namespace tesra::platform {

struct WebContextConfig {
    // Asked once, when the first browser control is created: the engine's disk cache folder.
    std::function<std::string()> cacheFolder;
    // The page bridge's socket, handed to every web process.
    std::string bridgeSocket;
    // Where downloads and the bridge's installation are logged; none logs nothing.
    TtsCustomLog* log = nullptr;
};

void ConfigureWebContext(WebContextConfig config);
// The configured log; null before the configuration or without one.
TtsCustomLog* WebContextLog();
// Created on first use with the configuration above.
WebKitWebContext* SharedWebContext();

// Writes the page bridge that is built into the program into a private folder of the runtime folder
// (named after its content's SHA-256, so a running web process never sees its library replaced),
// checks that the file there holds exactly those bytes, and returns that folder; empty when it cannot
// be written or does not verify (a failure to write goes to the log when there is one).
std::string InstallBridgeLibrary(TtsCustomLog* log);

}  // namespace tesra::platform
