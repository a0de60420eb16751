// RESFILE: read-only reader of a resource container ("KSTF").
//
// Layout (all integers unsigned 32-bit little-endian, offsets from file start):
//   header    24 bytes: magic "KSTF", 8 reserved, lumpCount, sizeCheck
//             (the bitwise complement of the file length), directoryOffset
//   directory lumpCount entries of 28 bytes: size, offset, type, param, 12 reserved
//   bodies    anywhere; the directory's offsets locate them
//
// After Open, SeekLump positions `stream` at a lump so a decoder can read it in
// place, and LoadData reads a whole lump into a new buffer. The stream's error
// state is never cleared: once a read has failed, every later SeekLump and
// LoadData on the same reader fails. Nothing here shows a message.
//
// The reader treats the file as hostile: a directory that cannot fit in the
// file fails Open before anything is allocated for it, and a lump whose body
// does not fit fails LoadData before its buffer is allocated.
#pragma once

#include <cstdint>
#include <fstream>

#pragma pack(push, 1)
struct RESFILE_HEADER {
    char magic[4] = {0, 0, 0, 0};
    uint8_t reserved[8] = {};
    uint32_t lumpCount = 0;
    uint32_t sizeCheck = 0;
    uint32_t directoryOffset = 0;
};

struct RESFILE_ENTRY {
    uint32_t size = 0;    // bytes in the lump body
    uint32_t offset = 0;  // absolute position of the body's first byte
    uint32_t type = 0;    // 1 TGA image, 3 JPEG image; anything else is passed over
    uint32_t param = 0;   // for image lumps, the alpha mode of BuildTexture
    uint8_t reserved[12] = {};
};
#pragma pack(pop)
static_assert(sizeof(RESFILE_HEADER) == 24, "container header is 24 bytes on disk");
static_assert(sizeof(RESFILE_ENTRY) == 28, "directory entries are 28 bytes on disk");

constexpr uint32_t kLumpTGA = 1;
constexpr uint32_t kLumpJPEG = 3;

class RESFILE {
public:
    RESFILE() = default;
    ~RESFILE();
    RESFILE(const RESFILE&) = delete;
    RESFILE& operator=(const RESFILE&) = delete;

    bool Open(const char* path);
    void Close();
    bool SeekLump(int index);
    // Hands out a new buffer of exactly the lump's size (released with delete[]).
    bool LoadData(int index, void** out);

    uint32_t fileSize = 0;               // bytes in the file (low 32 bits), measured by Open
    std::ifstream stream;                // the only handle on the file; decoders read it after SeekLump
    RESFILE_HEADER header;               // the 24 header bytes as read
    RESFILE_ENTRY* directory = nullptr;  // lumpCount entries, owned (delete[])

private:
    // Whether index names a directory entry of an open reader.
    bool ValidLump(int index) const;

    uint64_t fileLength_ = 0;  // the full length, for bounds checks beyond 4 GiB
};
