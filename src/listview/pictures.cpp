// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"

#include <algorithm>
#include <string>

#include <wx/bmpbndl.h>
#include <wx/dcmemory.h>

namespace trovana::listview {

namespace {
constexpr unsigned char kHalf = 128;

void SetPixel(wxImage& image, int x, int y, unsigned char r, unsigned char g, unsigned char b)
{
    if (x >= 0 && y >= 0 && x < image.GetWidth() && y < image.GetHeight())
        image.SetRGB(x, y, r, g, b);
}
}  // namespace

wxImage MakeFilledImage(const wxSize& size, const wxColour& colour)
{
    wxImage image(size, false);
    image.SetRGB(wxRect(size), colour.Red(), colour.Green(), colour.Blue());
    return image;
}

void PaintSvg(wxImage& image, const char* svg, const wxRect& where)
{
    // nanosvg parses its input in place, so it gets a copy.
    std::string text(svg);
    const wxBitmap bitmap = wxBitmapBundle::FromSVG(text.data(), where.GetSize()).GetBitmap(where.GetSize());
    if (!bitmap.IsOk())
        return;
    const wxImage picture = bitmap.ConvertToImage();
    if (!picture.HasAlpha())
        return;
    for (int y = 0; y < picture.GetHeight(); ++y) {
        for (int x = 0; x < picture.GetWidth(); ++x) {
            if (picture.GetAlpha(x, y) >= kHalf) {
                SetPixel(image, where.x + x, where.y + y, picture.GetRed(x, y), picture.GetGreen(x, y),
                         picture.GetBlue(x, y));
            }
        }
    }
}

void PaintText(wxImage& image, const wxString& text, const wxRect& where, const wxColour& colour, const wxFont& font)
{
    // Black text on white: how dark a pixel is tells how much the text covers it.
    wxBitmap canvas(where.GetSize(), 24);
    {
        wxMemoryDC dc(canvas);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        dc.SetFont(font);
        dc.SetTextForeground(*wxBLACK);
        const wxSize extent = dc.GetTextExtent(text);
        dc.DrawText(text, (where.width - extent.x) / 2, (where.height - extent.y) / 2);
    }
    const wxImage coverage = canvas.ConvertToImage();
    for (int y = 0; y < coverage.GetHeight(); ++y) {
        for (int x = 0; x < coverage.GetWidth(); ++x) {
            if (coverage.GetGreen(x, y) < kHalf)
                SetPixel(image, where.x + x, where.y + y, colour.Red(), colour.Green(), colour.Blue());
        }
    }
}

void ReplaceColour(wxImage& image, const wxColour& from, const wxColour& to)
{
    image.Replace(from.Red(), from.Green(), from.Blue(), to.Red(), to.Green(), to.Blue());
}

}  // namespace trovana::listview
