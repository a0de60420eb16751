// g.kst: the ground, the desert floor with its landmarks (GenerateGround,
// Generators.h), drawn by the saver at scale 146 as laid out, lit and fogged.
//
// Groups, each with its own material and picture: the sand floor (a JPEG),
// the stone of the pyramids and the temple (run-length encoded 32-bit TGA),
// the sandstone of the arch and the mesa (uncompressed 24-bit TGA), the
// palms and reeds (run-length encoded 24-bit TGA) and the pool's water
// (uncompressed 24-bit TGA), all opaque.
//
// Every vertex is bound to no joint: the ground is drawn as laid out. The
// joints only mark places: joint 0, the root at the origin, is never looked
// at; joints 1 and up are the landmarks' points of interest, in the order of
// GroundScene.h's list (the camera starts out looking at joint 1).
#include <cstdio>

#include "Generators.h"
#include "GroundScene.h"
#include "Registry.h"
#include "writers/ContainerWriter.h"
#include "writers/JPEGWriter.h"
#include "writers/TGAWriter.h"

namespace {

using namespace ground;

bool Fail(const std::string& what) {
    std::fprintf(stderr, "g.kst: %s\n", what.c_str());
    return false;
}

void AddJoints(MS3DData* model) {
    MS3DData::Joint root;
    root.name = "origin";
    model->joints.push_back(root);
    for (const Landmark& l : Landmarks()) {
        MS3DData::Joint j;
        j.name = l.name;
        j.position = {l.x / kModelScale, l.lookAt / kModelScale, l.z / kModelScale};
        model->joints.push_back(j);
    }
}


}  // namespace

bool GenerateGround(const std::string& path) {
    MeshBuilder mesh;
    mesh.BeginGroup("sand", kSand);
    const std::vector<FloorTriangle> shore = BuildTerrain(mesh);
    mesh.BeginGroup("stone", kStone);
    BuildStone(mesh);
    mesh.BeginGroup("rock", kRock);
    BuildRock(mesh);
    mesh.BeginGroup("palms", kPalm);
    BuildPalms(mesh);
    mesh.BeginGroup("water", kWater);
    BuildWater(mesh, shore);

    MS3DData model;
    std::string error;
    if (!mesh.Export(1.0f / kModelScale, &model, &error)) return Fail(error);
    AddJoints(&model);
    for (const char* name : {"sand", "stone", "sandstone", "palm", "water"})
        model.materials.push_back(GreyMaterial(name, 0.4f, 0.9f));

    std::vector<LumpData> lumps;
    lumps.push_back(LumpData{EncodeMS3D(model, &error), 0, 0});
    std::vector<uint8_t> sand;
    if (!EncodeJPEG(PaintSand(512), 92, &sand)) return Fail("the sand picture did not encode");
    lumps.push_back(LumpData{sand, 3, 0});
    lumps.push_back(LumpData{EncodeTGA(PaintStone(256), true), 1, 0});
    lumps.push_back(LumpData{EncodeTGA(PaintRock(256), false), 1, 0});
    lumps.push_back(LumpData{EncodeTGA(PaintPalm(256), true), 1, 0});
    lumps.push_back(LumpData{EncodeTGA(PaintWater(128), false), 1, 0});
    for (const LumpData& lump : lumps)
        if (lump.bytes.empty()) return Fail("encoding failed " + error);
    std::vector<uint8_t> file = BuildContainer(lumps);
    if (file.empty() || !WriteFileAtomically(path, file, &error)) return Fail(error);
    return true;
}

static const GeneratorRegistration kGround{"g.kst", GenerateGround};
