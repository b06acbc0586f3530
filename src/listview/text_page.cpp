#include "listview/text_page.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace trovana::listview {

namespace {
constexpr std::string_view kLineBreak = "<br>";
constexpr std::string_view kUrlLine = "<br>URL: ";
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

std::string ReadPreviewText(const std::filesystem::path& name, std::size_t limit)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error))
        return std::string(kUrlLine) + EscapeHtml(name.string());
    std::ifstream file(name, std::ios::binary);
    if (!file)
        return {};
    std::string bytes(limit, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(limit));
    if (file.bad())
        return {};
    bytes.resize(static_cast<std::size_t>(file.gcount()));
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
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw std::filesystem::filesystem_error("cannot write the preview page", path,
                                                std::error_code(errno, std::generic_category()));
    return path;
}

}  // namespace trovana::listview
