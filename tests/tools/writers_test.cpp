// The writers, checked by reading what they write with the saver's own readers:
// the container reader, the TGA and JPEG decoders and the MilkShape reader.
// (The WAV writer is checked with SDL's WAV loader.)
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <tuple>

#include "TestFiles.h"
#include "assets/JPGLoader.h"
#include "assets/ResFile.h"
#include "assets/TGALoader.h"
#include "assets/Texture.h"
#include "maths/Misc.h"
#include "models/MilkshapeModel.h"
#include "writers/ContainerWriter.h"
#include "writers/JPEGWriter.h"
#include "writers/MS3DWriter.h"
#include "writers/TGAWriter.h"
#include "writers/WAVWriter.h"

namespace {

using testfiles::Bytes;
using testfiles::TempDir;

Bytes Pattern(std::size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

std::istringstream StreamOf(const Bytes& bytes) { return std::istringstream(std::string(bytes.begin(), bytes.end())); }

// ---- Files ------------------------------------------------------------------------
// (The container writer is checked with the container reader in tests/assets/resfile_test,
// the TGA writer's packets with the decoder in tests/assets/tga_test.)

TEST(WriteFileAtomically, ReplacesWholeFilesAndLeavesNothingOnFailure) {
    TempDir folder;
    const std::string path = folder.File("out.bin");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, Pattern(100, 1), &error)) << error;
    ASSERT_TRUE(WriteFileAtomically(path, Pattern(5, 2), &error)) << error;
    EXPECT_EQ(testfiles::ReadBytes(path), Pattern(5, 2));

