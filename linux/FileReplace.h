#pragma once
// Replacing a file whole, the one way every file of the program is written: a reader, another copy
// of the program or a crash sees either the old file or the new one, never a part of either. Any
// thread.

#include <string>
#include <string_view>

#include "platform/Environment.h"

namespace tesra::platform {

// A file being written in place of path: the bytes go to a new hidden temporary file beside it, and
// Commit puts that file in path's place. Until then path is as it was; an object destroyed without
// Commit (a failed download) removes its temporary file. Failures throw tesra::FileFailure
// "写入文件“<path>”失败：<the system's text>". For one thread.
class FileReplacement : public NewFile {
public:
    FileReplacement(std::string path, FileMode mode);
    ~FileReplacement() override;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    void Write(std::string_view bytes) override;
    // The bytes of the open file source, from its current position to its end.
    void CopyFrom(int source);
    // Flushes the file to the disk, renames it over path, then (Durable) flushes the folder. The
    // folder's flush only makes the rename survive a power cut: the new file is in place whether it
    // succeeds or not, so its failure is not reported.
    void Commit(Durability durability = Durability::Durable) override;

private:
    [[noreturn]] void Fail(int error);

    std::string path_;
    std::string temp_;
    int fd_ = -1;
    int mark_ = -1;  // holds the in-use mark of the temporary file
};

// Writes the bytes in path's place through a FileReplacement.
void ReplaceFile(const std::string& path, std::string_view bytes, FileMode mode,
                 Durability durability = Durability::Durable);
// The same with the content of the source file.
void ReplaceFileWithCopy(const std::string& source, const std::string& path, FileMode mode);

}  // namespace tesra::platform
