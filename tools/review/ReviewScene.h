// ReviewScene: the generated models loaded through the saver's own loaders and
// drawn with the saver's own state, for review pictures.
//
// The sky is compiled as the scene compiles it (unlit, unfogged, group 0 with
// texture 0 and group 1 with texture 1, scale 30); the ground as the ground
// does (scale 146, InitialSetup, every group with its texture); the camel is
// kept as a model (scale 0.1) and posed with the model's own keyframe clock.
#pragma once

#include <GL/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "assets/Texture.h"
#include "maths/NiftyMaths.h"
#include "models/MilkshapeModel.h"

struct TextureTable {
    Texture* entries = nullptr;  // owned (delete[])
    int count = 0;
    ~TextureTable() { delete[] entries; }
};

struct Camera {
    VECTOR3D eye;
    VECTOR3D target;
    float fovDegrees = 45.0f;
    bool orthographic = false;
    float orthoHalfHeight = 10.0f;  // world units, for orthographic views
};

class ReviewScene {
public:
    explicit ReviewScene(const std::string& resourceDir);
    ~ReviewScene();

    bool LoadSky();
    bool LoadGround();
    bool LoadCamel();
    bool HasSky() const { return skyList_ != 0; }
    bool HasGround() const { return groundList_ != 0; }
    bool HasCamel() const { return camel_ != nullptr; }

    // Projection, view, light 0 at the sun, fog, as the frame driver sets them.
    void Begin(int width, int height, const Camera& camera, bool fog);
    void DrawSky() const;
    void DrawGround() const;
    // Poses the camel at a frame of its walk (2..26) and draws it at a place,
    // turned by yaw degrees about y, wearing coat run k (0..2).
    void DrawCamel(float frame, VECTOR3D position, float yawDegrees, int coat);
    // Lines through the route points and zone outlines, slightly above the ground.
    void DrawWalkways() const;
    const std::vector<VECTOR3D>& Landmarks() const { return landmarks_; }

    VECTOR3D sun = MakePoint(700.0f, 420.0f, -900.0f);

private:
    std::string dir_;
    GLuint skyList_ = 0;
    GLuint groundList_ = 0;
    TextureTable skyTextures_;
    TextureTable groundTextures_;
    TextureTable camelTextures_;
    std::unique_ptr<MS3D> camel_;
    std::vector<VECTOR3D> landmarks_;
};
