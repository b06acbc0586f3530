// SPDX-License-Identifier: GPL-3.0-or-later
// Small pictures drawn in code from SVG outlines, with hard edges: every
// pixel is either the picture's own colour or the background, as in the
// classic 16-colour bitmaps whose background colour is the mask colour.
#pragma once

#include <wx/colour.h>
#include <wx/font.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/string.h>

namespace trovana::listview {

// A picture of the given size filled with one colour.
wxImage MakeFilledImage(const wxSize& size, const wxColour& colour);

// Draws an SVG outline (its view box scaled to the rectangle) into the image.
// Pixels the picture covers at least half take its colour; the others keep
// theirs.
void PaintSvg(wxImage& image, const char* svg, const wxRect& where);

// Writes a line of text centred in the rectangle, with the same hard edges.
void PaintText(wxImage& image, const wxString& text, const wxRect& where, const wxColour& colour, const wxFont& font);

// Replaces every pixel of exactly one colour by another; the others are left
// alone.
void ReplaceColour(wxImage& image, const wxColour& from, const wxColour& to);

}  // namespace trovana::listview
