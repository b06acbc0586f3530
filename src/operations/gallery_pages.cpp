// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/gallery_pages.h"

#include <fstream>
#include <initializer_list>
#include <system_error>

namespace trovana::operations {

namespace {
// The pages are written as Windows writes text files: every line ends in CR LF.
constexpr const char* kLineEnd = "\r\n";

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines)
        text.append(line).append(kLineEnd);
    return text;
}

std::string Anchor(std::string_view picture)
{
    const std::string target = EscapeAttribute(picture.starts_with('/') ? FileUrl(picture) : std::string(picture));
    return "<a href=\"" + target + "\" target=\"right\"><img border=\"0\" src=\"" + target +
           "\" class=\"imgsborder\" ></a>";
}

bool WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file << text;
    file.close();
    return static_cast<bool>(file);
}

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '/';
}
}  // namespace

std::string GalleryFramePage()
{
    return Lines({
        "<html>",
        "<head>",
        "<title></title>",
        "</head>",
        "<frameset cols=\"24%,*\">",
        "<frame name=\"left\" src=\"left.htm\">",
        "<frame name=\"right\" src=\"right.htm\">",
        "<noframes>",
        "<body>",
        "<p>This page uses frames, but your browser doesn't support them.</p>",
        "</body>",
        "</noframes>",
        "</frameset>",
        "</html>",
    });
}

std::string GalleryRightPage()
{
    return Lines({"<html>", "<head>", "<title></title>", "</head>", "<body>", "</body>", "</html>"});
}

std::string GalleryLeftPage(const std::vector<std::string>& imageFiles, const GalleryProgress& progress)
{
    std::string page = Lines({
        "<html>",
        "<head>",
        "<title></title>",
        "<STYLE type=\"text/css\">",
        "<!-- ",
        ".imgsborder { border: 2 outset #C0C0C0;width:100;height:80 } ",
        "-->",
        "</STYLE>",
        "</head>",
        "<body>",
    });
    page += "<p>";
    const int count = static_cast<int>(imageFiles.size());
    // The walk goes on past the last group written, so that the progress
    // still runs to the end of the list.
    for (int k = 0; k < count; k += kGalleryGroup) {
        if (k <= kGalleryLastGroupStart) {
            for (int i = k; i < k + kGalleryGroup && i < count; ++i)
                page += Anchor(imageFiles[static_cast<size_t>(i)]);
        }
        if (k % kGalleryProgressStep == 0 && progress)
            progress(100 * k / count);
    }
    page += "</p>";
    page += Lines({"</body>", "</html>"});
    return page;
}

std::string FileUrl(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c)) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0x0F];
        }
    }
    return url;
}

std::string EscapeAttribute(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '"': escaped += "&quot;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

bool WriteGalleryPages(const std::filesystem::path& folder, const std::vector<std::string>& imageFiles,
                       const GalleryProgress& progress)
{
    if (!WriteFile(folder / GALLERY_FRAME, GalleryFramePage()))
        return false;
    WriteFile(folder / GALLERY_RIGHT, GalleryRightPage());
    return WriteFile(folder / GALLERY_LEFT, GalleryLeftPage(imageFiles, progress));
}

}  // namespace trovana::operations
