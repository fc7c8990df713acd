#include "support/FailureLog.h"

#include <cstdio>
#include <system_error>

#include "support/tsLog.h"

namespace tesra {
namespace {

void LogCause(const std::string& text) {
    try {
        ClientLog().LogError(text);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "TesraBrowser: %s (%s)\n", text.c_str(), e.what());
    }
}

}  // namespace

std::string FileFailureText(std::string_view operation, const std::string& file, int error) {
    return std::string(operation) + "“" + file + "”失败：" + std::generic_category().message(error);
}

FileFailure::FileFailure(std::string operation, std::string file, int error)
    : Exception(FileFailureText(operation, file, error)),
      operation_(std::move(operation)),
      file_(std::move(file)),
      error_(error) {}

void LogStartFailure(const std::exception& cause) { LogCause(std::string("启动失败：") + cause.what()); }

void LogFailure(std::string_view what, const std::exception& cause) {
    LogCause(std::string(what) + "：" + cause.what());
}

}  // namespace tesra
