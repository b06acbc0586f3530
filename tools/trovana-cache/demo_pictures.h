// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures for the demo cache's images: landscapes for photos, flat icons,
// map tiles and patterns, drawn from a DemoRandom.
#pragma once

#include "demo_random.h"
#include "images.h"

namespace trovana::cli {

enum class PictureStyle { Photo, Icon, Tile, Pattern };

Raster DrawPicture(PictureStyle style, int width, int height, DemoRandom& random);

}  // namespace trovana::cli
