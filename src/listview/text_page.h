// SPDX-License-Identifier: GPL-3.0-or-later
// The page that shows a cached file's text (or an entry's URL) in the
// preview pane, built without any window so that its bytes can be checked.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace trovana::listview {

// A text preview reads no more than this of a file, so that a huge cached
// file cannot exhaust memory.
inline constexpr std::size_t kPreviewReadLimit = 4 * 1024 * 1024;

// The text with &, < and > written as entities, so that a page shows it
// as text instead of acting on its markup.
std::string EscapeHtml(std::string_view text);

// "<br>URL: " and the escaped URL: the page of an entry without a file.
std::string UrlPageText(std::string_view url);

// The text for a preview of name: the file's bytes (at most `limit`, up to
// the first NUL), escaped, when name is a regular file; "<br>URL: " and
// the escaped name when there is no such file; "<br>Not a regular file: "
// and the name for a FIFO or device, which is not read; empty when the file
// cannot be read.
std::string ReadPreviewText(const std::filesystem::path& name, std::size_t limit = kPreviewReadLimit);

// A "<br>" before line feeds: the search for the next one resumes six
// characters after the one found (two after the kept line feed), so in a
// run of bare line feeds only every other one gets a "<br>".
std::string InsertLineBreaks(std::string text);

// The bytes of the page file: "<HTML><BODY>", the text with its line
// breaks marked, "</BODY></HTML>", every line feed written as CR LF.
std::string TextPageBytes(std::string_view text);

// Writes the page for text into folder/temp.htm (replacing one that is
// there), readable by the user alone, and returns its path; throws std::filesystem::filesystem_error
// when it cannot be written.
std::filesystem::path WriteTextPage(const std::filesystem::path& folder, std::string_view text);

}  // namespace trovana::listview
