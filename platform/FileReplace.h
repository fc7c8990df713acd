#pragma once
// Replacing a file whole: a reader, another copy of the program or a crash sees either the old file
// or the new one, never a part of either. Any thread.

#include <string>

namespace tesra::platform {

enum class FileMode { Regular, Executable };

// Writes the bytes to a new temporary file beside path, flushes it to the disk and renames it over
// path. Throws tesra::Exception "写入文件“%s”失败：%s" when any step fails; path is then as it was
// and no temporary file remains.
void ReplaceFile(const std::string& path, const std::string& bytes, FileMode mode);
// The same with the content of the source file.
void ReplaceFileWithCopy(const std::string& source, const std::string& path, FileMode mode);

}  // namespace tesra::platform
