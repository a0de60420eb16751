// The writers, checked by reading what they write with the saver's own readers:
// the container reader, the TGA and JPEG decoders and the MilkShape reader.
// (The WAV writer is checked with SDL's WAV loader.)
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

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

// A fresh folder under the system's temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/sandmere-writers-XXXXXX";
        path_ = ::mkdtemp(pattern) ? pattern : "";
    }
    ~TempFolder() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

std::vector<uint8_t> Pattern(std::size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

// ---- Container ------------------------------------------------------------------

TEST(ContainerWriter, LumpsReadBackWithTheirTypesAndParams) {
    TempFolder folder;
    const std::vector<LumpData> lumps = {
        {Pattern(1000, 1), 1, 2},
        {{}, 0, 0},  // an empty lump is allowed
        {Pattern(3, 9), 3, 7},
        {Pattern(70000, 5), 42, 0xFFFFFFFFu},
    };
    const std::string path = folder.File("a.kst");
    ASSERT_TRUE(WriteBytes(path, BuildContainer(lumps)));

    RESFILE file;
    ASSERT_TRUE(file.Open(path.c_str()));
    ASSERT_EQ(file.header.lumpCount, lumps.size());
    for (std::size_t i = 0; i < lumps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(file.directory[i].type, lumps[i].type);
        EXPECT_EQ(file.directory[i].param, lumps[i].param);
        void* data = nullptr;
        ASSERT_TRUE(file.LoadData(static_cast<int>(i), &data));
        const auto* bytes = static_cast<const uint8_t*>(data);
        EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + file.directory[i].size), lumps[i].bytes);
        delete[] static_cast<uint8_t*>(data);
    }
}

TEST(ContainerWriter, EmptyContainerOpensAndSizeCheckCoversEveryByte) {
    TempFolder folder;
    std::vector<uint8_t> empty = BuildContainer({});
    ASSERT_EQ(empty.size(), 24u);
    ASSERT_TRUE(WriteBytes(folder.File("empty.kst"), empty));
    RESFILE reader;
    EXPECT_TRUE(reader.Open(folder.File("empty.kst").c_str()));
    EXPECT_EQ(reader.header.lumpCount, 0u);

    // One byte more or less than the header promises: the reader refuses it.
    std::vector<uint8_t> file = BuildContainer({{Pattern(10, 0), 1, 0}});
    std::vector<uint8_t> longer = file, shorter = file;
    longer.push_back(0);
    shorter.pop_back();
    ASSERT_TRUE(WriteBytes(folder.File("longer.kst"), longer));
    ASSERT_TRUE(WriteBytes(folder.File("shorter.kst"), shorter));
    RESFILE a, b;
    EXPECT_FALSE(a.Open(folder.File("longer.kst").c_str()));
    EXPECT_FALSE(b.Open(folder.File("shorter.kst").c_str()));
}

TEST(WriteFileAtomically, ReplacesWholeFilesAndLeavesNothingOnFailure) {
    TempFolder folder;
    const std::string path = folder.File("out.bin");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, Pattern(100, 1), &error)) << error;
    ASSERT_TRUE(WriteFileAtomically(path, Pattern(5, 2), &error)) << error;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, Pattern(5, 2));

    // A folder that does not exist: failure, a message naming the path, no file.
    const std::string missing = folder.File("no/such/folder/out.bin");
    EXPECT_FALSE(WriteFileAtomically(missing, Pattern(5, 2), &error));
    EXPECT_NE(error.find("no/such/folder"), std::string::npos);
    // Nothing but out.bin is left in the folder: no temporary survives.
    std::string listing;
    FILE* ls = ::popen(("ls -A '" + folder.path() + "'").c_str(), "r");
    char line[256];
    while (ls && std::fgets(line, sizeof line, ls)) listing += line;
    if (ls) ::pclose(ls);
    EXPECT_EQ(listing, "out.bin\n");
}

// ---- TGA ------------------------------------------------------------------------

// A picture with long runs (wider than one 128-pixel packet), short runs and
// pixels that differ from their neighbours, so both packet kinds are written.
Image TestPicture(int width, int height, int channels) {
    Image image(width, height, channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.At(x, y);
            bool run = x < 140 || (x / 3) % 2 == 0;
            p[0] = run ? static_cast<uint8_t>(y * 10) : static_cast<uint8_t>(x * 13 + y);
            p[1] = run ? 200 : static_cast<uint8_t>(x * 7);
            p[2] = static_cast<uint8_t>(y);
            if (channels == 4) p[3] = run ? 255 : static_cast<uint8_t>(x);
        }
    return image;
}

