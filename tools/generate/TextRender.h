// TextRender: anti-aliased text for the generated images, with FreeType.
//
// The font file comes from fontconfig (FcMatch on a family and style, e.g.
// "DejaVu Serif" "Bold"); the match must really be that family, so a machine
// without the DejaVu fonts fails loudly instead of quietly drawing in some
// other face. A line of UTF-8 text is rendered into a coverage Mask whose
// values are FreeType's 8-bit anti-aliased coverage, at integer pen positions,
// with the font's kerning and an optional extra tracking between letters.
// Output depends only on the text, the size and the font file, never on the
// locale or the time.
#pragma once

#include <memory>
#include <string>

#include "TextureTablePaint.h"

// Path of the font file fontconfig picks for family and style; empty (with a
// message in *error) when none of that family is installed.
std::string FindFontFile(const std::string& family, const std::string& style, std::string* error);

struct TextLine {
    Mask mask;         // tight box around the inked pixels plus a margin
    int baseline = 0;  // row of the baseline inside mask
    int originX = 0;   // column of the pen's start inside mask
    int advance = 0;   // pen advance in pixels, from originX
};

class Font {
public:
    Font();
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Opens the face and sets its size in pixels (the em square). False with
    // a message in *error when the file cannot be used.
    bool Setup(const std::string& path, int pixelSize, std::string* error);
    void Cleanup();

    // The line rendered with `margin` empty pixels on every side (room for a
    // blurred shadow), letters spaced by tracking extra pixels.
    TextLine Render(const std::string& utf8, int tracking = 0, int margin = 0) const;
    int Ascender() const;   // pixels above the baseline
    int Descender() const;  // pixels below the baseline (positive)

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
