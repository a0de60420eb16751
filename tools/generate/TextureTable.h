// The main texture table, kestrel.workshops: the pictures the saver shows over
// its scene and the lens-flare sprites, one lump each, in table order.
//
//   0  emblem, 128x128: a medallion; 24-bit, colour key (alpha mode 1)
//   1  banner corner, 256x32: the name with a small emblem, transparent around it
//   2  upper intro image, drawn 512x128 canvas units: the title
//   3  lower intro image, drawn 512x256: a caravan on a dune crest and a subtitle
//   4  message image, drawn 512x32 in the banner and 1024x64 across the screen
//   5  the second message image, as 4
//   6  flare: a large soft glow           } on black, alpha from brightness
//   7  flare: a thin halo ring            } (alpha mode 2), since the flare
//   8  flare: a soft hexagonal spot       } blends additively
//   9  flare: a starburst of rays, drawn full size over the glow
//  10  emblem tile, 128x128: the medallion on opaque sand (alpha mode 0)
// Entries 0 and 10 are loaded with the table but drawn by nobody; they are the
// artwork's emblem, and between them the table takes every alpha mode.
//
// The text images are larger than their drawn size where the screen shows them
// larger (the canvas is stretched over the whole drawable): 2 is 1024x256, 3
// 1024x512, 4 and 5 1024x64, which the banner shows at exactly half size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "writers/Image.h"

enum class LumpEncoding { TGA, TGARLE, JPEG };

struct TableImage {
    std::string role;  // short name, for messages and the contact sheet
    Image image;
    LumpEncoding encoding = LumpEncoding::TGA;
    uint32_t alphaMode = 0;  // the lump's param
};

// Paints every picture of the table. False, with a message in *error, when the
// fonts cannot be found.
bool PaintTextureTable(std::vector<TableImage>* images, std::string* error);

// The flare sprites, painted without fonts (256x256, 3 channels, on black).
Image PaintFlareGlow(int size);
Image PaintFlareRing(int size);
Image PaintFlareSpot(int size);
Image PaintFlareStarburst(int size);
