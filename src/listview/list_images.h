// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures of the category tabs, the list rows and the site tree.
#pragma once

#include <wx/colour.h>
#include <wx/image.h>

namespace trovana::listview {

// Eight 16 x 16 pictures side by side, one per category: 0 All (three
// coloured squares), 1 Documents (a page with a letter), 2 Images (a
// landscape), 3 Applications (a scroll), 4 Cookies (a smiling face),
// 5 Visited Links (two chain links), 6 Other (a page with a question mark),
// 7 Search Results (a magnifying glass), on the mask colour.
wxImage MakeCategoryStrip();
inline const wxColour kCategoryMask(128, 0, 128);

// Two 16 x 16 folder pictures, closed and open, on pure blue.
wxImage MakeFolderStrip();
inline const wxColour kFolderBackground(0, 0, 255);

}  // namespace trovana::listview
