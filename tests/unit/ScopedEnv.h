#pragma once
// An environment variable set or unset for the life of the object: the value it had before, or its
// absence, comes back when the object goes, so that no test leaves its settings to the next.

#include <cstdlib>
#include <optional>
#include <string>

namespace tesra::testing {

class ScopedEnv {
public:
    // Sets the variable to value; a null value unsets it.
    ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) saved_ = old;
        Set(value);
    }
    ScopedEnv(std::string name, const std::string& value) : ScopedEnv(std::move(name), value.c_str()) {}
    ~ScopedEnv() { Set(saved_ ? saved_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    // Sets the variable anew (null unsets it); the value from before the object still comes back.
    void Set(const char* value) {
        if (value) {
            setenv(name_.c_str(), value, 1);
        } else {
            unsetenv(name_.c_str());
        }
    }

private:
    std::string name_;
    std::optional<std::string> saved_;
};

}  // namespace tesra::testing
