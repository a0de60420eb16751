// Texture building and texture tables, checked on the real uploaded textures
// (read back with glGetTexImage). Containers and image lumps come from the
// shared writers.
#include "assets/Texture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "GLFixture.h"
#include "TestFiles.h"
#include "assets/ResFile.h"
#include "writers/JPEGWriter.h"
#include "writers/TGAWriter.h"

namespace {

using testfiles::Bytes;

// A record as the decoders leave it: malloc'd pixels, size and format.
void Decoded(Texture* t, uint32_t width, uint32_t height, GLenum format, const Bytes& pixels) {
    t->pixels = static_cast<unsigned char*>(std::malloc(pixels.size()));
    std::memcpy(t->pixels, pixels.data(), pixels.size());
    t->width = width;
    t->height = height;
    t->format = format;
    t->bitsPerPixel = format == GL_RGBA ? 32 : 24;
}

class TextureTest : public GLTest {
protected:
    // The RGBA texels OpenGL holds for the record's texture, first row first.
    static Bytes ReadBack(const Texture& t) {
        glBindTexture(GL_TEXTURE_2D, t.textureName);
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(uint32_t(width) * uint32_t(height), t.width * t.height);
        Bytes rgba(static_cast<size_t>(width) * height * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }
    testfiles::TempDir dir_;
};

TEST_F(TextureTest, AlphaModesOnTheUploadedTexture) {
    const struct {
        const char* name;
        GLenum format;
        int mode;
        Bytes pixels;  // 2x2
        Bytes alphas;
    } cases[] = {
        {"colour key from the first pixel", GL_RGB, 1, {255, 0, 255, 255, 0, 254, 255, 0, 255, 0, 0, 0}, {0, 255, 0, 255}},
        {"colour key is not fixed to magenta", GL_RGB, 1, {9, 9, 9, 255, 0, 255, 9, 9, 8, 9, 9, 9}, {0, 255, 255, 0}},
        {"brightness is the largest channel", GL_RGB, 2, {10, 200, 30, 0, 0, 0, 255, 1, 1, 7, 7, 9}, {200, 0, 255, 9}},
        {"mode 0 is opaque", GL_RGB, 0, {0, 0, 0, 255, 0, 255, 0, 0, 0, 1, 2, 3}, {255, 255, 255, 255}},
        {"mode 7 is opaque", GL_RGB, 7, {0, 0, 0, 255, 0, 255, 0, 0, 0, 1, 2, 3}, {255, 255, 255, 255}},
        {"32-bit keeps its own alpha", GL_RGBA, 1,
         {255, 0, 255, 4, 255, 0, 255, 77, 1, 2, 3, 0, 9, 9, 9, 255}, {4, 77, 0, 255}},
    };
    std::vector<GLuint> names;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Texture t;
        Decoded(&t, 2, 2, c.format, c.pixels);
        ASSERT_TRUE(BuildTexture(&t, c.mode));
        EXPECT_EQ(t.pixels, nullptr);
        names.push_back(t.textureName);
        const Bytes rgba = ReadBack(t);
        const size_t stride = c.format == GL_RGBA ? 4 : 3;
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(rgba[i * 4 + 3], c.alphas[i]) << "pixel " << i;
            for (size_t k = 0; k < 3; ++k) EXPECT_EQ(rgba[i * 4 + k], c.pixels[i * stride + k]) << "pixel " << i;
        }
    }
    for (GLuint name : names) EXPECT_FALSE(glIsTexture(name)) << "the destructor deletes " << name;

    // A mask gives alpha from its red channel; the mask keeps its pixels.
    Texture colour, mask;
    Decoded(&colour, 3, 1, GL_RGB, {10, 20, 30, 40, 50, 60, 70, 80, 90});
    Decoded(&mask, 3, 1, GL_RGB, {0, 99, 99, 128, 0, 0, 255, 1, 1});
    ASSERT_TRUE(BuildTGATextureWithAlpha(&colour, &mask));
    EXPECT_TRUE(colour.pixels == nullptr && mask.pixels != nullptr);
    EXPECT_EQ(ReadBack(colour), (Bytes{10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255}));
}

