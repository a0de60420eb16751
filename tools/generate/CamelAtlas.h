// CamelAtlas: how the camel's two pictures are laid out, shared by the mesh
// (which gives each part its texture coordinates) and the painters.
//
// Material 0 wears the coat picture: horizontal bands, one per part, each
// with s along the part and t around it (or the reverse for the legs, whose
// bands run down the leg). Material 1 wears the tack picture: the woven saddle
// blanket, its fringe, the halter, and the small dark parts (eyes, soles,
// toenails, the tail's tuft). The coat runs differ in colour only; the layout
// is the same in all of them.
//
// The tack picture is loaded with a colour key: its first pixel's colour is
// transparent, and only the gaps between the fringe's strands use it, so the
// fringe is a comb of cords against whatever lies behind it.
#pragma once

#include "writers/Image.h"

namespace camel {

struct Band {
    float t0;  // bottom edge (texture t, row 0 of the picture at 0)
    float t1;  // top edge
    float At(float v) const { return t0 + (t1 - t0) * v; }
};

// Coat picture (material 0).
constexpr int kCoatSize = 512;
constexpr Band kTorsoBand{0.01f, 0.37f};     // s: rump (0) to chest (1); t: round from the spine
constexpr Band kNeckBand{0.40f, 0.55f};      // s: base (0) to head (1); t: round from the crest
constexpr Band kFrontLegBand{0.58f, 0.69f};  // s: round from the front; t: top (1) down to the pastern (0)
constexpr Band kHindLegBand{0.72f, 0.83f};
constexpr Band kHeadBand{0.86f, 0.98f};  // s: poll (0) to muzzle (1); t: round from the forehead
// Where the bends of the legs fall along their bands (t, 0 at the pastern).
constexpr float kLegKneeAt = 0.36f;
constexpr float kLegElbowAt = 0.80f;

// Tack picture (material 1).
constexpr int kTackSize = 256;
constexpr Band kFringeBand{0.0f, 0.125f};   // s along the edge; t: tips (0) up to the blanket (1)
constexpr Band kStrapBand{0.14f, 0.23f};    // s along the strap; t across it
constexpr Band kBlanketBand{0.26f, 0.74f};  // s: back edge (0) to front edge (1); t: left hem (0) to right hem (1)
constexpr Band kDarkBand{0.78f, 0.98f};     // four swatches side by side:
constexpr float kEyeSwatch = 0.125f;        //   s centres: eye,
constexpr float kSoleSwatch = 0.375f;       //   sole,
constexpr float kTuftSwatch = 0.625f;       //   tuft,
constexpr float kNailSwatch = 0.875f;       //   toenail
constexpr float kSwatchHalfWidth = 0.1f;

enum class Coat { kPaleSand = 0, kTawny = 1, kDarkBrown = 2 };

Image PaintCoat(Coat coat);
Image PaintTack(Coat coat);

}  // namespace camel
