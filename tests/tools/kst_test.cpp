// kst: listing, extracting and packing containers, and every way a command can
// go wrong: each must say so on the error stream, return non-zero, and leave
// no partial output behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "Kst.h"
#include "TestFiles.h"
#include "assets/ResFile.h"
#include "writers/ContainerWriter.h"
#include "writers/JPEGWriter.h"
#include "writers/MS3DWriter.h"
#include "writers/TGAWriter.h"

namespace {

using testfiles::ReadBytes;

class KstTest : public ::testing::Test {
protected:
    void SetUp() override {
        Image picture(8, 4, 4);
        for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = static_cast<uint8_t>(i * 3);
        const testfiles::Bytes tga = EncodeTGA(picture, true);
        dir_.Write("skin.tga", tga);
        dir_.Write("broken.tga", testfiles::Bytes(tga.begin(), tga.begin() + 20));  // pixels cut short
        testfiles::Bytes jpeg;
        ASSERT_TRUE(EncodeJPEG(Image(16, 16, 3), 90, &jpeg));
        dir_.Write("sand.jpg", jpeg);
        dir_.Write("model.ms3d", EncodeMS3D(Model()));
        dir_.Write("fake.ms3d", {'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'd', 'e', 'l'});
        dir_.Write("notes.txt", {'h', 'i'});
        // A container whose TGA lump is cut short: listed, but the status says so.
        dir_.Write("bad.kst", BuildContainer({{Get("model.ms3d"), 0, 0}, {Get("broken.tga"), 1, 0}}));
    }

    static MS3DData Model() {
        MS3DData m;
        m.vertices.resize(3);
        m.triangles.resize(1);
        m.triangles[0].vertexIndices = {0, 1, 2};
        m.groups.resize(1);
        m.groups[0].name = "g";
        m.groups[0].triangleIndices = {0};
        m.joints.resize(1);
        m.joints[0].name = "root";
        m.joints[0].rotationKeys = {{0.0f, {}}, {1.0f, {}}};
        m.totalFrames = 26;
        return m;
    }

    std::string Path(const std::string& name) const { return dir_.File(name); }
    testfiles::Bytes Get(const std::string& name) const { return ReadBytes(Path(name)); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
    int Run(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        return RunKst(args, out_, err_);
    }

    testfiles::TempDir dir_;
    std::ostringstream out_, err_;
};

TEST_F(KstTest, PackedFilesListAndExtractAsTheyWent) {
    ASSERT_EQ(Run({"pack", Path("c.kst"), Path("model.ms3d"), "--param", "1", Path("skin.tga"), "--param", "2",
                   Path("sand.jpg"), "--type", "7", Path("notes.txt")}),
              kKstOk)
        << err_.str();
    EXPECT_TRUE(err_.str().empty());

    RESFILE file;  // the saver's reader takes the result
    ASSERT_TRUE(file.Open(Path("c.kst").c_str()));
    ASSERT_EQ(file.header.lumpCount, 4u);
    const uint32_t types[] = {0, 1, 3, 7}, params[] = {0, 1, 2, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(file.directory[i].type, types[i]) << i;
        EXPECT_EQ(file.directory[i].param, params[i]) << i;
    }

    ASSERT_EQ(Run({"list", Path("c.kst")}), kKstOk) << err_.str();
    for (const char* line : {"4 lumps", "8x4 RLE TGA, 32 bits", "16x16 JPEG",
                             "MS3D: 3 vertices, 1 triangles, 1 groups, 0 materials, 1 joints, 26 frames at 24 fps"})
        EXPECT_NE(out_.str().find(line), std::string::npos) << line << " not in\n" << out_.str();

    const char* names[] = {"model.ms3d", "skin.tga", "sand.jpg", "notes.txt"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(Run({"extract", Path("c.kst"), std::to_string(i), Path("out")}), kKstOk) << err_.str();
        EXPECT_EQ(Get("out"), Get(names[i])) << names[i];
    }
}

TEST_F(KstTest, FailuresSayWhyAndReturnNonZero) {
    ASSERT_EQ(Run({"pack", Path("t.kst"), Path("skin.tga")}), kKstOk);
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* says;  // a piece of the error message
    };
    const Case cases[] = {
        {"no command", {}, kKstUsage, "usage"},
        {"unknown command", {"shrink", Path("t.kst")}, kKstUsage, "unknown command"},
        {"list, missing file", {"list", Path("none.kst")}, kKstFailed, "cannot open"},
        {"list, not a container", {"list", Path("skin.tga")}, kKstFailed, "not a valid container"},
        {"list, extra argument", {"list", Path("t.kst"), "x"}, kKstUsage, "usage"},
        {"list, a lump the saver cannot use", {"list", Path("bad.kst")}, kKstFailed, "cannot use"},
        {"extract, index past the end", {"extract", Path("t.kst"), "1", Path("o")}, kKstFailed, "no lump 1"},
        {"extract, negative index", {"extract", Path("t.kst"), "-1", Path("o")}, kKstUsage, "not a lump index"},
        {"extract, index not a number", {"extract", Path("t.kst"), "1x", Path("o")}, kKstUsage, "not a lump index"},
        {"extract, index beyond 32 bits", {"extract", Path("t.kst"), "4294967296", Path("o")}, kKstUsage, "index"},
        {"extract, missing file", {"extract", Path("none.kst"), "0", Path("o")}, kKstFailed, "cannot open"},
        {"extract, unwritable output", {"extract", Path("t.kst"), "0", Path("no/dir/o")}, kKstFailed, "cannot"},
        {"pack, unknown ending", {"pack", Path("o"), Path("notes.txt")}, kKstUsage, "--type"},
        {"pack, missing input", {"pack", Path("o"), Path("none.tga")}, kKstFailed, "cannot open"},
        {"pack, picture that does not decode", {"pack", Path("o"), Path("broken.tga")}, kKstFailed, "does not decode"},
        {"pack, misnamed model", {"pack", Path("o"), Path("fake.ms3d")}, kKstFailed, "not a MilkShape 3D model"},
        {"pack, a given type is taken as given", {"pack", Path("o"), "--type", "0", Path("skin.tga")}, kKstOk, ""},
        {"pack, --param with no file", {"pack", Path("o"), Path("skin.tga"), "--param", "2"}, kKstUsage, "no file"},
        {"pack, --type not a number", {"pack", Path("o"), "--type", "tga", Path("skin.tga")}, kKstUsage, "number"},
        {"pack, no files", {"pack", Path("o")}, kKstUsage, "usage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(Path("o"));
        EXPECT_EQ(Run(c.args), c.status);
        EXPECT_NE(err_.str().find(c.says), std::string::npos) << err_.str();
        EXPECT_EQ(Exists("o"), c.status == kKstOk);
    }
}

TEST_F(KstTest, FailedPackKeepsTheOldContainerWhole) {
    ASSERT_EQ(Run({"pack", Path("c.kst"), Path("model.ms3d"), Path("skin.tga")}), kKstOk);
    const testfiles::Bytes before = Get("c.kst");
    const auto files = std::distance(std::filesystem::directory_iterator(dir_.path()), {});
    // The second file is bad, so nothing is written, not even the first lump.
    EXPECT_EQ(Run({"pack", Path("c.kst"), Path("sand.jpg"), Path("broken.tga")}), kKstFailed);
    EXPECT_EQ(Get("c.kst"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), files) << "a temporary was left";
}

TEST(KstProgram, ExitStatusReachesTheShell) {
    const std::string kst = SANDMERE_KST_EXE;
    EXPECT_EQ(WEXITSTATUS(std::system((kst + " >/dev/null 2>&1").c_str())), kKstUsage);
    EXPECT_EQ(WEXITSTATUS(std::system((kst + " list /nonexistent/x.kst 2>/dev/null").c_str())), kKstFailed);
    EXPECT_EQ(WEXITSTATUS(std::system((kst + " --help >/dev/null").c_str())), kKstOk);
}

}  // namespace
