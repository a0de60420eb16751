#include "TextRender.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// Decodes UTF-8 into code points; a malformed byte becomes U+FFFD.
std::vector<char32_t> DecodeUTF8(const std::string& text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        out.push_back(ok ? cp : 0xFFFD);
        i += ok ? static_cast<std::size_t>(extra) + 1 : 1;
    }
    return out;
}

struct PlacedGlyph {
    int x = 0, y = 0;  // top-left of the bitmap relative to the pen start and baseline
    int width = 0, rows = 0;
    std::vector<uint8_t> coverage;
};

}  // namespace

std::string FindFontFile(const std::string& family, const std::string& style, std::string* error) {
    // A configuration of our own, released before returning, so the search
    // leaves no process-wide fontconfig state behind.
    std::string result;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) {
        if (error) *error = "fontconfig cannot start";
        return result;
    }
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(style.c_str()));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult status = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &status);
    FcChar8* file = nullptr;
    FcChar8* matchedFamily = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch &&
        family == reinterpret_cast<const char*>(matchedFamily)) {
        result = reinterpret_cast<const char*>(file);
    } else if (error) {
        *error = "no font of the family \"" + family + "\" (style " + style + ") is installed";
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return result;
}

struct Font::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

Font::Font() : impl_(std::make_unique<Impl>()) {}
Font::~Font() { Cleanup(); }

bool Font::Setup(const std::string& path, int pixelSize, std::string* error) {
    Cleanup();
    if (FT_Init_FreeType(&impl_->library) != 0) {
        if (error) *error = "FreeType cannot start";
        return false;
    }
    if (FT_New_Face(impl_->library, path.c_str(), 0, &impl_->face) != 0 ||
        FT_Set_Pixel_Sizes(impl_->face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        if (error) *error = "cannot use the font file " + path;
        Cleanup();
        return false;
    }
    return true;
}

void Font::Cleanup() {
    if (impl_->face) FT_Done_Face(impl_->face);
    impl_->face = nullptr;
    if (impl_->library) FT_Done_FreeType(impl_->library);
    impl_->library = nullptr;
}

int Font::Ascender() const { return impl_->face ? static_cast<int>(impl_->face->size->metrics.ascender >> 6) : 0; }
int Font::Descender() const {
    return impl_->face ? static_cast<int>(-(impl_->face->size->metrics.descender >> 6)) : 0;
}

TextLine Font::Render(const std::string& utf8, int tracking, int margin) const {
    TextLine line;
    FT_Face face = impl_->face;
    if (!face) return line;
    std::vector<PlacedGlyph> glyphs;
    int pen = 0;
    FT_UInt previous = 0;
    int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
    for (char32_t cp : DecodeUTF8(utf8)) {
        FT_UInt index = FT_Get_Char_Index(face, cp);
        if (previous && index && FT_HAS_KERNING(face)) {
            FT_Vector kern{};
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
            pen += static_cast<int>(kern.x >> 6);
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) continue;
        FT_GlyphSlot slot = face->glyph;
        PlacedGlyph g;
        g.x = pen + slot->bitmap_left;
        g.y = -slot->bitmap_top;
        g.width = static_cast<int>(slot->bitmap.width);
        g.rows = static_cast<int>(slot->bitmap.rows);
        for (int r = 0; r < g.rows; ++r) {
            const uint8_t* row = slot->bitmap.buffer + r * slot->bitmap.pitch;
            g.coverage.insert(g.coverage.end(), row, row + g.width);
        }
        if (g.width > 0 && g.rows > 0) {
            left = std::min(left, g.x);
            right = std::max(right, g.x + g.width);
            top = std::min(top, g.y);
            bottom = std::max(bottom, g.y + g.rows);
            glyphs.push_back(std::move(g));
        }
        pen += static_cast<int>(slot->advance.x >> 6) + tracking;
        previous = index;
    }
    if (glyphs.empty()) return line;
    pen -= tracking;
    left = std::min(left, 0);
    right = std::max(right, pen);
    line.mask = Mask(right - left + 2 * margin, bottom - top + 2 * margin);
    line.originX = margin - left;
    line.baseline = margin - top;
    line.advance = pen;
    for (const PlacedGlyph& g : glyphs)
        for (int r = 0; r < g.rows; ++r)
            for (int c = 0; c < g.width; ++c) {
                float& v = line.mask.At(line.originX + g.x + c, line.baseline + g.y + r);
                v = std::min(1.0f, v + g.coverage[static_cast<std::size_t>(r) * g.width + c] / 255.0f);
            }
    return line;
}
