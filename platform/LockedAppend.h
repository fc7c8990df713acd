#pragma once
// Appending whole records to a file that several processes write at once (the client log): no
// record is ever split by another, and a record cut off by a crash is set aside, never followed.

#include <algorithm>
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

// Where the complete part of text ends: just after the last end mark, or 0 when there is none.
inline size_t CompleteLength(std::string_view text, const std::vector<std::string_view>& endMarks) {
    size_t complete = 0;
    for (std::string_view mark : endMarks) {
        const size_t at = text.rfind(mark);
        if (at != std::string_view::npos) complete = std::max(complete, at + mark.size());
    }
    return complete;
}

}  // namespace tesra::platform
