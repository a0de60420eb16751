// LoadModel: a model and its textures from one resource container.
//
// Lump 0 holds the MS3D image exactly as it would stand in a file; lumps 1...
// are its textures, slot k for material k, each decoded by the per-lump rule the
// texture table loader also uses (TGA, JPEG, or an empty slot for any other
// type). The table is handed to the caller before the first texture is read, so
// a failure part way leaves the caller owning a table it releases as usual.
//
// The table always has a slot for every material of the model, even when the
// container holds fewer textures: drawing with a table indexes it by material,
// and a missing texture must read as an empty slot (texture name 0), never as
// memory past the end. *textureCount still reports the textures the container
// holds.
#include <algorithm>
#include <climits>

#include "assets/ResFile.h"
#include "assets/Texture.h"
#include "models/MilkshapeModel.h"

bool LoadModel(const char* path, MS3D* model, Texture** textures, int* textureCount) {
    if (model == nullptr || textures == nullptr || textureCount == nullptr) return false;
    RESFILE file;
    if (!file.Open(path)) return false;
    if (!file.SeekLump(0) || !model->LoadFromFStream(&file.stream)) {
        file.Close();
        return false;
    }

    // SeekLump(0) succeeded, so there is at least one lump.
    const uint32_t lumps = file.header.lumpCount;
    if (lumps - 1 > static_cast<uint32_t>(INT_MAX)) {
        file.Close();
        return false;
    }
    const int count = static_cast<int>(lumps - 1);
    *textures = new Texture[std::max<int>(count, model->numMaterials)];
    *textureCount = count;

    for (int lump = 1; lump <= count; ++lump) {
        if (!LoadTextureLump(file, lump, &(*textures)[lump - 1])) {
            file.Close();
            return false;
        }
    }
    file.Close();
    return true;
}
