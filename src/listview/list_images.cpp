// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_images.h"

#include <wx/gdicmn.h>

#include "pictures.h"

namespace trovana::listview {

namespace {
#define SVG16(body) "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 16 16'>" body "</svg>"

constexpr const char* kCategoryPictures[] = {
    // 0 All
    SVG16("<rect x='1' y='1.5' width='6' height='6' fill='#d83030' stroke='#501010'/>"
          "<rect x='9' y='1.5' width='6' height='6' fill='#30a838' stroke='#105010'/>"
          "<rect x='5' y='8.5' width='6' height='6' fill='#3060d8' stroke='#101850'/>"),
    // 1 Documents
    SVG16("<path d='M3 .5h7l3 3v12H3z' fill='#ffffff' stroke='#404040'/>"
          "<path d='M5.5 13 8 5.5l2.5 7.5M6.4 10.5h3.2' fill='none' stroke='#1848b0' stroke-width='1.4'/>"),
    // 2 Images
    SVG16("<rect x='.5' y='2.5' width='15' height='11' fill='#a8dcff' stroke='#404040'/>"
          "<circle cx='11.5' cy='6' r='1.8' fill='#ffd000'/>"
          "<path d='M1 13 5.5 7l3.5 4 2-2 4 4z' fill='#289830'/>"),
    // 3 Applications
    SVG16("<path d='M4 2h9v10H4z' fill='#f4e4b0' stroke='#805820'/>"
          "<circle cx='4' cy='3.5' r='2' fill='#e0c880' stroke='#805820'/>"
          "<circle cx='12' cy='13' r='2' fill='#e0c880' stroke='#805820'/>"
          "<path d='M6 5.5h5M6 8h5' stroke='#805820'/>"),
    // 4 Cookies
    SVG16("<circle cx='8' cy='8' r='6.8' fill='#ffd040' stroke='#705000'/>"
          "<circle cx='5.8' cy='6.2' r='1' fill='#302000'/><circle cx='10.2' cy='6.2' r='1' fill='#302000'/>"
          "<path d='M4.8 9.3Q8 13 11.2 9.3' fill='none' stroke='#302000' stroke-width='1.3'/>"),
    // 5 Visited Links
    SVG16("<rect x='.8' y='4.5' width='8.5' height='5' rx='2.5' fill='none' stroke='#2058c0' stroke-width='1.6'/>"
          "<rect x='6.7' y='6.5' width='8.5' height='5' rx='2.5' fill='none' stroke='#2058c0' stroke-width='1.6'/>"),
    // 6 Other
    SVG16("<path d='M3 .5h7l3 3v12H3z' fill='#ffffff' stroke='#404040'/>"
          "<path d='M6.2 6.3Q6.2 4.3 8 4.3t1.8 1.9Q9.8 7.4 8 8.3v1.6' fill='none' stroke='#c02020' stroke-width='1.4'/>"
          "<circle cx='8' cy='12.2' r='.9' fill='#c02020'/>"),
    // 7 Search Results
    SVG16("<circle cx='6.3' cy='6.3' r='4.4' fill='#d4ecff' stroke='#303030' stroke-width='1.6'/>"
          "<path d='M9.6 9.6 14.5 14.5' stroke='#704018' stroke-width='2.6'/>"),
};

constexpr const char* kFolderPictures[] = {
    SVG16("<path d='M1 3.5h5l1.5 1.5H15v9.5H1z' fill='#f0c840' stroke='#806010'/>"
          "<path d='M1 6.5h14' stroke='#806010'/>"),
    SVG16("<path d='M1 3.5h5l1.5 1.5H13v2.5' fill='#f0c840' stroke='#806010'/>"
          "<path d='M1 14.5V3.5M1 14.5h12l2.5-7H3.5z' fill='#ffe070' stroke='#806010'/>"),
};
#undef SVG16

template <size_t N>
wxImage MakeStrip(const char* const (&pictures)[N], const wxColour& background)
{
    constexpr int kSide = 16;
    wxImage strip = MakeFilledImage(wxSize(kSide * static_cast<int>(N), kSide), background);
    for (size_t i = 0; i < N; ++i)
        PaintSvg(strip, pictures[i], wxRect(kSide * static_cast<int>(i), 0, kSide, kSide));
    return strip;
}
}  // namespace

wxImage MakeCategoryStrip()
{
    return MakeStrip(kCategoryPictures, kCategoryMask);
}

wxImage MakeFolderStrip()
{
    return MakeStrip(kFolderPictures, kFolderBackground);
}

}  // namespace trovana::listview
