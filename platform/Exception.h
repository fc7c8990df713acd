#pragma once
// The one error kind of the system: a finished (Chinese) message, plus the class name that
// exception descriptions and the log show ("发生 EAccessViolation 异常：...").
// Texts inside the program are UTF-8; they are converted to GBK only where a file is GBK.

#include <stdexcept>
#include <string>

namespace tesra {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message, std::string className = "Exception")
        : std::runtime_error(message), class_name_(std::move(className)) {}
    const std::string& ClassName() const { return class_name_; }
    std::string Message() const { return what(); }

private:
    std::string class_name_;
};

// Ends the current event handler without any further message (after an error box was shown).
class SilentAbort : public Exception {
public:
    SilentAbort() : Exception("Operation aborted", "EAbort") {}
};

}  // namespace tesra
