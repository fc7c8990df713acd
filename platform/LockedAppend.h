#pragma once
// Appending whole records to a file that several processes write at once (the client log): no
// record is ever split by another, and a record cut off by a crash is set aside, never followed.

#include <string>
#include <string_view>
#include <vector>

namespace tesra::platform {

struct RecordFile {
    std::string path;
    std::string_view header;                 // written first into an empty file
    std::vector<std::string_view> endMarks;  // a complete file ends in one of these (or is empty)
    std::string sideFile;                    // where a broken tail goes, appended
};

// The operation of the FileFailure when the file cannot be opened at all.
inline constexpr char kOpenFileOperation[] = "打开文件";

// Under an exclusive lock on the file that also covers the check of its end: a file that does not
// end in one of the end marks first has its broken tail (everything after the last mark, or the
// whole file when it holds none) appended to the side file and cut off; then the record (after the
// header when the file is empty) goes out in one write on an append-mode descriptor. A write that
// fails is cut back, so no partial record stays. Throws tesra::FileFailure; the file is then as it
// was, less a tail that reached the side file.
void AppendRecord(const RecordFile& file, std::string_view record);

// Where the complete part of text ends: just after the last end mark, or 0 when there is none.
size_t CompleteLength(std::string_view text, const std::vector<std::string_view>& endMarks);

}  // namespace tesra::platform
