// SPDX-License-Identifier: GPL-3.0-or-later
#include "button_pictures.h"

#include <wx/font.h>
#include <wx/translation.h>

#include "listview/pictures.h"

namespace trovana::app {

namespace {
#define SVG32(body) "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 32 32'>" body "</svg>"

struct Button {
    const char* svg;
    const char* caption;
};

constexpr Button kButtons[kButtonCount] = {
    {SVG32("<path d='M25 11A10 10 0 1 0 26 20' fill='none' stroke='#208830' stroke-width='3.5'/>"
           "<path d='M28 3v11H17z' fill='#208830'/>"),
     wxTRANSLATE("Refresh")},
    {SVG32("<path d='M4 2h13l5 5v17H4z' fill='#ffffff' stroke='#404040' stroke-width='1.5'/>"
           "<path d='M11 8h13l5 5v17H11z' fill='#ffffff' stroke='#404040' stroke-width='1.5'/>"
           "<path d='M15 17h10M15 21h10M15 25h7' stroke='#3060c0' stroke-width='1.5'/>"),
     wxTRANSLATE("Copy")},
    {SVG32("<circle cx='13' cy='13' r='9' fill='#d4ecff' stroke='#303030' stroke-width='3'/>"
           "<path d='M19.5 19.5 29 29' stroke='#704018' stroke-width='5'/>"),
     wxTRANSLATE("Search")},
    {SVG32("<path d='M6 6 26 26M26 6 6 26' stroke='#d02020' stroke-width='5.5'/>"), wxTRANSLATE("Delete")},
    {SVG32("<path d='M5 3h16v22H5z' fill='#ffffff' stroke='#404040' stroke-width='1.5'/>"
           "<path d='M9 7h16v22H9z' fill='#ffffff' stroke='#404040' stroke-width='1.5'/>"
           "<path d='M13 13 29 29M29 13 13 29' stroke='#d02020' stroke-width='4.5'/>"),
     wxTRANSLATE("Delete All")},
    {SVG32("<circle cx='16' cy='16' r='13' fill='#70b0f0' stroke='#204880' stroke-width='1.5'/>"
           "<path d='M3 16h26M16 3v26M16 3q-8 13 0 26M16 3q8 13 0 26' fill='none' stroke='#204880'/>"
           "<path d='M22 14v9h-4l7 8 7-8h-4v-9z' fill='#20a030' stroke='#105018'/>"),
     wxTRANSLATE("Update")},
};
#undef SVG32

constexpr int kPictureSide = 30;
constexpr int kCaptionTop = 32;
const wxColour kCaptionColour(16, 16, 16);
}  // namespace

wxImage MakeButtonStrip()
{
    wxImage strip = listview::MakeFilledImage(wxSize(kButtonWidth * kButtonCount, kButtonHeight), kButtonBackground);
    const wxFont font(wxFontInfo(7).Family(wxFONTFAMILY_SWISS));
    for (int i = 0; i < kButtonCount; ++i) {
        const int left = i * kButtonWidth;
        listview::PaintSvg(strip, kButtons[i].svg,
                           wxRect(left + (kButtonWidth - kPictureSide) / 2, 1, kPictureSide, kPictureSide));
        listview::PaintText(strip, wxGetTranslation(kButtons[i].caption),
                            wxRect(left, kCaptionTop, kButtonWidth, kButtonHeight - kCaptionTop), kCaptionColour, font);
    }
    return strip;
}

}  // namespace trovana::app
