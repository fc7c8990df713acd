#pragma once
// Replacing a file whole, the one way every file of the program is written: a reader, another copy
// of the program or a crash sees either the old file or the new one, never a part of either. Any
// thread.

#include <string>
#include <string_view>

namespace tesra::platform {

// Permissions of the new file: 0644, 0600 (for the user alone), 0755.
enum class FileMode { Regular, Private, Executable };

// Writes the bytes to a new hidden temporary file beside path, flushes it to the disk, renames it
// over path and then flushes the folder. Throws tesra::FileFailure "写入文件“%s”失败：%s" when any
// step up to the rename fails; path is then as it was and no temporary file remains. The folder's
// flush only makes the rename survive a power cut: the new file is in place whether it succeeds or
// not, so its failure is not reported.
void ReplaceFile(const std::string& path, std::string_view bytes, FileMode mode);
// The same with the content of the source file.
void ReplaceFileWithCopy(const std::string& source, const std::string& path, FileMode mode);

}  // namespace tesra::platform