TEST(TGAWriter, RoundTripsThroughTheDecoderInEveryFlavour) {
    struct Case {
        const char* name;
        int width, height, channels;
        bool rle;
    };
    const Case cases[] = {
        {"24-bit uncompressed", 300, 4, 3, false}, {"24-bit RLE", 300, 4, 3, true},
        {"32-bit uncompressed", 300, 4, 4, false}, {"32-bit RLE", 300, 4, 4, true},
        {"one pixel, RLE", 1, 1, 3, true},          {"one column, RLE", 1, 9, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Image image = TestPicture(c.width, c.height, c.channels);
        const std::vector<uint8_t> bytes = EncodeTGA(image, c.rle);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes[2], c.rle ? 10 : 2);
        std::istringstream stream(std::string(bytes.begin(), bytes.end()));
        Texture texture;
        ClearAlerts();
        ASSERT_TRUE(LoadTGA2(&texture, &stream));
        EXPECT_TRUE(RaisedAlerts().empty());
        EXPECT_EQ(texture.width, static_cast<uint32_t>(c.width));
        EXPECT_EQ(texture.height, static_cast<uint32_t>(c.height));
        EXPECT_EQ(texture.bitsPerPixel, static_cast<uint32_t>(c.channels * 8));
        EXPECT_EQ(texture.format, static_cast<uint32_t>(c.channels == 4 ? GL_RGBA : GL_RGB));
        // Same pixels, bottom row first in both.
        EXPECT_EQ(std::vector<uint8_t>(texture.pixels, texture.pixels + image.pixels.size()), image.pixels);
        // The decoder took exactly the bytes written: nothing is left over.
        EXPECT_EQ(stream.peek(), std::char_traits<char>::eof());
    }
}

TEST(TGAWriter, RLEIsSmallerOnFlatPicturesAndRefusesWhatTheFormatCannotHold) {
    Image flat(256, 64, 4);
    EXPECT_LT(EncodeTGA(flat, true).size(), EncodeTGA(flat, false).size() / 20);

    Image twoChannels;
    twoChannels.width = 2;
    twoChannels.height = 2;
    twoChannels.channels = 2;
    twoChannels.pixels.assign(8, 0);
    EXPECT_TRUE(EncodeTGA(twoChannels, false).empty());
    Image wrongSize(4, 4, 3);
    wrongSize.pixels.pop_back();
    EXPECT_TRUE(EncodeTGA(wrongSize, true).empty());
    EXPECT_TRUE(EncodeTGA(Image(65536, 1, 3), false).empty());  // sides are 16-bit in the header
}

// ---- JPEG -----------------------------------------------------------------------

TEST(JPEGWriter, RowsComeBackInTheSameOrderAndColoursClose) {
    // 16 x 8: the top half red, the bottom half blue. Image row 0 is the bottom.
    Image image(16, 8, 3);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = image.At(x, y);
            p[0] = y >= 4 ? 255 : 0;
            p[1] = 0;
            p[2] = y >= 4 ? 0 : 255;
        }
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeJPEG(image, 95, &bytes));
    DecodedImage decoded;
    ASSERT_TRUE(DecodeJPEG(bytes.data(), static_cast<long>(bytes.size()), &decoded));
    ASSERT_EQ(decoded.width, 16u);
    ASSERT_EQ(decoded.height, 8u);
    const unsigned char* bottom = decoded.rgb.get() + (0 * 16 + 8) * 3;  // row 0, middle
    const unsigned char* top = decoded.rgb.get() + (7 * 16 + 8) * 3;     // row 7, middle
    EXPECT_GT(bottom[2], 200);
    EXPECT_LT(bottom[0], 60);
    EXPECT_GT(top[0], 200);
    EXPECT_LT(top[2], 60);
}

TEST(JPEGWriter, SameBytesEveryTimeAndFourChannelsLoseOnlyAlpha) {
    Image rgba(32, 32, 4);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            uint8_t* p = rgba.At(x, y);
            p[0] = static_cast<uint8_t>(x * 8);
            p[1] = static_cast<uint8_t>(y * 8);
            p[2] = 128;
            p[3] = static_cast<uint8_t>(x + y);
        }
    std::vector<uint8_t> first, second;
    ASSERT_TRUE(EncodeJPEG(rgba, 90, &first));
    ASSERT_TRUE(EncodeJPEG(rgba, 90, &second));
    EXPECT_EQ(first, second);
    DecodedImage decoded;
    ASSERT_TRUE(DecodeJPEG(first.data(), static_cast<long>(first.size()), &decoded));
    const unsigned char* p = decoded.rgb.get() + (20 * 32 + 10) * 3;
    EXPECT_NEAR(p[0], 80, 12);
    EXPECT_NEAR(p[1], 160, 12);
    EXPECT_NEAR(p[2], 128, 12);

    std::vector<uint8_t> untouched = {1, 2, 3};
    Image bad(4, 4, 3);
    bad.pixels.resize(5);
    EXPECT_FALSE(EncodeJPEG(bad, 90, &untouched));
    EXPECT_EQ(untouched, (std::vector<uint8_t>{1, 2, 3}));
}

// ---- WAV ------------------------------------------------------------------------

