#include "support/PageRequests.h"

namespace tesra {
namespace {

// A page that keeps navigating does not make the list grow.
constexpr size_t kRememberedNavigations = 64;

}  // namespace

bool MayServe(PageRequest request, const RequestSource& source) {
    switch (request) {
    case PageRequest::CloseProgram:
        return source.application && source.bound;
    case PageRequest::Print:
        return source.application;
    case PageRequest::Popup:
    case PageRequest::Download:
        // As every pop-up blocker: another site's document only right after the user acted.
        return source.application || source.userAction;
    case PageRequest::CertificateQuestion:
        // A click in another site's page does not count: that page chose where the click leads.
        return source.program || source.application;
    }
    return false;
}

void NavigationSources::Note(const std::string& address, bool redirect, bool showsApplication, bool userAction) {
    RequestSource source;
    if (!program_load_.empty() && program_load_ == address) {
        source.program = true;
        program_load_.clear();
    } else if (redirect) {
        source = last_;
    } else {
        source.application = showsApplication;
        source.userAction = userAction;
    }
    last_ = source;
    if (sources_.size() >= kRememberedNavigations) sources_.clear();
    sources_[address] = source;
}

RequestSource NavigationSources::SourceOf(const std::string& address) const {
    auto source = sources_.find(address);
    return source == sources_.end() ? RequestSource{} : source->second;
}

RequestSource NavigationSources::DownloadSourceOf(const std::string& address, bool showsApplication,
                                                  bool applicationSite) const {
    RequestSource source = SourceOf(address);
    source.application = showsApplication && applicationSite;
    return source;
}

std::string RefusedDownloadText(const std::string& page, const std::string& address) {
    return "拒绝了页面“" + page + "”未经用户操作的下载“" + address + "”";
}

namespace {

// The common file systems take names of up to 255 bytes. The numbered alternatives add up to 7, and the
// web engine writes into the name with ".wkdownload" (11) after it until the download is done.
constexpr std::size_t kDownloadNameLimit = 236;
// A longer ending is no file type worth keeping.
constexpr std::size_t kSuffixLimit = 16;

// The name cut to the limit, keeping its file type; never in the middle of a UTF-8 character.
std::string Shortened(const std::string& name) {
    if (name.size() <= kDownloadNameLimit) return name;
    const std::string::size_type dot = name.rfind('.');
    const std::string suffix = dot != std::string::npos && name.size() - dot <= kSuffixLimit ? name.substr(dot) : "";
    std::string stem = name.substr(0, kDownloadNameLimit - suffix.size());
    // The last character goes when the cut left only a part of it.
    std::size_t lead = stem.size();
    while (lead > 0 && (static_cast<unsigned char>(stem[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead > 0) {
        const auto byte = static_cast<unsigned char>(stem[--lead]);
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        if (stem.size() - lead < length) stem.resize(lead);
    }
    return stem + suffix;
}

}  // namespace

std::string DownloadFileName(const std::string& suggested) {
    std::string name = suggested.substr(suggested.find_last_of("/\\") + 1);
    std::string clean;
    for (unsigned char c : name) {
        if (c >= 0x20 && c != 0x7F) clean += static_cast<char>(c);
    }
    // Hidden files and the folder names "." and "..".
    clean.erase(0, clean.find_first_not_of(". "));
    while (!clean.empty() && clean.back() == ' ') clean.pop_back();
    return clean.empty() ? "下载文件" : Shortened(clean);
}

std::string NumberedFileName(const std::string& name, int n) {
    if (n == 0) return name;
    std::string::size_type dot = name.rfind('.');
    if (dot == 0 || dot == std::string::npos) dot = name.size();
    return name.substr(0, dot) + " (" + std::to_string(n) + ")" + name.substr(dot);
}

}  // namespace tesra
