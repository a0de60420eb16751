// Texture building and texture tables, checked on the real uploaded textures:
// each test reads back what OpenGL holds with glGetTexImage. Containers, TGA
// and JPEG lumps are built here byte by byte.
#include "assets/Texture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "GLFixture.h"
#include "assets/ResFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ---- Building inputs ----------------------------------------------------------

// A decoded record as the decoders leave it: malloc'd pixels, size and format.
void Decoded(Texture* t, uint32_t width, uint32_t height, GLenum format, const Bytes& pixels) {
    const size_t bytes = static_cast<size_t>(width) * height * (format == GL_RGBA ? 4 : 3);
    ASSERT_EQ(pixels.size(), bytes);
    t->pixels = static_cast<unsigned char*>(std::malloc(bytes));
    std::memcpy(t->pixels, pixels.data(), bytes);
    t->width = width;
    t->height = height;
    t->format = format;
    t->bitsPerPixel = format == GL_RGBA ? 32 : 24;
}

// An uncompressed 24-bit TGA of pixels given R, G, B, first stored row first.
Bytes TGA(uint16_t width, uint16_t height, const Bytes& rgb) {
    Bytes bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bytes.insert(bytes.end(), {static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                               static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), 24, 0});
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) bytes.insert(bytes.end(), {rgb[i + 2], rgb[i + 1], rgb[i]});
    return bytes;
}

// A baseline JPEG of one colour.
Bytes SolidJPEG(int width, int height, const Bytes& rgb) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = width;
    c.image_height = height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    Bytes row;
    for (int x = 0; x < width; ++x) row.insert(row.end(), rgb.begin(), rgb.end());
    for (JSAMPROW r = row.data(); c.next_scanline < c.image_height;) jpeg_write_scanlines(&c, &r, 1);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

struct Lump {
    uint32_t type;
    uint32_t param;
    Bytes body;
};

void Put32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Header, directory, then the bodies in order; the size check sealed last.
Bytes Container(const std::vector<Lump>& lumps) {
    Bytes bytes(24 + 28 * lumps.size(), 0);
    std::memcpy(bytes.data(), "KSTF", 4);
    Put32(bytes, 12, static_cast<uint32_t>(lumps.size()));
    Put32(bytes, 20, 24);
    for (size_t i = 0; i < lumps.size(); ++i) {
        const size_t entry = 24 + 28 * i;
        Put32(bytes, entry + 0, static_cast<uint32_t>(lumps[i].body.size()));
        Put32(bytes, entry + 4, static_cast<uint32_t>(bytes.size()));
        Put32(bytes, entry + 8, lumps[i].type);
        Put32(bytes, entry + 12, lumps[i].param);
        bytes.insert(bytes.end(), lumps[i].body.begin(), lumps[i].body.end());
    }
    Put32(bytes, 16, ~static_cast<uint32_t>(bytes.size()));
    return bytes;
}

// ---- Reading back -------------------------------------------------------------

class TextureTest : public GLTest {
protected:
    void TearDown() override {
        std::remove(path_.c_str());
        GLTest::TearDown();
    }

