// The ground and its landmarks.
//
// The ground never moves or animates, so it is drawn from a display list
// compiled once from the model: one glCallList a frame instead of thousands of
// immediate-mode calls. The model is needed only for that compilation and for
// its skeleton, and is destroyed at the end of Setup.
//
// The skeleton is not used for animation here. The scene's author places joints
// in the ground model to mark its points of interest (a ridge, an oasis, a
// rock), and each joint's rest transform in model space (`absolute`, built by
// InitialSetup) carries it to its place. Applied to the origin, that transform
// gives the landmark. The ground is drawn with no transform of its own, so model
// space is world space and the landmarks can be handed to the camera as they are.
//
// The list records the mesh as InitialSetup leaves it. Vertices bound to a joint
// are then in that joint's local space, so a ground model should bind none of
// its mesh to joints: its joints are markers, not bones.
#include "scene/BG.h"

#include <GL/gl.h>

#include <cstdio>
#include <memory>

#include "assets/Texture.h"
#include "models/MilkshapeModel.h"

namespace {
constexpr std::size_t kPathSize = 1024;  // bytes, like every resource path buffer
}  // namespace

ONEBG::~ONEBG() { Cleanup(); }

bool ONEBG::Setup(const char* path) {
    Cleanup();  // a second Setup starts from nothing rather than leaking the first
    if (!path) return false;
    char file[kPathSize];
    const int length = std::snprintf(file, sizeof file, "%sg.kst", path);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof file) return false;

    auto model = std::make_unique<MS3D>();
    // The loader gives every material a slot in the table, so Render's
    // indexing by material stays inside it even when textures are missing.
    if (!LoadModel(file, model.get(), &textures, &textureCount) ||
        model->numJoints < kMinLandmarks) {
        Cleanup();  // LoadModel may have handed over a table before failing
        return false;
    }

    model->Scale(kScale);
    model->InitialSetup();
    if (!model->skeleton) {
        Cleanup();
        return false;
    }

    displayList = glGenLists(1);
    if (displayList == 0) {
        Cleanup();
        return false;
    }
    glNewList(displayList, GL_COMPILE);
    model->Render(textures);
    glEndList();

    landmarkCount = model->numJoints;
    landmarks = new VECTOR3D[landmarkCount];
    for (int i = 0; i < landmarkCount; ++i)
        landmarks[i] = MatrixPointMultiply(model->skeleton[i].absolute, MakePoint(0, 0, 0));
    return true;
}

void ONEBG::Draw() const {
    if (displayList != 0) glCallList(displayList);
}

void ONEBG::Cleanup() {
    if (displayList != 0) {
        glDeleteLists(displayList, 1);
        displayList = 0;  // never delete a name GL may since have handed to someone else
    }
    delete[] textures;
    textures = nullptr;
    textureCount = 0;
    delete[] landmarks;
    landmarks = nullptr;
    landmarkCount = 0;
}
