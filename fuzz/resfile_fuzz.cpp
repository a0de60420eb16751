// Fuzzes the container reader. Each input becomes the whole container file (an
// in-memory file, so no disk is touched): Open it, then walk the directory and
// one index beyond it at each end, seeking to every lump and loading it whole.
// After some seeks a few bytes are read in place, as a decoder would, so that
// reads running off the end poison the reader part-way through the walk.
//
// Beyond "no crash, no leak, no out-of-bounds access" the target checks the
// reader's promises: an opened directory lies inside the file, and a loaded lump
// is byte for byte the input at the lump's offset.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "assets/ResFile.h"

namespace {

void WalkLumps(RESFILE& reader, const uint8_t* data, size_t size) {
    const int count = static_cast<int>(std::min<uint32_t>(reader.header.lumpCount, INT_MAX));
    for (int index = -1; index <= count; ++index) {
        if (reader.SeekLump(index) && (index & 1)) {
            char peek[16];
            reader.stream.read(peek, sizeof peek);
        }
        void* out = nullptr;
        if (!reader.LoadData(index, &out)) continue;
        // An empty lump reads nothing, so it may claim any offset.
        const RESFILE_ENTRY& entry = reader.directory[index];
        if (entry.size > 0 && (uint64_t{entry.offset} + entry.size > size ||
                               std::memcmp(out, data + entry.offset, entry.size) != 0))
            __builtin_trap();
        delete[] static_cast<char*>(out);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RESFILE reader;
    if (!reader.Open(WriteMemoryFile(data, size))) return 0;
    if (uint64_t{reader.header.lumpCount} * sizeof(RESFILE_ENTRY) > size || reader.fileSize != size)
        __builtin_trap();
    WalkLumps(reader, data, size);
    reader.Close();
    return 0;
}
