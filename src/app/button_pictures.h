// SPDX-License-Identifier: GPL-3.0-or-later
// The button bar's six 60 x 46 pictures, side by side in button order
// (Refresh, Copy, Search, Delete, Delete All, Check Update), drawn on a
// background colour that start-up turns into the system's button colour.
#pragma once

#include <wx/colour.h>
#include <wx/image.h>

namespace trovana::app {

inline constexpr int kButtonCount = 6;
inline constexpr int kButtonWidth = 60;
inline constexpr int kButtonHeight = 46;
inline const wxColour kButtonBackground(212, 234, 156);

wxImage MakeButtonStrip();

}  // namespace trovana::app
