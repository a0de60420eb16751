// The container reader against small containers built here byte by byte.
#include "assets/ResFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& bytes, size_t at, uint32_t value) {
    if (bytes.size() < at + 4) bytes.resize(at + 4);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Lump {
    Bytes body;
    uint32_t type = 1;
    uint32_t param = 0;
};

// Lays a container out as header, lump bodies, then the directory, and fills in
// the size check. Tests then damage the bytes they want to see refused.
Bytes BuildContainer(const std::vector<Lump>& lumps) {
    Bytes bytes(24, 0);
    std::memcpy(bytes.data(), "KSTF", 4);
    std::vector<uint32_t> offsets;
    for (const Lump& lump : lumps) {
        offsets.push_back(static_cast<uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), lump.body.begin(), lump.body.end());
    }
    const size_t directory = bytes.size();
    for (size_t i = 0; i < lumps.size(); ++i) {
        const size_t entry = directory + 28 * i;
        Put32(bytes, entry + 0, static_cast<uint32_t>(lumps[i].body.size()));
        Put32(bytes, entry + 4, offsets[i]);
        Put32(bytes, entry + 8, lumps[i].type);
        Put32(bytes, entry + 12, lumps[i].param);
        bytes.resize(entry + 28, 0xEE);  // reserved tail: never read
    }
    Put32(bytes, 12, static_cast<uint32_t>(lumps.size()));
    Put32(bytes, 20, static_cast<uint32_t>(directory));
    Put32(bytes, 16, ~static_cast<uint32_t>(bytes.size()));
    return bytes;
}

size_t EntryAt(const Bytes& container, int index) {
    uint32_t directory = 0;
    std::memcpy(&directory, &container[20], 4);
    return directory + 28 * static_cast<size_t>(index);
}

class ResFileTest : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path_.c_str()); }

    // Writes bytes to this test's file and opens a reader on it.
    bool OpenBytes(const Bytes& bytes) {
        FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return false;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        if (std::fclose(f) != 0 || !written) return false;
        return reader_.Open(path_.c_str());
    }

    const std::vector<Lump> threeLumps_ = {
        {{'m', 'o', 'd', 'e', 'l'}, 0, 0},
        {{1, 2, 3, 4, 5, 6, 7}, 1, 2},
        {{0xFF, 0xD8, 0xFF}, 3, 1},
    };
    const std::string path_ = ::testing::TempDir() + "resfile_" +
        ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".kst";
    RESFILE reader_;
};

TEST_F(ResFileTest, ReadsDirectoryAndLumpsOfAValidContainer) {
    const Bytes bytes = BuildContainer(threeLumps_);
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(reader_.fileSize, bytes.size());
    ASSERT_EQ(reader_.header.lumpCount, 3u);
    ASSERT_NE(reader_.directory, nullptr);
    EXPECT_EQ(reader_.directory[1].type, 1u);
    EXPECT_EQ(reader_.directory[1].param, 2u);
    EXPECT_EQ(reader_.directory[2].type, 3u);

    // Lumps in any order, by seeking and reading in place or as a copy.
    for (int index : {2, 0, 1}) {
        const Bytes& body = threeLumps_[index].body;
        ASSERT_TRUE(reader_.SeekLump(index)) << index;
        Bytes read(body.size());
        reader_.stream.read(reinterpret_cast<char*>(read.data()), read.size());
        EXPECT_EQ(read, body) << index;

        void* data = nullptr;
        ASSERT_TRUE(reader_.LoadData(index, &data)) << index;
        EXPECT_EQ(std::memcmp(data, body.data(), body.size()), 0) << index;
        delete[] static_cast<char*>(data);
    }
}

TEST_F(ResFileTest, RefusesHeadersThatDoNotCheckOut) {
    struct Case {
        const char* name;
        void (*damage)(Bytes&);
    };
    const Case cases[] = {
        {"one byte appended", [](Bytes& b) { b.push_back(0); }},
        {"one byte truncated", [](Bytes& b) { b.pop_back(); }},
        {"size check of the length itself", [](Bytes& b) { Put32(b, 16, static_cast<uint32_t>(b.size())); }},
        {"magic in lower case", [](Bytes& b) { std::memcpy(b.data(), "kstf", 4); }},
        {"magic with one lower-case letter", [](Bytes& b) { b[3] = 'f'; }},
        {"magic with a wrong first byte", [](Bytes& b) { b[0] = 'X'; }},
        {"directory at the end of the file", [](Bytes& b) { Put32(b, 20, static_cast<uint32_t>(b.size())); }},
        {"directory running one byte past the end", [](Bytes& b) { Put32(b, 20, static_cast<uint32_t>(b.size() - 3 * 28 + 1)); }},
        {"directory far past the end", [](Bytes& b) { Put32(b, 20, 0xFFFFFFF0u); }},
        {"lump count beyond the file", [](Bytes& b) { Put32(b, 12, 4); }},
        // Would be a 120 GB directory if it were allocated before being checked.
        {"largest lump count", [](Bytes& b) { Put32(b, 12, 0xFFFFFFFFu); }},
    };
    for (const Case& c : cases) {
        Bytes bytes = BuildContainer(threeLumps_);
        c.damage(bytes);
        EXPECT_FALSE(OpenBytes(bytes)) << c.name;
        EXPECT_FALSE(reader_.stream.is_open()) << c.name;
        EXPECT_FALSE(reader_.SeekLump(0)) << c.name;
        reader_.Close();
    }
}

