// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/program_icon.h"

#include <string>

#include <wx/bmpbndl.h>

#include "program_icon_svg.h"

namespace trovana::app {

wxIconBundle ProgramIcons()
{
    wxIconBundle icons;
    for (int side : {16, 32, 48}) {
        std::string svg(kProgramIconSvg);  // parsed in place
        const wxBitmap bitmap = wxBitmapBundle::FromSVG(svg.data(), wxSize(side, side)).GetBitmap(wxSize(side, side));
        if (bitmap.IsOk()) {
            wxIcon icon;
            icon.CopyFromBitmap(bitmap);
            icons.AddIcon(icon);
        }
    }
    return icons;
}

}  // namespace trovana::app
