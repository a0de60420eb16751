// Texture building: from decoded pixels to an OpenGL texture, and from a
// container of image lumps to a texture table.
//
// Every texture goes to OpenGL as 8-bit RGBA, uploaded once at level 0 with no
// mipmaps, repeating in both directions and filtered linearly. The decoders hand
// over 24-bit RGB or 32-bit RGBA pixels; a 32-bit image keeps its own alpha, and
// a 24-bit image gets one from its lump's alpha mode:
//
//   1  colour key   alpha 0 where R, G, B equal exactly the first stored pixel's
//                   (the bottom-left pixel, since rows are stored bottom first),
//                   255 elsewhere: the classic magenta-background cut-out;
//   2  brightness   alpha = max(R, G, B), so black is clear and bright colours
//                   are solid: glows, flares and clouds blended additively;
//   *  opaque       255 everywhere.
//
// The decoded pixels are released as soon as OpenGL has its copy, so a built
// record holds only its texture name. The builders need the GL context current.
//
// The loaders follow one rule per lump (LoadTextureLump): the directory's type
// says what the bytes are, never the bytes themselves. A TGA lump is decoded in
// place from the container's stream, a JPEG lump is read whole into memory
// first, and every other type leaves its record empty (no pixels, name 0). The
// lump's param is its alpha mode.
//
// Sizes are checked before anything is allocated: the pixel count and the work
// buffer are computed in size_t with overflow checks, and an image larger than
// the GL implementation takes is refused rather than uploaded as an empty texture.
#include "assets/Texture.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "assets/JPGLoader.h"
#include "assets/ResFile.h"
#include "assets/TGALoader.h"

Texture::~Texture() {
    if (pixels) {
        std::free(pixels);
        pixels = nullptr;
    }
    // Name 0 is never a texture (OpenGL would ignore it), so a record that never
    // got a name can be destroyed without a context.
    if (textureName != 0) glDeleteTextures(1, &textureName);
}

