// Writes the seed corpora of the container and TGA fuzz targets: a few small
// valid files of each kind and a few that are one fault away from valid, so the
// fuzzer starts next to every branch that matters. Run by `scripts/fuzz.sh seed`;
// its output is what fuzz/corpus/resfile and fuzz/corpus/tga hold. It also adds
// to fuzz/corpus/ms3d the models whose keyframes would poison the pose, next to
// the MS3D seeds committed there by hand.
#include <array>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "writers/ContainerWriter.h"
#include "writers/Image.h"
#include "writers/MS3DWriter.h"
#include "writers/TGAWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A small picture with both flat areas (runs) and changing pixels (raw packets).
Image Picture(int width, int height, int channels) {
    Image image(width, height, channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.At(x, y);
            const bool flat = x < width / 2;
            for (int c = 0; c < channels; ++c) p[c] = static_cast<uint8_t>(flat ? 40 * c : 17 * x + 31 * y + c);
        }
    return image;
}

void Put32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool Write(const std::string& folder, const char* name, const Bytes& bytes) {
    std::string error;
    if (WriteFileAtomically(folder + "/" + name, bytes, &error)) return true;
    std::fprintf(stderr, "seed writer: %s\n", error.c_str());
    return false;
}

bool WriteTGASeeds(const std::string& folder) {
    const Bytes raw24 = EncodeTGA(Picture(2, 2, 3), false);
    Bytes topLeft = EncodeTGA(Picture(3, 2, 4), false);
    topLeft[17] |= 0x20;
    Bytes depth16 = raw24;
    depth16[16] = 16;
    Bytes greyScale = raw24;
    greyScale[2] = 3;
    Bytes overflow = EncodeTGA(Picture(2, 2, 3), true);  // a run of five into four pixels
    overflow.resize(18);
    overflow.insert(overflow.end(), {0x84, 1, 2, 3});
    return Write(folder, "raw24_2x2.tga", raw24) &&
           Write(folder, "raw32_3x2_top_left.tga", topLeft) &&
           Write(folder, "rle24_9x4.tga", EncodeTGA(Picture(9, 4, 3), true)) &&
           Write(folder, "rle32_5x3.tga", EncodeTGA(Picture(5, 3, 4), true)) &&
           Write(folder, "raw24_truncated.tga", Bytes(raw24.begin(), raw24.end() - 1)) &&
           Write(folder, "depth16.tga", depth16) && Write(folder, "grey_scale.tga", greyScale) &&
           Write(folder, "rle_too_many_pixels.tga", overflow);
}

bool WriteContainerSeeds(const std::string& folder) {
    const std::vector<LumpData> lumps = {
        {{'m', 's', '3', 'd'}, 0, 0},
        {EncodeTGA(Picture(2, 2, 3), false), 1, 1},
        {EncodeTGA(Picture(3, 2, 4), true), 1, 0},
        {{0xFF, 0xD8, 0xFF, 0xD9}, 3, 2},
        {{}, 1, 0},
    };
    const Bytes mixed = BuildContainer(lumps);
    Bytes appended = mixed;
    appended.push_back(0);
    Bytes lumpPastEnd = mixed;
    Put32(lumpPastEnd, 24 + 28 * 2, static_cast<uint32_t>(mixed.size()));  // lump 2's size
    Bytes directoryPastEnd = mixed;
    Put32(directoryPastEnd, 20, static_cast<uint32_t>(mixed.size() - 28));
    return Write(folder, "empty.kst", BuildContainer({})) &&
           Write(folder, "one_tga.kst", BuildContainer({lumps[1]})) && Write(folder, "mixed.kst", mixed) &&
           Write(folder, "size_check_off_by_one.kst", appended) &&
           Write(folder, "lump_past_end.kst", lumpPastEnd) &&
           Write(folder, "directory_past_end.kst", directoryPastEnd);
}

// One triangle on a keyed joint and the same with its keys spoiled: a key at
// -1e38 s, which is -inf once in milliseconds, and a rotation key that is NaN.
// The reader refuses both; the valid one keeps the fuzzer next to them.
bool WriteMS3DSeeds(const std::string& folder) {
    MS3DData model;
    model.fps = 25.0f;
    model.totalFrames = 30;
    for (const std::array<float, 3>& position : {std::array<float, 3>{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) {
        MS3DData::Vertex v;
        v.position = position;
        v.jointIndex = 0;
        model.vertices.push_back(v);
    }
    MS3DData::Triangle triangle;
    triangle.vertexIndices = {0, 1, 2};
    triangle.normals = {{{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}};
    model.triangles = {triangle};
    model.groups.resize(1);
    model.groups[0].triangleIndices = {0};
    MS3DData::Joint joint;
    joint.name = "root";
    joint.rotationKeys = {{0.0f, {0, 0, 0}}, {0.6f, {0, 0, 1.5f}}};
    joint.translationKeys = {{0.0f, {0, 0, 0}}, {0.6f, {0, 0.5f, 0}}};
    model.joints = {joint};

    MS3DData minusInfinity = model;
    minusInfinity.joints[0].rotationKeys[0].time = -1e38f;
    MS3DData notANumber = model;
    notANumber.joints[0].rotationKeys[1].value[2] = std::numeric_limits<float>::quiet_NaN();
    std::string error;
    for (const MS3DData* m : {&model, &minusInfinity, &notANumber}) {
        if (EncodeMS3D(*m, &error).empty()) {
            std::fprintf(stderr, "seed writer: %s\n", error.c_str());
            return false;
        }
    }
    return Write(folder, "keyed_triangle.ms3d", EncodeMS3D(model)) &&
           Write(folder, "key_time_minus_infinite_ms.ms3d", EncodeMS3D(minusInfinity)) &&
           Write(folder, "rotation_key_nan.ms3d", EncodeMS3D(notANumber));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string corpus = argv[1];
    return WriteTGASeeds(corpus + "/tga") && WriteContainerSeeds(corpus + "/resfile") &&
                   WriteMS3DSeeds(corpus + "/ms3d")
               ? 0
               : 1;
}
