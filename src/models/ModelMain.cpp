// Setting up and releasing an animated instance: its joints, materials, groups,
// index list and posed vertex copy. See ModelMain.h.
#include "models/ModelMain.h"

#include <algorithm>
#include <new>

#include "assets/Texture.h"
#include "maths/Misc.h"

ONEMODEL::~ONEMODEL() { Cleanup(); }

void ONEMODEL::Cleanup() {
    indices.reset();
    vertexBuffer.clear();
    vertexBuffer.shrink_to_fit();
    materials.reset();
    groups.reset();
    joints.reset();
    restMesh.reset();
    ownMesh = nullptr;
    animTemplate = nullptr;
    numJoints = numMaterials = numGroups = numTriangles = numVertices = 0;
}

bool ONEMODEL::Setup(ANIMATIONTEMPLATE* newTemplate, const MS3D* model, const Texture* textures) {
    Cleanup();
    if (!newTemplate || !model || !newTemplate->Mesh()) return false;

    animTemplate = newTemplate;
    numJoints = static_cast<uint16_t>(animTemplate->numJoints);
    if (numJoints) {
        joints.reset(new (std::nothrow) BASICJOINT[numJoints]);
        if (!joints) {
            Cleanup();
            return false;
        }
        for (int j = 0; j < numJoints; ++j) {
            joints[j].parent = animTemplate->joints[j].parent;
            joints[j].flags = animTemplate->joints[j].flags;
        }
    }

    currentTime = startTime = endTime = 0.0f;
    loop = false;
    speed = 1000.0f;
    position = direction = angles = VECTOR3D();
    orientation.Identity();
    orientationQuat.Identity();

    if (!SetupMaterials(*model, textures) || !SetupMesh(*model)) {
        Cleanup();
        return false;
    }
    return true;
}

bool ONEMODEL::SetupMaterials(const MS3D& model, const Texture* textures) {
    numGroups = model.numGroups;
    numMaterials = model.numMaterials;
    if (numMaterials && !model.materials) return false;
    if (numMaterials) {
        materials.reset(new (std::nothrow) MODELMATERIAL[numMaterials]);
        if (!materials) {
            ERRORCLOSE("Unable to allocate memory!");
            return false;
        }
    }
    if (numGroups) {
        groups.reset(new (std::nothrow) MODELGROUP[numGroups]);
        if (!groups) {
            ERRORCLOSE("Unable to allocate memory!");
            return false;
        }
    }
    for (int i = 0; i < numMaterials; ++i) {
        const MS3D_MATERIAL& source = model.materials[i];
        MODELMATERIAL& material = materials[i];
        material.mode = source.mode;
        material.transparency = source.transparency;
        for (int c = 0; c < 3; ++c) material.ambient[c] = source.ambient[c];
        material.texture = textures ? textures[i].textureName : 0;
    }
    return true;
}

bool ONEMODEL::SetupMesh(const MS3D& model) {
    // Share the template's mesh when it is exactly what this model gives; this
    // is the herd's case, and it saves both the build and a copy per instance.
    const std::shared_ptr<const MODELMESH>& shared = animTemplate->Mesh();
    if (MeshMatchesModel(*shared, model, numJoints)) {
        restMesh = shared;
    } else {
        auto own = std::make_shared<MODELMESH>();
        if (!BuildModelMesh(model, numJoints, own.get())) return false;
        ownMesh = own.get();
        restMesh = std::move(own);
    }

    const std::size_t indexCount = restMesh->indices.size();
    numTriangles = static_cast<uint16_t>(indexCount / 3);
    indices.reset(new (std::nothrow) uint16_t[indexCount > 0 ? indexCount : 1]);
    if (!indices) return false;
    std::copy(restMesh->indices.begin(), restMesh->indices.end(), indices.get());
    std::copy(restMesh->groups.begin(), restMesh->groups.end(), groups.get());
    vertexBuffer = restMesh->vertices.Records();
    numVertices = static_cast<uint16_t>(vertexBuffer.size());
    return true;
}

uint16_t ONEMODEL::AddVertToBuffer(const float* pos, const float* normal, float s, float t,
                                   char jointIndex) {
    const int joint = static_cast<int8_t>(jointIndex);
    if (!pos || !normal || joint < -1 || joint >= numJoints) return kNoVertex;
    if (!ownMesh) {  // the mesh is shared (or absent): take a private copy first
        auto own = restMesh ? std::make_shared<MODELMESH>(*restMesh) : std::make_shared<MODELMESH>();
        ownMesh = own.get();
        restMesh = std::move(own);
    }
    MODELVERTEX v;
    v.position = MakePoint(pos[0], pos[1], pos[2]);
    v.normal = MakePoint(normal[0], normal[1], normal[2]);
    v.texCoord = Make2DPoint(s, t);
    v.jointIndex = static_cast<int8_t>(joint);
    const uint16_t index = ownMesh->vertices.Add(v);
    if (index != kNoVertex && index == vertexBuffer.size()) {
        vertexBuffer.push_back(v);  // drawn as given until the next Update poses it
        numVertices = static_cast<uint16_t>(vertexBuffer.size());
    }
    return index;
}
