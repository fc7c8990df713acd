#pragma once
// The registration of the scripting object's class and type library, as the component system of the
// platform would read it: per user, under "Software\Classes" of the current user's hive.

#include <string>

#include "platform/Registry.h"

namespace tesra {

constexpr char kProgId[] = "TesraBrowser.TesraMessage";

// Writes (or brings up to date) the class, its program identifier, the interface and the type library,
// served by the program file at programPath. Throws the registry's error when the hive cannot be written.
void RegisterServer(platform::Registry& registry, const std::string& programPath);
// Removes what RegisterServer wrote; missing keys are no error.
void UnregisterServer(platform::Registry& registry);

}  // namespace tesra