    // A folder that does not exist: failure, a message naming the path, no file.
    EXPECT_FALSE(WriteFileAtomically(folder.File("no/such/folder/out.bin"), Pattern(5, 2), &error));
    EXPECT_NE(error.find("no/such/folder"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "a temporary survived";
}

// ---- TGA ------------------------------------------------------------------------

TEST(TGAWriter, RLEIsSmallerOnFlatPicturesAndRefusesWhatTheFormatCannotHold) {
    Image flat(256, 64, 4);
    EXPECT_LT(EncodeTGA(flat, true).size(), EncodeTGA(flat, false).size() / 20);

    Image wrongSize(4, 4, 3);
    wrongSize.pixels.pop_back();
    EXPECT_TRUE(EncodeTGA(Image(2, 2, 2), false).empty());
    EXPECT_TRUE(EncodeTGA(wrongSize, true).empty());
    EXPECT_TRUE(EncodeTGA(Image(65536, 1, 3), false).empty());  // sides are 16-bit in the header
}

// ---- JPEG -----------------------------------------------------------------------

TEST(JPEGWriter, RowsKeepTheirOrderAndAlphaIsDropped) {
    // 16 x 16 with alpha: the top half red, the bottom half blue (row 0 is the
    // bottom). Four channels read as three would scramble the colours.
    Image image(16, 16, 4);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = image.At(x, y);
            p[0] = y >= 8 ? 255 : 0;
            p[2] = y >= 8 ? 0 : 255;
            p[3] = static_cast<uint8_t>(x * 16 + y);
        }
    Bytes bytes;
    ASSERT_TRUE(EncodeJPEG(image, 95, &bytes));
    DecodedImage decoded;
    ASSERT_TRUE(DecodeJPEG(bytes.data(), static_cast<long>(bytes.size()), &decoded));
    ASSERT_TRUE(decoded.width == 16u && decoded.height == 16u);
    for (int y : {1, 5}) {
        const unsigned char* bottom = decoded.rgb.get() + (y * 16 + 8) * 3;
        const unsigned char* top = decoded.rgb.get() + ((15 - y) * 16 + 8) * 3;
        EXPECT_GT(bottom[2], 200) << y;
        EXPECT_LT(bottom[0] + bottom[1], 60) << y;
        EXPECT_GT(top[0], 200) << y;
        EXPECT_LT(top[1] + top[2], 60) << y;
    }

    Bytes untouched = {1, 2, 3};
    Image bad(4, 4, 3);
    bad.pixels.resize(5);
    EXPECT_FALSE(EncodeJPEG(bad, 90, &untouched));
    EXPECT_EQ(untouched, (Bytes{1, 2, 3}));
}

// ---- WAV ------------------------------------------------------------------------

TEST(WAVWriter, SDLReadsTheFormatAndTheSamples) {
    const std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 1234, -4321, 7};
    const Bytes bytes = EncodeWAV(samples, 2, 22050);
    ASSERT_EQ(bytes.size(), 44u + samples.size() * 2);
    SDL_AudioSpec format{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_NE(SDL_LoadWAV_RW(rw, 1, &format, &buffer, &length), nullptr) << SDL_GetError();
    EXPECT_TRUE(format.freq == 22050 && format.channels == 2 && format.format == AUDIO_S16LSB);
    ASSERT_EQ(length, samples.size() * 2);
    std::vector<int16_t> back(samples.size());
    std::memcpy(back.data(), buffer, length);
    SDL_FreeWAV(buffer);
    EXPECT_EQ(back, samples);

    EXPECT_TRUE(EncodeWAV({1, 2, 3}, 2, 44100).empty() && EncodeWAV({1, 2}, 0, 44100).empty() &&
                EncodeWAV(std::vector<int16_t>(18), 9, 44100).empty() && EncodeWAV({1, 2}, 1, 0).empty());  // half a frame, channels, rate
    EXPECT_EQ(EncodeWAV({}, 1, 44100).size(), 44u);  // silence of no length is still a valid file
}

// ---- MS3D -----------------------------------------------------------------------

// Two bones, a triangle on each, one textured group, keys on both joints.
MS3DData SmallModel() {
    MS3DData m;
    for (int i = 0; i < 4; ++i) {
        MS3DData::Vertex v;
        v.position = {static_cast<float>(i), 2.0f * i, -0.5f * i};
        v.jointIndex = static_cast<int8_t>(i < 2 ? 0 : 1);
        m.vertices.push_back(v);
    }
    MS3DData::Triangle t;
    t.vertexIndices = {0, 1, 2};
    t.normals = {{{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}};
    t.s = {0.0f, 0.5f, 1.0f};
    t.t = {0.25f, 0.75f, 1.0f};
    m.triangles = {t, t};
    m.triangles[1].vertexIndices = {1, 2, 3};
    MS3DData::Group g;
    g.name = "body";
    g.triangleIndices = {0, 1};
    g.materialIndex = 0;
    m.groups.push_back(g);
    MS3DData::Material mat;
    mat.ambient = {0.1f, 0.2f, 0.3f, 1.0f};
    mat.transparency = 0.5f;
    mat.mode = 0x80;
    mat.textureFile = "coat.tga";
    m.materials.push_back(mat);
    MS3DData::Joint root, neck;
    root.name = "root";
    root.position = {0, 10, 0};
    root.rotationKeys = {{0.0f, {0, 0, 0}}, {1.0f, {0.5f, 0, 0}}};
    neck.name = "neck";
    neck.parentName = "root";
    neck.rotation = {0.1f, 0.2f, 0.3f};
    neck.translationKeys = {{0.5f, {1, 2, 3}}};
    m.joints = {root, neck};
    m.fps = 25.0f;
    m.totalFrames = 30;
    return m;
}

TEST(MS3DWriter, ModelReadsBackFieldForField) {
    std::string error;
    const Bytes bytes = EncodeMS3D(SmallModel(), &error);
    ASSERT_FALSE(bytes.empty()) << error;
    std::istringstream stream = StreamOf(bytes);
    MS3D model;
    ASSERT_TRUE(model.LoadFromFStream(&stream));
    EXPECT_EQ(stream.peek(), std::char_traits<char>::eof());  // nothing written beyond the last joint

    const MS3D_TRIANGLE& triangle = model.triangles[0];
    const MS3D_GROUP& group = model.groups[0];
    const MS3D_MATERIAL& material = model.materials[0];
    const MS3D_JOINT* joints = model.joints;
    EXPECT_EQ(std::make_tuple(model.numVertices, model.numTriangles, model.numGroups, model.numMaterials,
                              model.numJoints),
              std::make_tuple(4, 2, 1, 1, 2));
    EXPECT_EQ(std::make_tuple(model.vertices[3].position[1], model.vertices[3].jointIndex), std::make_tuple(6.0f, 1));
    EXPECT_EQ(std::make_tuple(model.triangles[1].vertexIndices[2], triangle.normals[2][0], triangle.s[1],
                              triangle.t[0]),
              std::make_tuple(3, 1.0f, 0.5f, 0.25f));
    ASSERT_EQ(group.triangleCount, 2);
    EXPECT_EQ(std::make_tuple(std::string(group.name), group.triangleIndices[1], group.materialIndex),
              std::make_tuple("body", 1, 0));
    EXPECT_EQ(std::make_tuple(material.ambient[2], material.transparency, material.mode,
                              std::string(material.textureFile)),
              std::make_tuple(0.3f, 0.5f, 0x80, "coat.tga"));
    EXPECT_EQ(std::make_tuple(model.fps, model.totalFrames), std::make_tuple(25.0f, 30));
    EXPECT_EQ(std::make_tuple(std::string(joints[1].name), std::string(joints[1].parentName), joints[1].rotation[2],
                              joints[0].position[1]),
              std::make_tuple("neck", "root", 0.3f, 10.0f));
    ASSERT_EQ(std::make_tuple(joints[0].rotationKeyCount, joints[1].translationKeyCount), std::make_tuple(2, 1));
    const MS3D_KEYFRAME& rotation = joints[0].rotationKeys[1];
    EXPECT_EQ(std::make_tuple(rotation.time, rotation.value[0], joints[1].translationKeys[0].value[2]),
              std::make_tuple(1.0f, 0.5f, 3.0f));
}

TEST(MS3DWriter, RefusesDescriptionsTheReaderWouldRejectOrMisread) {
    struct Case { const char* name; void (*spoil)(MS3DData&); };
    const Case cases[] = {
        {"triangle corner past the vertices", [](MS3DData& m) { m.triangles[0].vertexIndices[1] = 4; }},
        {"vertex bound to a missing joint", [](MS3DData& m) { m.vertices[0].jointIndex = 2; }},
        {"vertex joint below -1", [](MS3DData& m) { m.vertices[0].jointIndex = -2; }},
        {"group names a missing triangle", [](MS3DData& m) { m.groups[0].triangleIndices.push_back(2); }},
        {"group names a missing material", [](MS3DData& m) { m.groups[0].materialIndex = 1; }},
        {"group name fills its field", [](MS3DData& m) { m.groups[0].name.assign(32, 'g'); }},
        {"texture name fills its field", [](MS3DData& m) { m.materials[0].textureFile.assign(128, 't'); }},
        {"child before its parent", [](MS3DData& m) { std::swap(m.joints[0], m.joints[1]); }},
        {"two joints of one name", [](MS3DData& m) { m.joints[1].name = "root"; }},
        {"unnamed joint", [](MS3DData& m) { m.joints[0].name.clear(); m.joints[1].parentName.clear(); }},
        {"no frame rate", [](MS3DData& m) { m.fps = 0.0f; }},
        {"too many vertices", [](MS3DData& m) { m.vertices.resize(65536); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MS3DData model = SmallModel();
        c.spoil(model);
        std::string error;
        EXPECT_TRUE(EncodeMS3D(model, &error).empty());
        EXPECT_FALSE(error.empty());
    }
    // A name of 31 characters still fits, with its terminating zero.
    MS3DData longest = SmallModel();
    longest.groups[0].name.assign(31, 'g');
    EXPECT_FALSE(EncodeMS3D(longest).empty());
}

}  // namespace
