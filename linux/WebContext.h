#pragma once
// The one web engine context of the program: disk cache folder, page bridge, TLS exceptions.

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace tesra::platform {

struct WebContextConfig {
    // Asked once, when the first browser control is created: the engine's disk cache folder.
    std::function<std::string()> cacheFolder;
    // The page bridge's socket, handed to every web process.
    std::string bridgeSocket;
};

void ConfigureWebContext(WebContextConfig config);
// Created on first use with the configuration above.
WebKitWebContext* SharedWebContext();

// Writes the page bridge that is built into the program into a private folder of the runtime folder
// (named after its content's SHA-256, so a running web process never sees its library replaced),
// checks that the file there holds exactly those bytes, and returns that folder; empty when it cannot
// be written or does not verify.
std::string InstallBridgeLibrary();

}  // namespace tesra::platform
