// The container reader on containers from the shared writer, damaged byte by byte.
// The writer lays out the header, the directory at offset 24 (28 bytes an entry),
// then the lump bodies.
#include "assets/ResFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "TestFiles.h"

// The largest array asked for with new (std::nothrow), which is how the reader
// takes its directory and lump buffers: a hostile size must be refused before
// it is allocated, not merely by a failing allocation or read.
static size_t largestNothrowArray = 0;
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    largestNothrowArray = std::max(largestNothrowArray, size);
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

namespace {

using testfiles::Bytes;

void Put32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
size_t EntryAt(int index) { return 24 + 28 * static_cast<size_t>(index); }

const std::vector<LumpData> kLumps = {
    {{'m', 'o', 'd', 'e', 'l'}, 0, 0},
    {{1, 2, 3, 4, 5, 6, 7}, 1, 2},
    {{0xFF, 0xD8, 0xFF}, 3, 1},
};

class ResFileTest : public ::testing::Test {
protected:
    bool Open(const Bytes& bytes) {
        reader_.Close();
        largestNothrowArray = 0;
        return reader_.Open(dir_.Write("c.kst", bytes).c_str());
    }
    // Damages a copy of the three-lump container and opens it.
    template <class Damage>
    bool OpenDamaged(Damage damage) {
        Bytes bytes = BuildContainer(kLumps);
        damage(bytes);
        return Open(bytes);
    }

    testfiles::TempDir dir_;
    RESFILE reader_;
};

// The writer and the reader agree on every field. The last lump is empty and
// placed at the very end of the file, where a zero-byte read must not count as
// a failure.
TEST_F(ResFileTest, ReadsEveryLumpInAnyOrderInPlaceOrAsACopy) {
    std::vector<LumpData> lumps = kLumps;
    lumps.push_back({Bytes(70000, 5), 42, 0xFFFFFFFFu});
    lumps.push_back({{}, 1, 0});
    Bytes bytes = BuildContainer(lumps);
    Put32(bytes, EntryAt(4) + 4, static_cast<uint32_t>(bytes.size()));
    ASSERT_TRUE(Open(bytes));
    EXPECT_EQ(reader_.fileSize, bytes.size());
    ASSERT_EQ(reader_.header.lumpCount, 5u);
    for (int index : {2, 4, 0, 3, 1}) {
        EXPECT_EQ(reader_.directory[index].type, lumps[index].type) << index;
        EXPECT_EQ(reader_.directory[index].param, lumps[index].param) << index;
        const Bytes& body = lumps[index].bytes;
        ASSERT_TRUE(reader_.SeekLump(index)) << index;
        Bytes read(body.size());
        reader_.stream.read(reinterpret_cast<char*>(read.data()), static_cast<std::streamsize>(read.size()));
        EXPECT_EQ(read, body) << index;
        void* data = nullptr;
        ASSERT_TRUE(reader_.LoadData(index, &data)) << index;
        ASSERT_NE(data, nullptr);
        EXPECT_TRUE(std::equal(body.begin(), body.end(), static_cast<const uint8_t*>(data))) << index;
        delete[] static_cast<char*>(data);
    }
}

TEST_F(ResFileTest, RefusesHeadersThatDoNotCheckOut) {
    const struct { const char* name; void (*damage)(Bytes&); } cases[] = {
        {"one byte appended", [](Bytes& b) { b.push_back(0); }},
        {"one byte cut off", [](Bytes& b) { b.pop_back(); }},
        {"header cut short", [](Bytes& b) { b.resize(23); }},
        {"magic in lower case", [](Bytes& b) { std::memcpy(b.data(), "kstf", 4); }},
        {"magic with one lower-case letter", [](Bytes& b) { b[3] = 'f'; }},
        {"directory at the end of the file", [](Bytes& b) { Put32(b, 20, static_cast<uint32_t>(b.size())); }},
        {"directory one byte past the end", [](Bytes& b) { Put32(b, 20, static_cast<uint32_t>(b.size() - 3 * 28 + 1)); }},
        {"directory far past the end", [](Bytes& b) { Put32(b, 20, 0xFFFFFFF0u); }},
        {"one lump more than the file holds", [](Bytes& b) { Put32(b, 12, 4); }},
        // A 120 GB directory if it were allocated before being checked.
        {"largest lump count", [](Bytes& b) { Put32(b, 12, 0xFFFFFFFFu); }},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(OpenDamaged(c.damage)) << c.name;
        EXPECT_FALSE(reader_.SeekLump(0)) << c.name;
        EXPECT_EQ(largestNothrowArray, 0u) << c.name;
    }
    EXPECT_FALSE(reader_.Open(dir_.File("missing.kst").c_str()));
    EXPECT_FALSE(reader_.Open(nullptr));
}

TEST_F(ResFileTest, IndicesOutsideTheDirectoryFailWithoutMovingTheStream) {
    // No lumps at all: the directory offset is never used, wherever it points.
    Bytes empty = BuildContainer({});
    Put32(empty, 20, 0xFFFFFF00u);
    ASSERT_TRUE(Open(empty));
    void* data = nullptr;
    EXPECT_FALSE(reader_.SeekLump(0));
    EXPECT_FALSE(reader_.LoadData(0, &data));
    EXPECT_EQ(data, nullptr);

    ASSERT_TRUE(Open(BuildContainer(kLumps)));
    ASSERT_TRUE(reader_.SeekLump(1));
    const std::streampos before = reader_.stream.tellg();
    for (int index : {3, -1, INT_MIN}) {
        EXPECT_FALSE(reader_.SeekLump(index)) << index;
        EXPECT_FALSE(reader_.LoadData(index, &data)) << index;
        EXPECT_EQ(data, nullptr) << index;
        EXPECT_EQ(reader_.stream.tellg(), before) << index;
    }
    EXPECT_TRUE(reader_.SeekLump(2));
}

TEST_F(ResFileTest, LumpPastTheEndFailsBeforeAllocatingAndPoisonsTheReader) {
    const struct {
        const char* name;
        uint32_t offset;  // 0: keep the lump's own
        uint32_t size;    // 0: one byte more than the file holds from the offset
    } cases[] = {
        {"body one byte past the end", 0, 0},
        {"largest size", 0, 0xFFFFFFFFu},  // a 4 GB buffer if allocated first
        {"offset past the end", 0x7FFFFFF0u, 1},
        {"offset plus size wraps 32 bits", 0xFFFFFFF0u, 0x20},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(OpenDamaged([&](Bytes& b) {
            if (c.offset) Put32(b, EntryAt(0) + 4, c.offset);
            Put32(b, EntryAt(0), c.size ? c.size : static_cast<uint32_t>(b.size() - EntryAt(3) + 1));
        })) << c.name;
        largestNothrowArray = 0;
        void* data = nullptr;
        EXPECT_FALSE(reader_.LoadData(0, &data)) << c.name;
        EXPECT_EQ(data, nullptr) << c.name;
        EXPECT_EQ(largestNothrowArray, 0u) << c.name;
        // Once a read has failed, good lumps fail too.
        EXPECT_FALSE(reader_.SeekLump(1)) << c.name;
        EXPECT_FALSE(reader_.LoadData(2, &data)) << c.name;
    }
}

}  // namespace
