#include "platform/SharedLibrary.h"

#include <dlfcn.h>

namespace tesra::platform {
namespace {

class DlLibrary final : public SharedLibrary {
public:
    explicit DlLibrary(void* handle) : handle_(handle) {}
    void* Symbol(const char* name) const override { return dlsym(handle_, name); }

private:
    void* handle_;
};

}  // namespace

std::unique_ptr<SharedLibrary> LoadSharedLibrary(const std::string& name, int version, std::string& error) {
    // By its soname, as the dynamic linker would have found it for a linked program.
    const std::string file = "lib" + name + ".so." + std::to_string(version);
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : file + ": cannot be loaded";
        return nullptr;
    }
    return std::make_unique<DlLibrary>(handle);
}

}  // namespace tesra::platform