TEST(WAVWriter, SDLReadsTheFormatAndTheSamples) {
    const std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 1234, -4321, 7};
    const std::vector<uint8_t> bytes = EncodeWAV(samples, 2, 22050);
    ASSERT_EQ(bytes.size(), 44u + samples.size() * 2);
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_NE(SDL_LoadWAV_RW(rw, 1, &spec, &buffer, &length), nullptr) << SDL_GetError();
    EXPECT_EQ(spec.freq, 22050);
    EXPECT_EQ(spec.channels, 2);
    EXPECT_EQ(spec.format, AUDIO_S16LSB);
    ASSERT_EQ(length, samples.size() * 2);
    std::vector<int16_t> back(samples.size());
    std::memcpy(back.data(), buffer, length);
    SDL_FreeWAV(buffer);
    EXPECT_EQ(back, samples);
}

TEST(WAVWriter, RefusesFormatsItCannotDescribe) {
    EXPECT_TRUE(EncodeWAV({1, 2, 3}, 2, 44100).empty());  // half a frame
    EXPECT_TRUE(EncodeWAV({1, 2}, 0, 44100).empty());
    EXPECT_TRUE(EncodeWAV({1, 2}, 9, 44100).empty());
    EXPECT_TRUE(EncodeWAV({1, 2}, 1, 0).empty());
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
    m.triangles.push_back(t);
    t.vertexIndices = {1, 2, 3};
    m.triangles.push_back(t);
    MS3DData::Group g;
    g.name = "body";
    g.triangleIndices = {0, 1};
    g.materialIndex = 0;
    m.groups.push_back(g);
    MS3DData::Material mat;
    mat.name = "coat";
    mat.ambient = {0.1f, 0.2f, 0.3f, 1.0f};
    mat.transparency = 0.5f;
    mat.mode = 0x80;
    mat.textureFile = "coat.tga";
    m.materials.push_back(mat);
    MS3DData::Joint root;
    root.name = "root";
    root.position = {0, 10, 0};
    root.rotationKeys = {{0.0f, {0, 0, 0}}, {1.0f, {0.5f, 0, 0}}};
    m.joints.push_back(root);
    MS3DData::Joint neck;
    neck.name = "neck";
    neck.parentName = "root";
    neck.rotation = {0.1f, 0.2f, 0.3f};
    neck.translationKeys = {{0.5f, {1, 2, 3}}};
    m.joints.push_back(neck);
    m.fps = 25.0f;
    m.totalFrames = 30;
    return m;
}

TEST(MS3DWriter, ModelReadsBackFieldForField) {
    const MS3DData source = SmallModel();
    std::string error;
    const std::vector<uint8_t> bytes = EncodeMS3D(source, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    std::istringstream stream(std::string(bytes.begin(), bytes.end()));
    MS3D model;
    ASSERT_TRUE(model.LoadFromFStream(&stream));
    EXPECT_EQ(stream.peek(), std::char_traits<char>::eof());  // nothing written beyond the last joint

    ASSERT_EQ(model.numVertices, 4);
    EXPECT_EQ(model.vertices[3].position[1], 6.0f);
    EXPECT_EQ(model.vertices[3].jointIndex, 1);
    ASSERT_EQ(model.numTriangles, 2);
    EXPECT_EQ(model.triangles[1].vertexIndices[2], 3);
    EXPECT_EQ(model.triangles[0].normals[2][0], 1.0f);
    EXPECT_EQ(model.triangles[0].s[1], 0.5f);
    EXPECT_EQ(model.triangles[0].t[0], 0.25f);
    ASSERT_EQ(model.numGroups, 1);
    EXPECT_STREQ(model.groups[0].name, "body");
    ASSERT_EQ(model.groups[0].triangleCount, 2);
    EXPECT_EQ(model.groups[0].triangleIndices[1], 1);
    EXPECT_EQ(model.groups[0].materialIndex, 0);
    ASSERT_EQ(model.numMaterials, 1);
    EXPECT_EQ(model.materials[0].ambient[2], 0.3f);
    EXPECT_EQ(model.materials[0].transparency, 0.5f);
    EXPECT_EQ(model.materials[0].mode, 0x80);
    EXPECT_STREQ(model.materials[0].textureFile, "coat.tga");
    EXPECT_EQ(model.fps, 25.0f);
    EXPECT_EQ(model.totalFrames, 30);
    ASSERT_EQ(model.numJoints, 2);
    EXPECT_STREQ(model.joints[1].name, "neck");
    EXPECT_STREQ(model.joints[1].parentName, "root");
    EXPECT_EQ(model.joints[1].rotation[2], 0.3f);
    EXPECT_EQ(model.joints[0].position[1], 10.0f);
    ASSERT_EQ(model.joints[0].rotationKeyCount, 2);
    EXPECT_EQ(model.joints[0].rotationKeys[1].time, 1.0f);
    EXPECT_EQ(model.joints[0].rotationKeys[1].value[0], 0.5f);
    ASSERT_EQ(model.joints[1].translationKeyCount, 1);
    EXPECT_EQ(model.joints[1].translationKeys[0].value[2], 3.0f);
}

TEST(MS3DWriter, RefusesDescriptionsTheReaderWouldRejectOrMisread) {
    struct Case {
        const char* name;
        void (*spoil)(MS3DData&);
    };
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
