// The resource container reader.
//
// A container is a header, a directory and lump bodies in one file. Open checks
// the file before trusting anything in it: the magic "KSTF", then the stored size
// check, which must be the bitwise complement of the file's length, so a file
// that was truncated or had bytes appended is refused even when its directory
// looks intact. Only then is the directory read, and only if it fits inside the
// file: a hostile lumpCount cannot make Open allocate more than the file holds.
//
// After Open the reader is a cursor on one std::ifstream. SeekLump places the
// stream at a lump so a decoder can read it in place; LoadData copies a lump out.
// Success is judged by the stream's fail and bad flags, never by end-of-file
// alone, and the error state is never cleared: after one failed read (a short
// lump, a decoder running past the end) every later SeekLump and LoadData on the
// same reader fails. LoadData keeps that rule even when it refuses a lump whose
// body would run past the end before reading it: it marks the stream failed as
// the short read would have.
//
// The file's integers are little-endian and are read straight into the packed
// header and directory records, so the reader needs a little-endian host.
#include "assets/ResFile.h"

#include <cstring>
#include <new>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "container records are read verbatim and are little-endian");

namespace {

constexpr char kMagic[4] = {'K', 'S', 'T', 'F'};

// Whether count records of recordSize bytes starting at offset end inside a
// file of length bytes. Nothing to read always fits, wherever it claims to be.
// Products of 32-bit values cannot overflow 64 bits.
bool FitsInFile(uint64_t offset, uint64_t count, uint64_t recordSize, uint64_t length) {
    const uint64_t bytes = count * recordSize;
    return bytes == 0 || (offset <= length && bytes <= length - offset);
}

}  // namespace

RESFILE::~RESFILE() { Close(); }

bool RESFILE::Open(const char* path) {
    Close();
    fileSize = 0;
    fileLength_ = 0;
    header = RESFILE_HEADER{};
    if (!path) return false;

    stream.open(path, std::ios::in | std::ios::binary);
    if (!stream.is_open()) return false;

    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    if (end < 0) {
        stream.close();
        return false;
    }
    fileLength_ = static_cast<uint64_t>(end);
    fileSize = static_cast<uint32_t>(fileLength_);
    stream.seekg(0, std::ios::beg);

    // An unreadable header leaves the stream open; Close or the destructor shuts it.
    stream.read(reinterpret_cast<char*>(&header), sizeof header);
    if (stream.fail()) return false;

    if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.sizeCheck != ~fileSize ||
        !FitsInFile(header.directoryOffset, header.lumpCount, sizeof(RESFILE_ENTRY), fileLength_)) {
        stream.close();
        return false;
    }

    directory = new (std::nothrow) RESFILE_ENTRY[header.lumpCount];
    if (!directory) {
        stream.close();
        return false;
    }

    stream.seekg(header.directoryOffset, std::ios::beg);
    stream.read(reinterpret_cast<char*>(directory),
                static_cast<std::streamsize>(header.lumpCount) * sizeof(RESFILE_ENTRY));
    if (stream.fail()) {
        stream.close();
        return false;
    }
    return true;
}

void RESFILE::Close() {
    delete[] directory;
    directory = nullptr;
    if (stream.is_open()) stream.close();
}

bool RESFILE::ValidLump(int index) const {
    return stream.is_open() && directory && index >= 0 &&
           static_cast<uint32_t>(index) < header.lumpCount;
}

bool RESFILE::SeekLump(int index) {
    if (!ValidLump(index)) return false;
    stream.seekg(directory[index].offset, std::ios::beg);
    return !stream.fail();
}

bool RESFILE::LoadData(int index, void** out) {
    if (!out || !SeekLump(index)) return false;
    const RESFILE_ENTRY& entry = directory[index];
    if (!FitsInFile(entry.offset, entry.size, 1, fileLength_)) {
        stream.setstate(std::ios::failbit);
        return false;
    }

    char* buffer = new (std::nothrow) char[entry.size];
    if (!buffer) return false;
    stream.read(buffer, entry.size);
    if (stream.fail()) {
        delete[] buffer;
        return false;
    }
    *out = buffer;
    return true;
}
