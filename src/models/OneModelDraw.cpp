// Drawing an instance with client vertex arrays.
//
// The posed vertices are one interleaved array of 36-byte records (position,
// normal, texture coordinate), so one set of three pointers serves every group;
// each group is then a single glDrawElements over its range of the 16-bit index
// list, with its material's texture bound. A material whose mode has bit 0x80
// set is drawn with OpenGL generating S and T (in whatever generation mode is
// current, eye-linear by default), and the generation is switched off again
// right after that group. No colour, lighting or blending state is touched: the
// caller sets those for the whole herd.
//
// State left changed: the modelview matrix is restored and the three client
// arrays are disabled again; the last group's texture stays bound to
// GL_TEXTURE_2D.
#include <GL/gl.h>

#include "models/ModelMain.h"

void ONEMODEL::Draw() {
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glMultMatrixd(orientation.m);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    const MODELVERTEX* base = vertexBuffer.data();
    glVertexPointer(3, GL_FLOAT, sizeof(MODELVERTEX), &base->position);
    glNormalPointer(GL_FLOAT, sizeof(MODELVERTEX), &base->normal);
    glTexCoordPointer(2, GL_FLOAT, sizeof(MODELVERTEX), &base->texCoord);

    for (int g = 0; g < numGroups; ++g) DrawGroup(g);

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glPopMatrix();
}

void ONEMODEL::DrawGroup(int g) {
    if (g < 0 || g >= numGroups || !groups || !indices) return;
    const MODELGROUP& group = groups[g];

    bool generated = false;
    if (materials && group.materialIndex >= 0 && group.materialIndex < numMaterials) {
        const MODELMATERIAL& material = materials[group.materialIndex];
        if (material.mode & kMaterialTexGen) {
            glEnable(GL_TEXTURE_GEN_S);
            glEnable(GL_TEXTURE_GEN_T);
            generated = true;
        }
        glBindTexture(GL_TEXTURE_2D, material.texture);
    }
    glDrawElements(GL_TRIANGLES, 3 * group.triangleCount, GL_UNSIGNED_SHORT,
                   indices.get() + group.firstIndex);
    if (generated) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}
