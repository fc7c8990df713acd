#pragma once
// Filling of the system's message formats ("复制文件“%s”到“%s”失败：%s").

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace tesra {

// Replaces each "%s" or "%d" in format, left to right, by the next argument; "%%" is a percent sign.
// A specifier without an argument left stays as written.
std::string Format(std::string_view format, std::initializer_list<std::string> args);

// The longest caption in characters.
constexpr std::size_t kCaptionLimit = 256;

// A text from a page (its title) as it may go into a window caption, a tray tooltip or a box
// caption: valid UTF-8, without control characters (nor line separators and the marks that reorder
// text), at most kCaptionLimit characters.
std::string CaptionText(std::string_view title);

namespace detail {
inline std::string FormatArg(std::string_view text) { return std::string(text); }
template <typename T, typename = std::enable_if_t<std::is_arithmetic_v<T>>>
std::string FormatArg(T value) {
    return std::to_string(value);
}
}  // namespace detail

template <typename... Args>
std::string Format(std::string_view format, const Args&... args) {
    return Format(format, {detail::FormatArg(args)...});
}

}  // namespace tesra
