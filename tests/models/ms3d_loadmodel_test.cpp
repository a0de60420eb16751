// LoadModel: a model in lump 0 of a container and its textures in lumps 1...
#include <GL/gl.h>

#include <cstdio>
#include <fstream>

#include "GLFixture.h"
#include "assets/ResFile.h"
#include "assets/Texture.h"
#include "ms3d_test_files.h"

using namespace ms3dtest;

namespace {

struct Lump {
    std::string bytes;
    uint32_t type;
};

// A container: header, directory, then the bodies in order.
std::string Container(const std::vector<Lump>& lumps) {
    Bytes directory;
    uint32_t offset = static_cast<uint32_t>(24 + 28 * lumps.size());
    for (const Lump& lump : lumps) {
        directory.I32(static_cast<int32_t>(lump.bytes.size()));
        directory.I32(static_cast<int32_t>(offset));
        directory.I32(static_cast<int32_t>(lump.type));
        directory.I32(0);  // opaque
        directory.Raw(std::string(12, '\0').data(), 12);
        offset += static_cast<uint32_t>(lump.bytes.size());
    }
    Bytes header;
    header.Raw("KSTF", 4);
    header.Raw(std::string(8, '\0').data(), 8);
    header.I32(static_cast<int32_t>(lumps.size()));
    header.I32(static_cast<int32_t>(~offset));  // offset is now the file length
    header.I32(24);
    std::string file = header.str() + directory.str();
    for (const Lump& lump : lumps) file += lump.bytes;
    return file;
}

// An uncompressed 24-bit TGA of one pixel.
std::string OnePixelTGA(uint8_t r, uint8_t g, uint8_t b) {
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = 1;
    tga[14] = 1;
    tga[16] = 24;
    tga += static_cast<char>(b);
    tga += static_cast<char>(g);
    tga += static_cast<char>(r);
    return tga;
}

class MS3DLoadModel : public GLTest {
protected:
    void TearDown() override {
        delete[] textures;
        std::remove(path.c_str());
        GLTest::TearDown();
    }

    bool Load(const std::vector<Lump>& lumps) {
        std::ofstream(path, std::ios::binary) << Container(lumps);
        return LoadModel(path.c_str(), &model, &textures, &count);
    }

    std::string path = ::testing::TempDir() + "ms3d_loadmodel_test.kst";
    MS3D model;
    Texture* textures = nullptr;
    int count = -1;
};

TEST_F(MS3DLoadModel, TexturesFillSlotsByLumpPosition) {
    ASSERT_TRUE(Load({{Encode(TwoSquares()), 0},
                      {OnePixelTGA(255, 0, 0), kLumpTGA},
                      {"not an image", 7},
                      {OnePixelTGA(0, 255, 0), kLumpTGA}}));
    EXPECT_EQ(model.numGroups, 2);
    ASSERT_EQ(count, 3);
    ASSERT_NE(textures, nullptr);
    EXPECT_NE(textures[0].textureName, 0u);
    EXPECT_EQ(textures[1].textureName, 0u) << "an unknown lump type leaves its slot empty";
    EXPECT_NE(textures[2].textureName, 0u);

    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    model.DrawGroup(0, textures);
    const auto left = PixelAt(64, 128);
    EXPECT_EQ(left[0], 255);
    EXPECT_EQ(left[1], 0);
}

// With only the model there are no textures; every material still finds an
// empty slot when drawing with the table.
TEST_F(MS3DLoadModel, OnlyTheModel) {
    ASSERT_TRUE(Load({{Encode(TwoSquares()), 0}}));
    EXPECT_EQ(count, 0);
    ASSERT_NE(textures, nullptr);
    EXPECT_EQ(textures[0].textureName, 0u);
    EXPECT_EQ(textures[1].textureName, 0u);
    model.Render(textures);
}

TEST_F(MS3DLoadModel, BadTextureFailsButHandsOverTheTable) {
    EXPECT_FALSE(Load({{Encode(TwoSquares()), 0},
                       {OnePixelTGA(255, 0, 0), kLumpTGA},
                       {"broken", kLumpTGA}}));
    EXPECT_EQ(count, 2);
    ASSERT_NE(textures, nullptr);
    EXPECT_NE(textures[0].textureName, 0u);
    EXPECT_EQ(model.numGroups, 2) << "the model keeps what was read";
}

TEST_F(MS3DLoadModel, NoTableWithoutAModel) {
    Model bad = TwoSquares();
    bad.version = 5;
    EXPECT_FALSE(Load({{Encode(bad), 0}, {OnePixelTGA(1, 2, 3), kLumpTGA}}));
    EXPECT_FALSE(Load({}));
    EXPECT_EQ(textures, nullptr);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(model.numGroups, 0);

    EXPECT_FALSE(LoadModel("/nonexistent/c.kst", &model, &textures, &count));
    std::ofstream(path, std::ios::binary) << Container({{Encode(TwoSquares()), 0}});
    EXPECT_FALSE(LoadModel(path.c_str(), nullptr, &textures, &count));
    EXPECT_EQ(textures, nullptr);
}

}  // namespace
