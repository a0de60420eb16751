// The herd: loading the camel once, making the camels, moving and drawing them.
//
// One model, many camels. "c.kst" is loaded, scaled by 0.1 and set up once;
// an animation template takes from it everything the camels share (skeleton,
// keys, rest mesh), and each camel is an instance of that template with its
// own clock, pose and coat. The model file holds the coats as runs of
// textures: camel i wears run k = rand() % 3, starting at texture 2k, and its
// material m takes texture 2k + m, so the file needs 4 + m textures or more.
//
// Cost follows what is on screen. Every camel's clock and skeleton advance
// every frame (ONECAMEL::Move): they are cheap, and the camera rides on the
// leader's first joint. Skinning, posing the mesh's 4,000 or so vertices from
// the skeleton, is the expensive part, and it is a function of the skeleton
// alone (the instance poses from its untouched rest mesh every time), so it is
// done only for a camel that passes the frustum test, right before it is drawn.
// The picture is the same as posing every camel every frame.
//
// Memory follows too. A posed copy of the mesh is needed only while a camel is
// being drawn, and the index list is the same for every camel, so the herd
// keeps a few posed meshes (CamelSteps.cpp) and one index list and lends them
// to the camel it draws; the camels give up their own copies at Setup. With the
// shipped camel that is about 200 KB less per camel; what each camel keeps is
// its pose (a matrix or three per joint).
//
// Culling uses a sphere of radius 4 around the camel's position, the origin of
// the model on the ground under the camel's middle: a camel whose position is 4
// units or more outside any plane of the view is not drawn, even when its head
// would just reach in.
#include "scene/Camel.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <utility>

#include "assets/Texture.h"
#include "engine/MainClass.h"
#include "scene/Frustum.h"

namespace {

constexpr std::size_t kPathSize = 1024;  // bytes, like every resource path buffer
constexpr int kCoats = 3;                // texture runs a camel may wear
constexpr float kModelScale = 0.1f;

// Hands a camel the herd's posed vertices and index list for as long as it
// lives, and takes them back.
class LENDING {
public:
    LENDING(ONECAMEL& camel, std::vector<MODELVERTEX>& vertices, std::unique_ptr<uint16_t[]>& indices)
        : camel_(camel), vertices_(vertices), indices_(indices) {
        Swap();
    }
    ~LENDING() { Swap(); }
    LENDING(const LENDING&) = delete;
    LENDING& operator=(const LENDING&) = delete;

private:
    void Swap() {
        std::swap(camel_.vertexBuffer, vertices_);
        std::swap(camel_.indices, indices_);
    }
    ONECAMEL& camel_;
    std::vector<MODELVERTEX>& vertices_;
    std::unique_ptr<uint16_t[]>& indices_;
};

}  // namespace

CAMELCONTROL::~CAMELCONTROL() { Cleanup(); }

bool CAMELCONTROL::Setup(int count, const char* path) {
    Cleanup();
    if (count < 1 || !path) return false;
    numCamels = count;

    char file[kPathSize];
    const int length = std::snprintf(file, sizeof file, "%sc.kst", path);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof file) return false;

    auto model = std::make_unique<MS3D>();
    const bool loaded = LoadModel(file, model.get(), &textures, &textureCount);
    // The leader's first joint carries the riding camera, and the last coat
    // starts at texture 4.
    if (!loaded || model->numJoints < 1 || textureCount < 2 * (kCoats - 1) + model->numMaterials) {
        Cleanup();
        return false;
    }
    model->Scale(kModelScale);
    model->InitialSetup();

    animTemplate.reset(new (std::nothrow) ANIMATIONTEMPLATE);
    camels.reset(new (std::nothrow) ONECAMEL[count]);
    if (!animTemplate || !animTemplate->Setup(model.get()) || !camels) {
        Cleanup();
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (!SetupCamel(i, *model)) {
            Cleanup();
            return false;
        }
    }
    camels[0].SetAction(ONECAMEL::kTouring);
    return true;
}

bool CAMELCONTROL::SetupCamel(int i, const MS3D& model) {
    ONECAMEL& camel = camels[i];
    const int coat = std::rand() % kCoats;
    if (!camel.Setup(animTemplate.get(), &model, &textures[2 * coat])) return false;
    camel.Reset();
    // A camel of the herd's model poses from the template's mesh, which is what
    // makes the shared buffers fit it.
    if (camel.RestMesh() != animTemplate->Mesh().get()) return false;
    if (!sharedIndices) sharedIndices = std::move(camel.indices);
    camel.indices.reset();
    camel.vertexBuffer.clear();
    camel.vertexBuffer.shrink_to_fit();
    return true;
}

void CAMELCONTROL::Move(ONEBG* ground, double dt) {
    if (!ground || !camels) return;
    // As each camel's own Move, walking first (with the frame's rand() calls
    // in camel order), then the animation, shared among camels in step.
    for (int i = 0; i < numCamels; ++i) camels[i].Steer(dt);
    AdvancePoses(dt);
}

bool CAMELCONTROL::InView(const FRUSTUM& frustum, int i) const {
    return frustum.SphereInFrustum(camels[i].position, kCullRadius) != 0.0f;
}

void CAMELCONTROL::DrawCamel(int i) {
    LENDING lent(camels[i], PosedMesh(i).vertices, sharedIndices);
    camels[i].ONEMODEL::Draw();
}

void CAMELCONTROL::Draw(MAINCLASS* scene) {
    if (!scene || !camels) return;
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    for (int i = 0; i < numCamels; ++i)
        if (InView(scene->frustum, i)) DrawCamel(i);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
}

void CAMELCONTROL::Cleanup() {
    animTemplate.reset();
    delete[] textures;  // each record deletes its GL texture
    textures = nullptr;
    textureCount = 0;
    camels.reset();
    posedMeshes.clear();
    posedMeshes.shrink_to_fit();
    sharedIndices.reset();
    stepsWith.clear();
    frame = poses = 0;
}
