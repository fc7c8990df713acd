#include "support/FailureLog.h"

#include <cstdio>
#include <system_error>

#include "support/tsLog.h"

namespace tesra {
namespace {

void LogCause(TtsCustomLog& log, const std::string& text) {
    try {
        log.LogError(text);
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

void LogStartFailure(TtsCustomLog& log, const std::exception& cause) {
    LogCause(log, std::string("启动失败：") + cause.what());
}

void LogFailure(TtsCustomLog& log, std::string_view what, const std::exception& cause) {
    LogCause(log, std::string(what) + "：" + cause.what());
}

}  // namespace tesra
