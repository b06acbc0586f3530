// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/text_page.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include <wx/translation.h>

#include "operations/cached_file.h"
#include "write_file.h"

namespace trovana::listview {

namespace {
constexpr std::string_view kLineBreak = "<br>";
// The labels of a page that names a file instead of showing it, shown
// through wxGetTranslation.
constexpr const char* kUrlLabel = wxTRANSLATE("URL:");
constexpr const char* kNotRegularLabel = wxTRANSLATE("Not a regular file:");
constexpr std::string_view kPageStart = "<HTML><BODY>";
constexpr std::string_view kPageEnd = "</BODY></HTML>";
constexpr const char* kPageName = "temp.htm";
}  // namespace

std::string EscapeHtml(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

namespace {
// "<br>LABEL " with the label in the user's language.
std::string LabelLine(const char* label)
{
    return std::string(kLineBreak) + EscapeHtml(wxGetTranslation(label).utf8_string()) + " ";
}
}  // namespace

std::string UrlPageText(std::string_view url)
{
    return LabelLine(kUrlLabel) + EscapeHtml(url);
}

std::string ReadPreviewText(const std::filesystem::path& name, std::size_t limit)
{
    std::string bytes;
    switch (fileio::ReadRegularFile(name, limit, bytes)) {
    case fileio::FileRead::Missing: return UrlPageText(name.native());
    case fileio::FileRead::NotRegular: return LabelLine(kNotRegularLabel) + EscapeHtml(name.native());
    case fileio::FileRead::Failed: return {};
    case fileio::FileRead::Read:
    case fileio::FileRead::TooLarge: break;
    }
    const auto nul = bytes.find('\0');
    if (nul != std::string::npos)
        bytes.resize(nul);
    return EscapeHtml(bytes);
}

std::string InsertLineBreaks(std::string text)
{
    auto p = text.find('\n');
    while (p != std::string::npos) {
        text.insert(p, kLineBreak);
        p = text.find('\n', p + kLineBreak.size() + 2);
    }
    return text;
}

std::string TextPageBytes(std::string_view text)
{
    std::string page(kPageStart);
    for (char c : InsertLineBreaks(std::string(text))) {
        if (c == '\n')
            page += '\r';
        page += c;
    }
    page += kPageEnd;
    return page;
}

std::filesystem::path WriteTextPage(const std::filesystem::path& folder, std::string_view text)
{
    const std::filesystem::path path = folder / kPageName;
    const std::string bytes = TextPageBytes(text);
    // The page may hold a cached file's text: readable by its user alone,
    // also when an older page was made with wider permissions, and never
    // written through a link planted in its place.
    fileio::FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (!file.Valid() || ::fchmod(file.Get(), S_IRUSR | S_IWUSR) != 0 || !fileio::WriteAll(file.Get(), bytes) ||
        !file.Close())
        throw std::filesystem::filesystem_error("cannot write the preview page", path,
                                                std::error_code(errno, std::generic_category()));
    return path;
}

}  // namespace trovana::listview