namespace {

// Bytes per pixel of a decoded record's pixels.
size_t SourceBytes(const Texture& t) { return t.format == GL_RGBA ? 4 : 3; }

// The number of pixels of t when it is something OpenGL can take as one
// texture: pixels present, both sides at least 1 and at most the
// implementation's largest texture, and width x height x 4 representable.
// 0 otherwise.
size_t UploadablePixelCount(const Texture& t) {
    if (!t.pixels || t.width == 0 || t.height == 0) return 0;
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    if (maxSide <= 0 || t.width > static_cast<uint32_t>(maxSide) ||
        t.height > static_cast<uint32_t>(maxSide))
        return 0;
    const size_t count = static_cast<size_t>(t.width) * t.height;  // both below 2^31
    if (count > SIZE_MAX / 4) return 0;
    return count;
}

// An RGBA work buffer of count pixels, or false when memory runs out.
bool AllocateWork(size_t count, std::vector<unsigned char>* work) {
    try {
        work->resize(count * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

unsigned char AlphaFor(const unsigned char* rgb, const unsigned char* key, int alphaMode) {
    switch (alphaMode) {
    case kAlphaColourKey:
        return (rgb[0] == key[0] && rgb[1] == key[1] && rgb[2] == key[2]) ? 0 : 255;
    case kAlphaBrightness: {
        unsigned char brightest = rgb[0] > rgb[1] ? rgb[0] : rgb[1];
        return brightest > rgb[2] ? brightest : rgb[2];
    }
    default:
        return 255;
    }
}

// Uploads work (width x height RGBA) to the texture bound to GL_TEXTURE_2D and
// sets its wrap and filter modes; then t's pixels are released.
void UploadAndRelease(Texture* t, const std::vector<unsigned char>& work) {
    glTexImage2D(GL_TEXTURE_2D, 0, 4, static_cast<GLsizei>(t->width),
                 static_cast<GLsizei>(t->height), 0, GL_RGBA, GL_UNSIGNED_BYTE, work.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    std::free(t->pixels);
    t->pixels = nullptr;
}

void GenerateAndBind(Texture* t) {
    GLuint name = 0;
    glGenTextures(1, &name);
    t->textureName = name;
    glBindTexture(GL_TEXTURE_2D, name);
}

}  // namespace

bool BuildTexture(Texture* t, int alphaMode) {
    if (!t) return false;
    const size_t count = UploadablePixelCount(*t);
    if (count == 0) return false;

    const size_t sourceBytes = SourceBytes(*t);
    const bool ownAlpha = t->format == GL_RGBA;
    const unsigned char key[3] = {t->pixels[0], t->pixels[1], t->pixels[2]};

    GenerateAndBind(t);
    std::vector<unsigned char> work;
    if (!AllocateWork(count, &work)) return false;  // the name stays in the record

    const unsigned char* source = t->pixels;
    unsigned char* target = work.data();
    for (size_t i = 0; i < count; ++i, source += sourceBytes, target += 4) {
        target[0] = source[0];
        target[1] = source[1];
        target[2] = source[2];
        target[3] = ownAlpha ? source[3] : AlphaFor(source, key, alphaMode);
    }
    UploadAndRelease(t, work);
    return true;
}

bool BuildTGATextureWithAlpha(Texture* t, Texture* mask) {
    if (!t || !mask || !mask->pixels) return false;
    if (mask->width != t->width || mask->height != t->height) return false;
    const size_t count = UploadablePixelCount(*t);
    if (count == 0) return false;

    GenerateAndBind(t);
    std::vector<unsigned char> work;
    if (!AllocateWork(count, &work)) return false;

    // Both images are read at 3 bytes per pixel; a 32-bit buffer is larger, so
    // this never reads past either one.
    const unsigned char* colour = t->pixels;
    const unsigned char* alpha = mask->pixels;
    unsigned char* target = work.data();
    for (size_t i = 0; i < count; ++i, colour += 3, alpha += 3, target += 4) {
        target[0] = colour[0];
        target[1] = colour[1];
        target[2] = colour[2];
        target[3] = alpha[0];
    }
    UploadAndRelease(t, work);
    return true;
}

namespace {

bool LoadJPEGLump(RESFILE& file, int index, const RESFILE_ENTRY& entry, Texture* target) {
    void* data = nullptr;
    if (!file.LoadData(index, &data)) return false;
    // LoadData hands out a char array; it is released here on every path.
    std::unique_ptr<char[]> bytes(static_cast<char*>(data));
    return BuildJPGTexture(target, bytes.get(), static_cast<long>(entry.size),
                           static_cast<int>(entry.param));
}

bool LoadTGALump(RESFILE& file, int index, const RESFILE_ENTRY& entry, Texture* target) {
    return file.SeekLump(index) && LoadTGA2(target, &file.stream) &&
           BuildTexture(target, static_cast<int>(entry.param));
}

}  // namespace

bool LoadTextureLump(RESFILE& file, int index, Texture* target) {
    if (!target || !file.directory || index < 0 ||
        static_cast<uint32_t>(index) >= file.header.lumpCount)
        return false;
    const RESFILE_ENTRY& entry = file.directory[index];
    switch (entry.type) {
    case kLumpTGA:
        return LoadTGALump(file, index, entry, target);
    case kLumpJPEG:
        return LoadJPEGLump(file, index, entry, target);
    default:
        return true;  // not an image: the record stays as constructed
    }
}

bool LoadTexturesFromDataFile(const char* path, Texture** table, int* count) {
    if (!path || !table || !count) return false;
    RESFILE file;  // closed and released on every return
    if (!file.Open(path)) return false;

    const uint32_t lumps = file.header.lumpCount;
    if (lumps > static_cast<uint32_t>(INT_MAX)) return false;
    // The table is array-allocated so that the caller's delete[] runs every
    // record's destructor; from here on the caller owns it, even on failure.
    Texture* entries = new (std::nothrow) Texture[lumps];
    if (!entries) return false;
    *table = entries;
    *count = static_cast<int>(lumps);

    for (uint32_t i = 0; i < lumps; ++i)
        if (!LoadTextureLump(file, static_cast<int>(i), &entries[i])) return false;
    return true;
}
