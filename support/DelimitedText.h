#pragma once
// The class library's delimited text of a string list: how a list becomes one line ("comma text")
// and how a line is split back into items.

#include <string>
#include <vector>

namespace tesra {

// The entries joined by ","; an entry holding a character of code 32 or less, a comma or a double
// quote is put in double quotes with its inner double quotes doubled. A list of one empty entry
// gives "\"\"", so that it stays distinguishable from an empty list.
std::string CommaText(const std::vector<std::string>& entries);

// Splits text into items at each delimiter. Blanks (codes 1 to 32) around items are dropped and also
// end an item; an item that begins with the quote character runs to the closing quote (a doubled
// quote stands for one); a delimiter at the very end adds an empty item.
std::vector<std::string> SplitDelimitedText(const std::string& text, char delimiter, char quote = '"');

}  // namespace tesra
