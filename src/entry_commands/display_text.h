// SPDX-License-Identifier: GPL-3.0-or-later
// The cache's URLs and file names as the windows show them.
#pragma once

#include <string_view>

#include <wx/string.h>

namespace trovana::entry_commands {

// The cache's URLs and file names are bytes: shown as every output gives
// them (DecodedText: UTF-8 where they are valid UTF-8, else the cache's
// code page, Windows-1252 unless set), as Windows shows them.
wxString ToDisplayText(std::string_view bytes);

}  // namespace trovana::entry_commands
