// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo_pictures.h"

#include <algorithm>
#include <cmath>

namespace trovana::cli {

namespace {

uint8_t Channel(double value)
{
    return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
}

Rgb RandomColour(DemoRandom& random)
{
    return {static_cast<uint8_t>(random.Between(0, 255)), static_cast<uint8_t>(random.Between(0, 255)),
            static_cast<uint8_t>(random.Between(0, 255))};
}

Rgb Mix(Rgb a, Rgb b, double t)
{
    return {Channel(a.r + (b.r - a.r) * t), Channel(a.g + (b.g - a.g) * t), Channel(a.b + (b.b - a.b) * t)};
}

// Sky, sun and rolling hills.
void DrawPhoto(Raster& image, DemoRandom& random)
{
    const Rgb skyTop{static_cast<uint8_t>(random.Between(20, 90)), static_cast<uint8_t>(random.Between(60, 140)),
                     static_cast<uint8_t>(random.Between(160, 255))};
    const Rgb skyLow{static_cast<uint8_t>(random.Between(180, 255)), static_cast<uint8_t>(random.Between(170, 230)),
                     static_cast<uint8_t>(random.Between(150, 220))};
    const Rgb hill{static_cast<uint8_t>(random.Between(30, 90)), static_cast<uint8_t>(random.Between(100, 170)),
                   static_cast<uint8_t>(random.Between(20, 70))};
    const double sunX = image.width * random.Between(15, 85) / 100.0;
    const double sunY = image.height * random.Between(10, 35) / 100.0;
    const double sunRadius = std::max(2.0, image.height * random.Between(6, 12) / 100.0);
    const double frequency = random.Between(2, 6) * 3.14159 / image.width;
    const double phase = random.Between(0, 628) / 100.0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double horizon = image.height * (0.6 + 0.1 * std::sin(x * frequency + phase));
            Rgb colour;
            if (y > horizon) {
                colour = Mix(hill, Rgb{10, 40, 10}, (y - horizon) / (image.height - horizon + 1));
            } else if (std::hypot(x - sunX, y - sunY) < sunRadius) {
                colour = Rgb{255, 236, 150};
            } else {
                colour = Mix(skyTop, skyLow, y / horizon);
            }
            image.At(x, y) = colour;
        }
    }
}

// A flat shape on a flat ground, with few colours as icons have.
void DrawIcon(Raster& image, DemoRandom& random)
{
    const Rgb ground = RandomColour(random);
    const Rgb shape = RandomColour(random);
    const Rgb edge = Mix(shape, Rgb{}, 0.5);
    const bool round = random.Percent(50);
    const double cx = (image.width - 1) / 2.0;
    const double cy = (image.height - 1) / 2.0;
    const double radius = std::min(image.width, image.height) * 0.4;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double d = round ? std::hypot(x - cx, y - cy) : std::abs(x - cx) + std::abs(y - cy);
            image.At(x, y) = d < radius - 1 ? shape : d < radius ? edge : ground;
        }
    }
}

// Land, a stretch of water and a few roads, as a map tile shows them.
void DrawTile(Raster& image, DemoRandom& random)
{
    const double a = random.Between(1, 5) / 20.0;
    const double b = random.Between(1, 5) / 20.0;
    const int roadX = random.Between(0, image.width - 1);
    const int roadY = random.Between(0, image.height - 1);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            Rgb colour = std::sin(x * a) + std::cos(y * b) > 1.2 ? Rgb{170, 211, 223} : Rgb{242, 239, 233};
            if (std::abs(x - roadX) < 2 || std::abs(y - roadY) < 2) {
                colour = Rgb{255, 255, 255};
            }
            if (std::abs((x - roadX) - (y - roadY)) < 2) {
                colour = Rgb{247, 250, 190};
            }
            image.At(x, y) = colour;
        }
    }
}

// Diagonal stripes in two colours with a band across, for logos and sprites.
void DrawPattern(Raster& image, DemoRandom& random)
{
    const Rgb first = RandomColour(random);
    const Rgb second = RandomColour(random);
    const Rgb band = RandomColour(random);
    const int width = random.Between(3, 9);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool inBand = y > image.height / 3 && y < image.height * 2 / 3;
            image.At(x, y) = inBand                  ? Mix(band, second, static_cast<double>(x) / image.width)
                             : ((x + y) / width) % 2 ? first
                                                     : second;
        }
    }
}

}  // namespace

Raster DrawPicture(PictureStyle style, int width, int height, DemoRandom& random)
{
    Raster image(width, height);
    switch (style) {
    case PictureStyle::Photo: DrawPhoto(image, random); break;
    case PictureStyle::Icon: DrawIcon(image, random); break;
    case PictureStyle::Tile: DrawTile(image, random); break;
    case PictureStyle::Pattern: DrawPattern(image, random); break;
    }
    return image;
}

}  // namespace trovana::cli
