#include "setup/tsVersionInfo.h"

#include <charconv>
#include <cstdio>

#include "platform/Exception.h"
#include "setup/VersionResourceFile.h"
#include "support/DelimitedText.h"

namespace tesra {
namespace {

constexpr int kFileVersionItem = 2;
constexpr int kInternalNameItem = 3;

std::int32_t DecimalOrZero(const std::string& item) {
    const char* first = item.data();
    const char* last = first + item.size();
    if (first != last && *first == '+') ++first;  // from_chars takes a minus sign only
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last && first != last ? value : 0;
}

}  // namespace

const std::array<const char*, TtsVersionInfo::kItemCount> TtsVersionInfo::kItemKeys = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments",
};

TtsVersionInfo::TtsVersionInfo(platform::Environment& environment, const std::string& fileName)
    : TtsVersionInfo(Loaded{},
                     ReadVersionResourceFile(environment, fileName.empty() ? environment.ProgramImage() : fileName)) {}

TtsVersionInfo TtsVersionInfo::FromResource(Bytes resource) { return TtsVersionInfo(Loaded{}, std::move(resource)); }

TtsVersionInfo::TtsVersionInfo(Loaded, Bytes resource) : FInfoBuffer(std::move(resource)) {
    auto translation = FInfoBuffer.QueryValue("\\VarFileInfo\\Translation");
    if (!translation || translation->size() < 4) return;
    const Bytes& t = *translation;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%.4x%.4x", t[0] | t[1] << 8, t[2] | t[3] << 8);
    FTranslation = hex;
    FHasInfo = true;
    for (int i = 0; i < kItemCount; ++i) FItems[i] = GetValue(kItemKeys[i]);
    FVersion = ParseVersionNumber(FItems[kFileVersionItem]);
}

std::string TtsVersionInfo::GetItem(int index) const {
    return index >= 0 && index < kItemCount ? FItems[index] : std::string();
}

std::string TtsVersionInfo::GetValue(const std::string& key) const {
    if (!FHasInfo) return "N/A";
    return FInfoBuffer.QueryText("\\StringFileInfo\\" + FTranslation + "\\" + key).value_or("");
}

std::array<std::int32_t, 4> ParseVersionNumber(const std::string& text) {
    std::vector<std::string> items = SplitDelimitedText(text, '.');
    if (items.size() != 4) throw Exception("“" + text + "”不是正确的版本号");
    std::array<std::int32_t, 4> numbers{};
    for (std::size_t i = 0; i < 4; ++i) numbers[i] = DecimalOrZero(items[i]);
    return numbers;
}

std::string GetFileVersionText(platform::Environment& environment, const std::string& fileName) {
    return TtsVersionInfo(environment, fileName).GetItem(kFileVersionItem);
}

std::string GetVersionText(platform::Environment& environment) {
    TtsVersionInfo info(environment);
    return CommaText({info.GetItem(kFileVersionItem), info.GetItem(kInternalNameItem)});
}

}  // namespace tesra
