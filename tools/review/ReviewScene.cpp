#include "ReviewScene.h"

#include <GL/glu.h>

#include <cstdio>

#include "engine/SceneState.h"
#include "generate/GroundWalkways.h"

namespace {

bool LoadContainer(const std::string& path, MS3D* model, TextureTable* table) {
    if (!LoadModel(path.c_str(), model, &table->entries, &table->count)) {
        std::fprintf(stderr, "sandmere-review: cannot load %s\n", path.c_str());
        return false;
    }
    int keys = 0;
    for (int j = 0; j < model->numJoints; ++j)
        keys += model->joints[j].rotationKeyCount + model->joints[j].translationKeyCount;
    std::printf("%s: %d vertices, %d triangles, %d groups, %d materials, %d joints (%d keys), %d textures\n",
                path.c_str(), model->numVertices, model->numTriangles, model->numGroups, model->numMaterials,
                model->numJoints, keys, table->count);
    return true;
}

}  // namespace

ReviewScene::ReviewScene(const std::string& resourceDir) : dir_(resourceDir) {
    if (!dir_.empty() && dir_.back() != '/') dir_ += '/';
}

ReviewScene::~ReviewScene() {
    if (skyList_) glDeleteLists(skyList_, 1);
    if (groundList_) glDeleteLists(groundList_, 1);
}

bool ReviewScene::LoadSky() {
    MS3D model;
    if (!LoadContainer(dir_ + "s.kst", &model, &skyTextures_)) return false;
    if (model.numGroups < 2 || skyTextures_.count < 2) return false;
    model.Scale(30.0f);
    skyList_ = glGenLists(1);
    glNewList(skyList_, GL_COMPILE);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, skyTextures_.entries[0].textureName);
    model.DrawGroup(0);
    glBindTexture(GL_TEXTURE_2D, skyTextures_.entries[1].textureName);
    model.DrawGroup(1);
    glEnable(GL_LIGHTING);
    glEnable(GL_FOG);
    glEndList();
    return true;
}

bool ReviewScene::LoadGround() {
    MS3D model;
    if (!LoadContainer(dir_ + "g.kst", &model, &groundTextures_)) return false;
    model.Scale(146.0f);
    model.InitialSetup();
    groundList_ = glGenLists(1);
    glNewList(groundList_, GL_COMPILE);
    model.Render(groundTextures_.entries);
    glEndList();
    for (int j = 0; j < model.numJoints; ++j)
        landmarks_.push_back(MatrixPointMultiply(model.skeleton[j].absolute, MakePoint(0, 0, 0)));
    return true;
}

bool ReviewScene::LoadCamel() {
    auto model = std::make_unique<MS3D>();
    if (!LoadContainer(dir_ + "c.kst", model.get(), &camelTextures_)) return false;
    model->Scale(0.1f);
    model->InitialSetup();
    camel_ = std::move(model);
    return true;
}

void ReviewScene::Begin(int width, int height, const Camera& camera, bool fog) {
    glViewport(0, 0, width, height);
    SetViewState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    float aspect = static_cast<float>(width) / static_cast<float>(height);
    if (camera.orthographic) {
        float h = camera.orthoHalfHeight;
        glOrtho(-h * aspect, h * aspect, -h, h, 0.5, 6000.0);
    } else {
        gluPerspective(camera.fovDegrees, aspect, 0.5, 3000.0);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    VECTOR3D up = MakePoint(0, 1, 0);
    VECTOR3D d = SubtractVectors(camera.target, camera.eye);
    if (d.x == 0.0f && d.z == 0.0f) up = MakePoint(0, 0, -1);
    gluLookAt(camera.eye.x, camera.eye.y, camera.eye.z, camera.target.x, camera.target.y, camera.target.z, up.x, up.y,
              up.z);

    // The saver's own light and fog; the light then moves to this shot's sun.
    SetSceneLight();
    SetSceneFog();
    const GLfloat position[] = {sun.x, sun.y, sun.z, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    if (fog)
        glEnable(GL_FOG);
    else
        glDisable(GL_FOG);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void ReviewScene::DrawSky() const {
    if (!skyList_) return;
    glEnable(GL_CULL_FACE);
    GLboolean fog = glIsEnabled(GL_FOG);
    glCallList(skyList_);
    if (!fog) glDisable(GL_FOG);
}

void ReviewScene::DrawGround() const {
    if (!groundList_) return;
    glEnable(GL_CULL_FACE);
    glCallList(groundList_);
}

void ReviewScene::DrawCamel(float frame, VECTOR3D position, float yawDegrees, int coat) {
    if (!camel_) return;
    MS3D& m = *camel_;
    m.SetAnimation(2.0, 26.0, 1000.0, true, false);
    m.Animate((frame - 2.0f) / m.fps);
    m.UpdateSkeleton();
    m.UpdatePoints();
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(yawDegrees, 0, 1, 0);
    int first = 2 * coat;
    if (first + m.numMaterials <= camelTextures_.count) m.Render(camelTextures_.entries + first);
    glPopMatrix();
    glDisable(GL_BLEND);
    m.RevertPoints();
}

void ReviewScene::DrawWalkways() const {
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
    glDisable(GL_COLOR_MATERIAL);  // keep the lines' colours out of the lit material
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glLineWidth(2.0f);
    glColor3f(0.9f, 0.1f, 0.1f);
    glBegin(GL_LINE_LOOP);
    for (const WalkPoint& p : kTourRoute) glVertex3f(p.x, 2.0f, p.z);
    glEnd();
    glColor3f(0.1f, 0.2f, 0.9f);
    for (const WalkZone& z : kRoamZones) {
        glBegin(GL_LINE_LOOP);
        glVertex3f(z.minX, 2.0f, z.minZ);
        glVertex3f(z.maxX, 2.0f, z.minZ);
        glVertex3f(z.maxX, 2.0f, z.maxZ);
        glVertex3f(z.minX, 2.0f, z.maxZ);
        glEnd();
    }
    glPopAttrib();
}
