// The generated resource files: the main texture table's entries in their
// roles and sizes, read with the saver's own readers and uploaded through its
// texture loader; the image paths the shipped files exercise between them; and
// the generator's promise of the same bytes on every run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "GLFixture.h"
#include "Generators.h"
#include "Registry.h"
#include "TestFiles.h"
#include "assets/JPGLoader.h"
#include "assets/ResFile.h"
#include "assets/TGALoader.h"
#include "assets/Texture.h"

namespace {

// The texture table, generated once for all the tests here.
const std::string& TablePath() {
    static const testfiles::TempDir folder;
    static const std::string path =
        GenerateTextureTable(folder.File("kestrel.workshops")) ? folder.File("kestrel.workshops") : "";
    return path;
}

// Every registered generator's file, generated once, in-process.
const std::string& GeneratedFolder() {
    static const testfiles::TempDir folder;
    static const std::string path = [] {
        for (const RegisteredGenerator& g : RegisteredGenerators())
            if (!g.generate(folder.File(g.fileName))) return std::string();
        return folder.path();
    }();
    return path;
}

// What one image lump is, decoded by the saver's own decoders.
struct LumpPicture {
    bool decoded = false;
    uint32_t type = 0, param = 0;
    bool rle = false;
    uint32_t width = 0, height = 0, bits = 0;
    std::vector<uint8_t> pixels;  // R, G, B(, A), bottom row first
};

LumpPicture ReadPicture(RESFILE& file, int index) {
    LumpPicture p;
    const RESFILE_ENTRY& e = file.directory[index];
    p.type = e.type;
    p.param = e.param;
    void* data = nullptr;
    if (!file.LoadData(index, &data)) return p;
    std::string bytes(static_cast<const char*>(data), e.size);
    delete[] static_cast<uint8_t*>(data);
    if (e.type == kLumpTGA) {
        std::istringstream stream(bytes);
        Texture t;
        if (!LoadTGA2(&t, &stream)) return p;
        p.rle = bytes.size() > 2 && bytes[2] == 10;
        p.width = t.width;
        p.height = t.height;
        p.bits = t.bitsPerPixel;
        p.pixels.assign(t.pixels, t.pixels + static_cast<std::size_t>(t.width) * t.height * (t.bitsPerPixel / 8));
        p.decoded = true;
    } else if (e.type == kLumpJPEG) {
        DecodedImage image;
        if (!DecodeJPEG(bytes.data(), static_cast<long>(bytes.size()), &image)) return p;
        p.width = image.width;
        p.height = image.height;
        p.bits = 24;
        p.pixels.assign(image.rgb.get(), image.rgb.get() + static_cast<std::size_t>(image.width) * image.height * 3);
        p.decoded = true;
    }
    return p;
}

std::vector<LumpPicture> ReadTable(const std::string& path) {
    std::vector<LumpPicture> pictures;
    RESFILE file;
    if (!file.Open(path.c_str())) return pictures;
    for (uint32_t i = 0; i < file.header.lumpCount; ++i) pictures.push_back(ReadPicture(file, static_cast<int>(i)));
    return pictures;
}

const uint8_t* PixelOf(const LumpPicture& p, uint32_t x, uint32_t y) {
    return p.pixels.data() + (static_cast<std::size_t>(y) * p.width + x) * (p.bits / 8);
}

bool PowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

TEST(TextureTable, EveryRoleHasAPictureOfItsShapeAndAlphaMode) {
    ASSERT_FALSE(TablePath().empty()) << "the table generator failed";
    const std::vector<LumpPicture> table = ReadTable(TablePath());
    ASSERT_GE(table.size(), 11u);
    struct Role {
        int index;
        const char* name;
        uint32_t drawnWidth, drawnHeight;  // as the saver draws it (the emblems: as painted)
        uint32_t bits;                     // 32 for pictures with their own alpha
        uint32_t alphaMode;                // what the pictures with 24 bits need
    };
    const Role roles[] = {
        {0, "emblem", 128, 128, 24, 1},        {1, "banner corner", 256, 32, 32, 0},
        {2, "upper intro", 512, 128, 32, 0},   {3, "lower intro", 512, 256, 32, 0},
        {4, "first message", 512, 32, 32, 0},  {5, "second message", 512, 32, 32, 0},
        {6, "flare glow", 128, 128, 24, 2},    {7, "flare ring", 128, 128, 24, 2},
        {8, "flare spot", 128, 128, 24, 2},    {9, "flare starburst", 128, 128, 24, 2},
        {10, "emblem tile", 128, 128, 24, 0},
    };
    for (const Role& r : roles) {
        SCOPED_TRACE(r.name);
        const LumpPicture& p = table[static_cast<std::size_t>(r.index)];
        ASSERT_TRUE(p.decoded);
        EXPECT_TRUE(PowerOfTwo(p.width) && PowerOfTwo(p.height)) << p.width << "x" << p.height;
        // The drawn shape, at no less than the drawn size (more where the screen stretches it).
        EXPECT_EQ(p.width * r.drawnHeight, p.height * r.drawnWidth) << p.width << "x" << p.height;
        EXPECT_GE(p.width, r.drawnWidth);
        EXPECT_EQ(p.bits, r.bits);
        if (r.bits == 24) {
            EXPECT_EQ(p.param, r.alphaMode);
        }
    }
    // The banner sits on the screen pixel for pixel: its corner image is exactly its size.
    EXPECT_EQ(table[1].width, 256u);
    EXPECT_EQ(table[1].height, 32u);
}

TEST(TextureTable, WordsAreSoftEdgedAndFadeOutBeforeTheSides) {
    const std::vector<LumpPicture> table = ReadTable(TablePath());
    ASSERT_GE(table.size(), 6u);
    for (int i = 1; i <= 5; ++i) {
        SCOPED_TRACE(i);
        const LumpPicture& p = table[static_cast<std::size_t>(i)];
        ASSERT_EQ(p.bits, 32u);
        // Drawn over the moving scene: anything left at a side would show the
        // picture's rectangle on the screen.
        std::size_t opaque = 0, partial = 0, sides = 0;
        for (uint32_t y = 0; y < p.height; ++y)
            for (uint32_t x = 0; x < p.width; ++x) {
                uint8_t a = PixelOf(p, x, y)[3];
                opaque += a == 255;
                partial += a > 0 && a < 255;
                sides += a > 0 && (x == 0 || x == p.width - 1);
            }
        const std::size_t total = static_cast<std::size_t>(p.width) * p.height;
        EXPECT_EQ(sides, 0u) << "pixels not transparent at the sides";
        EXPECT_GT(opaque, total / 100) << "no solid letters";
        EXPECT_GT(partial, total / 50) << "no anti-aliased edges or shadows";
        EXPECT_LT(opaque + partial, total * 3 / 4) << "not transparent around the words";
    }
}

TEST(TextureTable, FlaresAreLightOnBlackThatFadesBeforeTheEdge) {
    const std::vector<LumpPicture> table = ReadTable(TablePath());
    ASSERT_GE(table.size(), 10u);
    for (int i = 6; i <= 9; ++i) {
        SCOPED_TRACE(i);
        const LumpPicture& p = table[static_cast<std::size_t>(i)];
        ASSERT_TRUE(p.decoded);
        // Alpha comes from brightness and the flare adds light: any light on the
        // border would draw the quad's square edge. JPEG may leave a trace of noise.
        int border = 0, brightest = 0;
        for (uint32_t y = 0; y < p.height; ++y)
            for (uint32_t x = 0; x < p.width; ++x) {
                const uint8_t* c = PixelOf(p, x, y);
                int v = std::max({c[0], c[1], c[2]});
                brightest = std::max(brightest, v);
                if (x < 2 || y < 2 || x >= p.width - 2 || y >= p.height - 2) border = std::max(border, v);
            }
        EXPECT_LE(border, 3);
        EXPECT_GE(brightest, 128);
    }
    // The glow and the starburst are brightest on the sun; the ring is dark inside.
    for (int i : {6, 9}) EXPECT_GE(PixelOf(table[i], table[i].width / 2, table[i].height / 2)[0], 240) << i;
    EXPECT_LT(PixelOf(table[7], table[7].width / 2, table[7].height / 2)[1], 64);
}

class TextureTableGL : public GLTest {};

TEST_F(TextureTableGL, LoadsIntoTexturesWithTheAlphaOfItsModes) {
    ASSERT_FALSE(TablePath().empty());
    Texture* table = nullptr;
    int count = 0;
    ASSERT_TRUE(LoadTexturesFromDataFile(TablePath().c_str(), &table, &count));
    ASSERT_GE(count, 10);
    for (int i = 0; i < count; ++i) EXPECT_NE(table[i].textureName, 0u) << i;

    auto alphaAt = [&](int entry, uint32_t x, uint32_t y) {
        const Texture& t = table[entry];
        std::vector<uint8_t> rgba(static_cast<std::size_t>(t.width) * t.height * 4);
        glBindTexture(GL_TEXTURE_2D, t.textureName);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba[(static_cast<std::size_t>(y) * t.width + x) * 4 + 3];
    };
    EXPECT_EQ(alphaAt(6, 0, 0), 0);                                      // glow: black is clear
    EXPECT_GT(alphaAt(6, table[6].width / 2, table[6].height / 2), 240);  // and the sun is solid
    EXPECT_EQ(alphaAt(0, 0, 0), 0);                                      // emblem: the key is clear
    EXPECT_EQ(alphaAt(0, 64, 64), 255);                                  // and the medallion solid
    EXPECT_EQ(alphaAt(1, 0, 0), 0);                                      // banner: its own alpha
    delete[] table;
}

// ---- Everything the generator ships ----------------------------------------------

TEST(GeneratedFiles, BetweenThemEveryImagePathOfTheLoaderRuns) {
    ASSERT_FALSE(GeneratedFolder().empty()) << "a generator failed";
    std::set<std::string> paths;
    for (const RegisteredGenerator& g : RegisteredGenerators()) {
        if (g.fileName.find(".wav") != std::string::npos) continue;
        RESFILE file;
        ASSERT_TRUE(file.Open((GeneratedFolder() + "/" + g.fileName).c_str())) << g.fileName;
        for (uint32_t i = 0; i < file.header.lumpCount; ++i) {
            const LumpPicture p = ReadPicture(file, static_cast<int>(i));
            if (p.type != kLumpTGA && p.type != kLumpJPEG) continue;
            ASSERT_TRUE(p.decoded) << g.fileName << " lump " << i;
            paths.insert(p.type == kLumpJPEG ? "JPEG" : p.rle ? "TGA RLE" : "TGA uncompressed");
            paths.insert(std::to_string(p.bits) + " bits");
            // The alpha mode decides only for 24-bit pictures.
            if (p.bits == 24) paths.insert("alpha mode " + std::to_string(p.param));
        }
    }
    for (const char* wanted : {"TGA uncompressed", "TGA RLE", "24 bits", "32 bits", "JPEG", "alpha mode 0",
                               "alpha mode 1", "alpha mode 2"})
        EXPECT_EQ(paths.count(wanted), 1u) << wanted;
}

TEST(GeneratedFiles, TwoRunsOfTheGeneratorWriteTheSameBytes) {
    const testfiles::TempDir first, second;
    const std::string program = SANDMERE_GENERATE_EXE;
    ASSERT_EQ(std::system((program + " '" + first.path() + "'").c_str()), 0);
    ASSERT_EQ(std::system((program + " '" + second.path() + "'").c_str()), 0);
    const std::vector<RegisteredGenerator> generators = RegisteredGenerators();
    ASSERT_GE(generators.size(), 2u);
    for (const RegisteredGenerator& g : generators) {
        SCOPED_TRACE(g.fileName);
        const testfiles::Bytes a = testfiles::ReadBytes(first.File(g.fileName));
        ASSERT_FALSE(a.empty());
        EXPECT_TRUE(a == testfiles::ReadBytes(second.File(g.fileName)));
        // And the same bytes as this process made, which ran with another heap and stack.
        EXPECT_TRUE(a == testfiles::ReadBytes(GeneratedFolder() + "/" + g.fileName));
    }
}

}  // namespace
