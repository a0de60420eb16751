// Immediate-mode drawing of an MS3D model.
//
// Used only to record display lists once (the sky and the ground); animated
// copies are drawn from vertex arrays by their instances. Each group is one
// glBegin(GL_TRIANGLES) block giving, per corner, the triangle's normal at that
// corner, the texture coordinate (s, 1 - t) and the vertex position as the mesh
// stands now. With a texture table, group g binds the texture of its material
// (slot k belongs to material k); a group without a material binds nothing and
// takes whatever texture is bound. Nothing else is set: colour, material,
// lighting, blending and texture enabling are the caller's.
#include <GL/gl.h>

#include "assets/Texture.h"
#include "models/MilkshapeModel.h"

void MS3D::DrawTriangles(const MS3D_GROUP& group) const {
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < group.triangleCount; ++i) {
        const MS3D_TRIANGLE& triangle = triangles[group.triangleIndices[i]];
        for (int c = 0; c < 3; ++c) {
            glNormal3fv(triangle.normals[c]);
            glTexCoord2f(triangle.s[c], 1.0f - triangle.t[c]);
            glVertex3fv(vertices[triangle.vertexIndices[c]].position);
        }
    }
    glEnd();
}

void MS3D::DrawGroup(int group) {
    if (group < 0 || group >= numGroups) return;
    DrawTriangles(groups[group]);
}

void MS3D::DrawGroup(int group, const Texture* textures) {
    if (group < 0 || group >= numGroups) return;
    const int material = groups[group].materialIndex;
    if (textures != nullptr && material >= 0) {
        glBindTexture(GL_TEXTURE_2D, textures[material].textureName);
    }
    DrawTriangles(groups[group]);
}

void MS3D::Render() {
    for (int g = 0; g < numGroups; ++g) DrawGroup(g);
}

void MS3D::Render(const Texture* textures) {
    for (int g = 0; g < numGroups; ++g) DrawGroup(g, textures);
}
