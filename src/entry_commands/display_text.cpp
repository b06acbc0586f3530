// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/display_text.h"

#include "faithful_text.h"

namespace trovana::entry_commands {

wxString ToDisplayText(std::string_view bytes)
{
    if (bytes.empty())
        return wxString();
    const std::string text = DecodedText(bytes);
    return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace trovana::entry_commands