// Refused before a name is made; the pixels stay for the destructor.
TEST_F(TextureTest, RefusesRecordsThatCannotBeOneTexture) {
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    ASSERT_GT(maxSide, 0);
    const struct { const char* name; bool pixels; uint32_t width, height, maskWidth; } cases[] = {
        {"no pixels", false, 2, 2, 2},
        {"zero width", true, 0, 2, 0},
        {"wider than OpenGL takes", true, uint32_t(maxSide) + 1, 1, uint32_t(maxSide) + 1},
        {"side beyond every size type", true, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu},
        {"a smaller mask, read out of bounds", true, 2, 2, 1},  // only the mask is wrong
        {"no mask", true, 2, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Texture t, mask;
        if (c.pixels) Decoded(&t, c.width, c.height, GL_RGB, Bytes(12, 1));
        if (c.maskWidth) Decoded(&mask, c.maskWidth, c.height, GL_RGB, Bytes(12, 1));
        t.width = c.width;
        t.height = c.height;
        const bool onlyTheMask = c.pixels && c.width == 2;
        EXPECT_FALSE(BuildTGATextureWithAlpha(&t, onlyTheMask && !c.maskWidth ? nullptr : &mask));
        if (!onlyTheMask) {
            EXPECT_FALSE(BuildTexture(&t, 1));
        }
        EXPECT_EQ(t.textureName, 0u);
        EXPECT_EQ(t.pixels != nullptr, c.pixels);
    }
    EXPECT_FALSE(BuildTexture(nullptr, 0));
}

// Lumps of type 1 are TGAs, 3 JPEGs, built with the lump's param as alpha mode;
// a valid TGA in a lump of type 0 is not an image. A bad lump stops the load,
// with what was built kept and the table the caller's.
TEST_F(TextureTest, TablesFromContainers) {
    Image keyed(2, 1, 3);  // magenta, the key, then green
    keyed.pixels = {255, 0, 255, 0, 255, 0};
    const Bytes tga = EncodeTGA(keyed, false);
    Bytes jpeg;
    ASSERT_TRUE(EncodeJPEG(testfiles::SolidImage(8, 8, {200, 200, 200}), 90, &jpeg));
    const Bytes cutJPEG(jpeg.begin(), jpeg.end() - 20);
    const struct { const char* name; std::vector<LumpData> lumps; bool ok; std::vector<bool> built; } cases[] = {
        {"TGA, other, JPEG", {{tga, 1, 1}, {tga, 0, 1}, {jpeg, 3, 2}}, true, {true, false, true}},
        {"no lumps", {}, true, {}},
        {"a bad lump", {{tga, 1, 0}, {cutJPEG, 3, 0}, {tga, 1, 0}}, false, {true, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Texture* table = nullptr;
        int count = -1;
        EXPECT_EQ(LoadTexturesFromDataFile(dir_.Write("t.kst", BuildContainer(c.lumps)).c_str(), &table, &count), c.ok);
        ASSERT_EQ(count, int(c.lumps.size()));
        ASSERT_NE(table, nullptr);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(table[i].textureName != 0, c.built[i]) << i;
            EXPECT_EQ(table[i].pixels, nullptr) << i;
        }
        if (c.ok && count == 3) {
            EXPECT_EQ(ReadBack(table[0]), (Bytes{255, 0, 255, 0, 0, 255, 0, 255}));
            const Bytes grey = ReadBack(table[2]);
            EXPECT_NEAR(grey[0], 200, 2);
            EXPECT_EQ(grey[3], grey[0]) << "brightness alpha, from the lump's param";
        }
        delete[] table;
    }
    // A failed Open leaves the caller's table and count alone.
    Texture sentinel, *table = &sentinel;
    int count = 42;
    for (const std::string& path : {dir_.Write("short.kst", {'K', 'S', 'T', 'F'}), dir_.File("missing.kst")})
        EXPECT_FALSE(LoadTexturesFromDataFile(path.c_str(), &table, &count)) << path;
    EXPECT_TRUE(table == &sentinel && count == 42);

    // The per-lump rule refuses indices outside the directory.
    RESFILE file;
    ASSERT_TRUE(file.Open(dir_.Write("t.kst", BuildContainer({{tga, 1, 0}})).c_str()));
    Texture t;
    EXPECT_FALSE(LoadTextureLump(file, -1, &t));
    EXPECT_FALSE(LoadTextureLump(file, 1, &t));
    EXPECT_EQ(t.textureName, 0u);
    EXPECT_TRUE(LoadTextureLump(file, 0, &t));
}

}  // namespace
