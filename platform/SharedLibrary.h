#pragma once
// A library of the system loaded when it is first needed, not with the program: a start that never
// needs it does not pay for mapping it and all that it links.

#include <memory>
#include <string>

namespace tesra::platform {

class SharedLibrary {
public:
    virtual ~SharedLibrary() = default;
    // The address of an exported function; null when the library has none of that name.
    virtual void* Symbol(const char* name) const = 0;
};

// Loads the library of that name and interface version ("curl", 4). Null when it cannot be loaded,
// with the system's reason in error. The library stays loaded until the process ends, also after
// the object is gone: what it handed out may still be in use. Any thread.
[[nodiscard]] std::unique_ptr<SharedLibrary> LoadSharedLibrary(const std::string& name, int version,
                                                               std::string& error);

}  // namespace tesra::platform
