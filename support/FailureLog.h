#pragma once
// The real cause of a failure, for the client log: which operation failed on which file, and the
// system's own error text. A start that fails shows the user one fixed message; the log then holds
// why, so that the cause is never lost.

#include <exception>
#include <string>
#include <string_view>

#include "platform/Exception.h"

namespace tesra {

class TtsCustomLog;

// "<operation>“<file>”失败：<the system's text for error>", e.g. 写入文件“/a/b”失败：No space left on device.
std::string FileFailureText(std::string_view operation, const std::string& file, int error);

// An operation on a file that the system refused, with its cause.
class FileFailure : public Exception {
public:
    // operation: what was done to the file, such as "写入文件"; error: the system's error number.
    FileFailure(std::string operation, std::string file, int error);
    const std::string& Operation() const { return operation_; }
    const std::string& File() const { return file_; }
    int Error() const { return error_; }

private:
    std::string operation_;
    std::string file_;
    int error_;
};

// The start of the program failed with cause: an error entry "启动失败：<message>" in the client log.
// Never throws; when the log fails the cause goes to standard error.
void LogStartFailure(TtsCustomLog& log, const std::exception& cause);
// Something the program goes on without failed (a file it could not save, a folder it could not
// make): an error entry "<what>：<message>" in the client log. Never throws.
void LogFailure(TtsCustomLog& log, std::string_view what, const std::exception& cause);

}  // namespace tesra
