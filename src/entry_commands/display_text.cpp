// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/display_text.h"

#include <wx/strconv.h>

namespace trovana::entry_commands {

wxString ToDisplayText(std::string_view bytes)
{
    if (bytes.empty())
        return wxString();
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty())
        text = wxString(bytes.data(), wxCSConv(wxFONTENCODING_CP1252), bytes.size());
    return text;
}

}  // namespace trovana::entry_commands