TEST_F(ResFileTest, ShortHeaderOrMissingFileFailsOpen) {
    Bytes bytes = BuildContainer({});
    bytes.resize(23);
    EXPECT_FALSE(OpenBytes(bytes));
    EXPECT_EQ(reader_.directory, nullptr);
    EXPECT_FALSE(reader_.SeekLump(0));
    RESFILE missing;
    EXPECT_FALSE(missing.Open((::testing::TempDir() + "no/such/container.kst").c_str()));
    EXPECT_FALSE(missing.Open(nullptr));
}

TEST_F(ResFileTest, EmptyDirectoryOpensButHasNoLumps) {
    for (uint32_t directoryOffset : {24u, 0xFFFFFF00u}) {
        Bytes bytes = BuildContainer({});
        Put32(bytes, 20, directoryOffset);  // never read with no lumps
        ASSERT_TRUE(OpenBytes(bytes)) << directoryOffset;
        EXPECT_NE(reader_.directory, nullptr);
        void* data = nullptr;
        EXPECT_FALSE(reader_.SeekLump(0));
        EXPECT_FALSE(reader_.LoadData(0, &data));
        EXPECT_EQ(data, nullptr);
        reader_.Close();
    }
}

TEST_F(ResFileTest, IndexOutsideTheDirectoryFailsWithoutMovingTheStream) {
    ASSERT_TRUE(OpenBytes(BuildContainer(threeLumps_)));
    ASSERT_TRUE(reader_.SeekLump(1));
    const std::streampos before = reader_.stream.tellg();
    for (int index : {3, 4, -1, -2147483647 - 1}) {
        void* data = nullptr;
        EXPECT_FALSE(reader_.SeekLump(index)) << index;
        EXPECT_FALSE(reader_.LoadData(index, &data)) << index;
        EXPECT_EQ(data, nullptr) << index;
        EXPECT_EQ(reader_.stream.tellg(), before) << index;
    }
    EXPECT_TRUE(reader_.SeekLump(2));  // the reader is still usable
}

TEST_F(ResFileTest, EmptyLumpLoadsAsNonNullBuffer) {
    // Also at the very end of the file, where a zero-byte read must not count as a failure.
    Bytes bytes = BuildContainer({{{}, 1, 0}, {{5}, 1, 0}});
    Put32(bytes, EntryAt(bytes, 0) + 4, static_cast<uint32_t>(bytes.size()));
    ASSERT_TRUE(OpenBytes(bytes));
    void* data = nullptr;
    ASSERT_TRUE(reader_.LoadData(0, &data));
    EXPECT_NE(data, nullptr);
    delete[] static_cast<char*>(data);
    data = nullptr;
    ASSERT_TRUE(reader_.LoadData(1, &data));
    EXPECT_EQ(*static_cast<uint8_t*>(data), 5);
    delete[] static_cast<char*>(data);
}

TEST_F(ResFileTest, LumpPastTheEndFailsAndPoisonsTheReader) {
    struct Case {
        const char* name;
        uint32_t offset;  // UINT32_MAX: keep the lump's own offset (24)
        uint32_t size;    // 0: one byte more than the file holds after the offset
    };
    const Case cases[] = {
        {"body ends one byte past the end", UINT32_MAX, 0},
        // A 4 GB buffer if allocated before the check.
        {"largest size", UINT32_MAX, 0xFFFFFFFFu},
        {"offset past the end", 0x7FFFFFF0u, 1},
        {"offset plus size wraps 32 bits", 0xFFFFFFF0u, 0x20},
    };
    for (const Case& c : cases) {
        Bytes bytes = BuildContainer(threeLumps_);
        const size_t entry = EntryAt(bytes, 0);
        if (c.offset != UINT32_MAX) Put32(bytes, entry + 4, c.offset);
        Put32(bytes, entry, c.size ? c.size : static_cast<uint32_t>(bytes.size() - 24 + 1));
        ASSERT_TRUE(OpenBytes(bytes)) << c.name;

        void* data = reinterpret_cast<void*>(0x1);
        EXPECT_FALSE(reader_.LoadData(0, &data)) << c.name;
        EXPECT_EQ(data, reinterpret_cast<void*>(0x1)) << c.name;
        // The reader's stream stays failed: later calls on good lumps fail too.
        EXPECT_FALSE(reader_.SeekLump(1)) << c.name;
        EXPECT_FALSE(reader_.LoadData(2, &data)) << c.name;
        reader_.Close();
    }
}

TEST_F(ResFileTest, OnlyAFailedReadPoisonsTheReader) {
    const Bytes bytes = BuildContainer(threeLumps_);
    ASSERT_TRUE(OpenBytes(bytes));
    // Reading exactly to the end sets only end-of-file, which is no failure.
    ASSERT_TRUE(reader_.SeekLump(0));
    std::vector<char> rest(bytes.size() - 24);
    reader_.stream.read(rest.data(), rest.size());
    reader_.stream.peek();
    ASSERT_TRUE(reader_.SeekLump(2));
    char past[1024];
    reader_.stream.read(past, sizeof past);  // a decoder overrunning its lump and the file
    EXPECT_FALSE(reader_.SeekLump(0));
    void* data = nullptr;
    EXPECT_FALSE(reader_.LoadData(1, &data));
    EXPECT_EQ(data, nullptr);
    reader_.Close();
    reader_.Close();
    EXPECT_EQ(reader_.directory, nullptr);
    EXPECT_FALSE(reader_.stream.is_open());
}

}  // namespace