    // The RGBA texels OpenGL holds for the record's texture, first row first.
    Bytes ReadBack(const Texture& t) {
        glBindTexture(GL_TEXTURE_2D, t.textureName);
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(static_cast<uint32_t>(width), t.width);
        EXPECT_EQ(static_cast<uint32_t>(height), t.height);
        Bytes rgba(static_cast<size_t>(width) * height * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    static Bytes Alphas(const Bytes& rgba) {
        Bytes alphas;
        for (size_t i = 3; i < rgba.size(); i += 4) alphas.push_back(rgba[i]);
        return alphas;
    }

    bool WriteContainer(const Bytes& bytes) {
        FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return false;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && written;
    }

    const std::string path_ = ::testing::TempDir() + "texture_" +
        ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".kst";
};

// ---- BuildTexture -------------------------------------------------------------

TEST_F(TextureTest, AlphaModesOnTheUploadedTexture) {
    struct Case {
        const char* name;
        GLenum format;
        int mode;
        Bytes pixels;  // 2x2
        Bytes alphas;
    };
    const Case cases[] = {
        {"colour key from the first pixel", GL_RGB, 1,
         {255, 0, 255, 255, 0, 254, 255, 0, 255, 0, 0, 0}, {0, 255, 0, 255}},
        {"colour key is not fixed to magenta", GL_RGB, 1,
         {9, 9, 9, 255, 0, 255, 9, 9, 8, 9, 9, 9}, {0, 255, 255, 0}},
        {"brightness is the largest channel", GL_RGB, 2,
         {10, 200, 30, 0, 0, 0, 255, 1, 1, 7, 7, 9}, {200, 0, 255, 9}},
        {"mode 0 is opaque", GL_RGB, 0, {0, 0, 0, 255, 0, 255, 0, 0, 0, 1, 2, 3}, {255, 255, 255, 255}},
        {"mode 7 is opaque", GL_RGB, 7, {0, 0, 0, 255, 0, 255, 0, 0, 0, 1, 2, 3}, {255, 255, 255, 255}},
        {"32-bit keeps its alpha under the colour key", GL_RGBA, 1,
         {255, 0, 255, 4, 255, 0, 255, 77, 1, 2, 3, 0, 9, 9, 9, 255}, {4, 77, 0, 255}},
        {"32-bit keeps its alpha under brightness", GL_RGBA, 2,
         {0, 0, 0, 200, 255, 255, 255, 10, 1, 2, 3, 0, 9, 9, 9, 255}, {200, 10, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Texture t;
        Decoded(&t, 2, 2, c.format, c.pixels);
        ASSERT_TRUE(BuildTexture(&t, c.mode));
        const Bytes rgba = ReadBack(t);
        EXPECT_EQ(Alphas(rgba), c.alphas);
        const size_t stride = c.format == GL_RGBA ? 4 : 3;
        for (size_t i = 0; i < 4; ++i)
            for (size_t k = 0; k < 3; ++k)
                EXPECT_EQ(rgba[i * 4 + k], c.pixels[i * stride + k]) << "pixel " << i << " channel " << k;
    }
}

TEST_F(TextureTest, BuiltRecordHoldsOnlyItsTextureName) {
    Texture t;
    Decoded(&t, 4, 2, GL_RGB, Bytes(4 * 2 * 3, 50));
    ASSERT_TRUE(BuildTexture(&t, 0));
    EXPECT_EQ(t.pixels, nullptr);
    EXPECT_NE(t.textureName, 0u);
    EXPECT_EQ(t.width, 4u);
    EXPECT_EQ(t.height, 2u);
    EXPECT_EQ(t.format, static_cast<uint32_t>(GL_RGB));
    EXPECT_EQ(t.bitsPerPixel, 24u);

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<uint32_t>(bound), t.textureName);
    const struct {
        GLenum parameter;
        GLint value;
    } parameters[] = {{GL_TEXTURE_WRAP_S, GL_REPEAT}, {GL_TEXTURE_WRAP_T, GL_REPEAT},
                      {GL_TEXTURE_MIN_FILTER, GL_LINEAR}, {GL_TEXTURE_MAG_FILTER, GL_LINEAR}};
    for (const auto& p : parameters) {
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, p.parameter, &value);
        EXPECT_EQ(value, p.value) << "parameter 0x" << std::hex << p.parameter;
    }
    GLint internalFormat = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internalFormat);
    EXPECT_TRUE(internalFormat == 4 || internalFormat == GL_RGBA || internalFormat == GL_RGBA8);
}

// Records that cannot become one texture are refused before a name is made,
// and keep their pixels for the destructor to release.
TEST_F(TextureTest, RefusesRecordsWithNothingToUpload) {
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    ASSERT_GT(maxSide, 0);
    const struct {
        const char* name;
        bool pixels;
        uint32_t width, height;
    } cases[] = {
        {"no pixels", false, 2, 2},
        {"zero width", true, 0, 2},
        {"wider than OpenGL takes", true, static_cast<uint32_t>(maxSide) + 1, 1},
        {"side beyond every size type", true, 0xFFFFFFFFu, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Texture t;
        if (c.pixels) t.pixels = static_cast<unsigned char*>(std::malloc(12));
        t.width = c.width;
        t.height = c.height;
        t.format = GL_RGB;
        EXPECT_FALSE(BuildTexture(&t, 1));
        EXPECT_EQ(t.textureName, 0u);
        EXPECT_EQ(t.pixels != nullptr, c.pixels);
    }
    EXPECT_FALSE(BuildTexture(nullptr, 0));
}

TEST_F(TextureTest, DestructorDeletesTheTextureName) {
    GLuint name = 0;
    {
        Texture t;
        Decoded(&t, 1, 1, GL_RGB, {1, 2, 3});
        ASSERT_TRUE(BuildTexture(&t, 0));
        name = t.textureName;
        EXPECT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name));
}

// ---- BuildTGATextureWithAlpha -------------------------------------------------

TEST_F(TextureTest, MaskGivesAlphaFromItsRedChannel) {
    Texture colour, mask;
    Decoded(&colour, 3, 1, GL_RGB, {10, 20, 30, 40, 50, 60, 70, 80, 90});
    Decoded(&mask, 3, 1, GL_RGB, {0, 99, 99, 128, 0, 0, 255, 1, 1});
    ASSERT_TRUE(BuildTGATextureWithAlpha(&colour, &mask));
    EXPECT_EQ(colour.pixels, nullptr);
    ASSERT_NE(mask.pixels, nullptr);  // the mask keeps its own
    EXPECT_EQ(mask.textureName, 0u);
    EXPECT_EQ(ReadBack(colour), (Bytes{10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255}));

    // A mask of another size would be read out of bounds: refused.
    Texture other, small;
    Decoded(&other, 2, 2, GL_RGB, Bytes(12, 1));
    Decoded(&small, 2, 1, GL_RGB, Bytes(6, 1));
    EXPECT_FALSE(BuildTGATextureWithAlpha(&other, &small));
    EXPECT_EQ(other.textureName, 0u);
    EXPECT_FALSE(BuildTGATextureWithAlpha(&other, nullptr));
}

// ---- Texture tables ----------------------------------------------------------

TEST_F(TextureTest, TableFromTGAOtherAndJPEGLumps) {
    // TGA: magenta key first, then a green pixel; JPEG: one bright grey.
    const Bytes tga = TGA(2, 1, {255, 0, 255, 0, 255, 0});
    ASSERT_TRUE(WriteContainer(Container({{1, 1, tga}, {0, 1, tga}, {3, 2, SolidJPEG(8, 8, {200, 200, 200})}})));
    Texture* table = nullptr;
    int count = -1;
    ASSERT_TRUE(LoadTexturesFromDataFile(path_.c_str(), &table, &count));
    ASSERT_EQ(count, 3);
    ASSERT_NE(table, nullptr);

    EXPECT_EQ(table[0].pixels, nullptr);
    ASSERT_NE(table[0].textureName, 0u);
    EXPECT_EQ(ReadBack(table[0]), (Bytes{255, 0, 255, 0, 0, 255, 0, 255}));

    // Not an image, though its bytes are a valid TGA: the type decides.
    EXPECT_EQ(table[1].pixels, nullptr);
    EXPECT_EQ(table[1].textureName, 0u);

    EXPECT_EQ(table[2].pixels, nullptr);
    ASSERT_NE(table[2].textureName, 0u);
    EXPECT_EQ(table[2].width, 8u);
    const Bytes jpeg = ReadBack(table[2]);
    EXPECT_NEAR(jpeg[0], 200, 2);
    EXPECT_EQ(jpeg[3], jpeg[0]);  // brightness alpha from the lump's param
    EXPECT_NE(table[0].textureName, table[2].textureName);
    delete[] table;
}

TEST_F(TextureTest, ContainerOfZeroLumpsGivesAnEmptyTable) {
    ASSERT_TRUE(WriteContainer(Container({})));
    Texture* table = nullptr;
    int count = -1;
    ASSERT_TRUE(LoadTexturesFromDataFile(path_.c_str(), &table, &count));
    EXPECT_EQ(count, 0);
    EXPECT_NE(table, nullptr);
    delete[] table;
}

TEST_F(TextureTest, UnreadableContainerLeavesTheCallersTableAlone) {
    Bytes damaged = Container({{1, 0, TGA(1, 1, {1, 2, 3})}});
    damaged.push_back(0);  // the size check no longer matches
    ASSERT_TRUE(WriteContainer(damaged));
    Texture sentinel;
    Texture* table = &sentinel;
    int count = 42;
    EXPECT_FALSE(LoadTexturesFromDataFile(path_.c_str(), &table, &count));
    EXPECT_FALSE(LoadTexturesFromDataFile((path_ + ".missing").c_str(), &table, &count));
    EXPECT_EQ(table, &sentinel);
    EXPECT_EQ(count, 42);
}

// A bad lump stops the load; what was built stays built, the rest stays empty,
// and the caller owns the table either way.
TEST_F(TextureTest, BadLumpStopsTheLoadAndTheCallerOwnsTheTable) {
    const Bytes corruptJPEG = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};  // cut short in a table
    const Bytes tga = TGA(1, 1, {1, 2, 3});
    ASSERT_TRUE(WriteContainer(Container({{1, 0, tga}, {3, 0, corruptJPEG}, {1, 0, tga}})));
    Texture* table = nullptr;
    int count = 0;
    EXPECT_FALSE(LoadTexturesFromDataFile(path_.c_str(), &table, &count));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(count, 3);
    EXPECT_NE(table[0].textureName, 0u);
    for (int i : {1, 2}) {
        EXPECT_EQ(table[i].pixels, nullptr) << i;
        EXPECT_EQ(table[i].textureName, 0u) << i;
    }
    delete[] table;
}

TEST_F(TextureTest, LumpRuleRefusesIndicesOutsideTheDirectory) {
    ASSERT_TRUE(WriteContainer(Container({{1, 0, TGA(1, 1, {1, 2, 3})}, {0, 0, {}}})));
    RESFILE file;
    ASSERT_TRUE(file.Open(path_.c_str()));
    Texture t;
    EXPECT_FALSE(LoadTextureLump(file, -1, &t));
    EXPECT_FALSE(LoadTextureLump(file, 2, &t));
    EXPECT_EQ(t.textureName, 0u);
    EXPECT_TRUE(LoadTextureLump(file, 1, &t));  // not an image: nothing to do
    EXPECT_EQ(t.textureName, 0u);
    EXPECT_TRUE(LoadTextureLump(file, 0, &t));
    EXPECT_NE(t.textureName, 0u);
}

}  // namespace
