// kst: listing, extracting and packing containers, and every way a command can
// go wrong: each must say so on the error stream, return non-zero, and leave
// no partial output behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "Kst.h"
#include "assets/ResFile.h"
#include "writers/ContainerWriter.h"
#include "writers/JPEGWriter.h"
#include "writers/MS3DWriter.h"
#include "writers/TGAWriter.h"

namespace {

class KstTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/sandmere-kst-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
        Image picture(8, 4, 4);
        for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = static_cast<uint8_t>(i * 3);
        Put("skin.tga", EncodeTGA(picture, true));
        std::vector<uint8_t> jpeg;
        ASSERT_TRUE(EncodeJPEG(Image(16, 16, 3), 90, &jpeg));
        Put("sand.jpg", jpeg);
        Put("model.ms3d", EncodeMS3D(Model()));
        Put("notes.txt", {'h', 'i'});
        Put("broken.tga", {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 4, 0, 32, 0, 1, 2});  // pixels cut short
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    static MS3DData Model() {
        MS3DData m;
        m.vertices.resize(3);
        m.triangles.resize(1);
        m.triangles[0].vertexIndices = {0, 1, 2};
        MS3DData::Group g;
        g.name = "g";
        g.triangleIndices = {0};
        m.groups.push_back(g);
        MS3DData::Joint j;
        j.name = "root";
        j.rotationKeys = {{0.0f, {}}, {1.0f, {}}};
        m.joints.push_back(j);
        m.totalFrames = 26;
        return m;
    }

    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    void Put(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(Path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<uint8_t> Get(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const {
        struct stat info {};
        return ::stat(Path(name).c_str(), &info) == 0;
    }
    int Run(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        return RunKst(args, out_, err_);
    }
    // Names in the folder, so a test can see that no temporary was left.
    std::string Listing() const {
        std::string names;
        FILE* ls = ::popen(("ls -A '" + folder_ + "'").c_str(), "r");
        char line[256];
        while (ls && std::fgets(line, sizeof line, ls)) names += line;
        if (ls) ::pclose(ls);
        return names;
    }

    std::string folder_;
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
    const std::string listing = out_.str();
    EXPECT_NE(listing.find("4 lumps"), std::string::npos);
    EXPECT_NE(listing.find("MS3D: 3 vertices, 1 triangles, 1 groups, 0 materials, 1 joints, 26 frames at 24 fps"),
              std::string::npos)
        << listing;
    EXPECT_NE(listing.find("8x4 RLE TGA, 32 bits"), std::string::npos) << listing;
    EXPECT_NE(listing.find("16x16 JPEG"), std::string::npos) << listing;

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
        {"extract, index past the end", {"extract", Path("t.kst"), "1", Path("o")}, kKstFailed, "no lump 1"},
        {"extract, negative index", {"extract", Path("t.kst"), "-1", Path("o")}, kKstUsage, "not a lump index"},
        {"extract, index not a number", {"extract", Path("t.kst"), "1x", Path("o")}, kKstUsage, "not a lump index"},
        {"extract, index beyond 32 bits", {"extract", Path("t.kst"), "4294967296", Path("o")}, kKstUsage, "index"},
        {"extract, missing file", {"extract", Path("none.kst"), "0", Path("o")}, kKstFailed, "cannot open"},
        {"extract, unwritable output", {"extract", Path("t.kst"), "0", Path("no/dir/o")}, kKstFailed, "cannot"},
        {"pack, unknown ending", {"pack", Path("o"), Path("notes.txt")}, kKstUsage, "--type"},
        {"pack, missing input", {"pack", Path("o"), Path("none.tga")}, kKstFailed, "cannot open"},
        {"pack, picture that does not decode", {"pack", Path("o"), Path("broken.tga")}, kKstFailed, "does not decode"},
        {"pack, a given type is taken as given", {"pack", Path("o"), "--type", "0", Path("skin.tga")}, kKstOk, ""},
        {"pack, --param with no file", {"pack", Path("o"), Path("skin.tga"), "--param", "2"}, kKstUsage, "no file"},
        {"pack, --type not a number", {"pack", Path("o"), "--type", "tga", Path("skin.tga")}, kKstUsage, "number"},
        {"pack, no files", {"pack", Path("o")}, kKstUsage, "usage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Path("o").c_str());
        EXPECT_EQ(Run(c.args), c.status);
        EXPECT_NE(err_.str().find(c.says), std::string::npos) << err_.str();
        if (c.status != kKstOk) {
            EXPECT_FALSE(Exists("o"));
        }
    }
}

TEST_F(KstTest, MisnamedModelIsRefused) {
    Put("fake.ms3d", {'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'd', 'e', 'l'});
    EXPECT_EQ(Run({"pack", Path("o"), Path("fake.ms3d")}), kKstFailed);
    EXPECT_NE(err_.str().find("not a MilkShape 3D model"), std::string::npos) << err_.str();
    EXPECT_FALSE(Exists("o"));
}

TEST_F(KstTest, FailedPackKeepsTheOldContainerWhole) {
    ASSERT_EQ(Run({"pack", Path("c.kst"), Path("model.ms3d"), Path("skin.tga")}), kKstOk);
    const std::vector<uint8_t> before = Get("c.kst");
    // The second file is bad, so nothing is written, not even the first lump.
    EXPECT_EQ(Run({"pack", Path("c.kst"), Path("sand.jpg"), Path("broken.tga")}), kKstFailed);
    EXPECT_EQ(Get("c.kst"), before);
    EXPECT_EQ(Listing(), "broken.tga\nc.kst\nmodel.ms3d\nnotes.txt\nsand.jpg\nskin.tga\n");
}

TEST_F(KstTest, ListFlagsLumpsTheSaverCannotUse) {
    // A container whose TGA lump is cut short: listed, but the status says so.
    std::vector<uint8_t> broken = Get("broken.tga");
    Put("bad.kst", BuildContainer({{Get("model.ms3d"), 0, 0}, {broken, 1, 0}}));
    EXPECT_EQ(Run({"list", Path("bad.kst")}), kKstFailed);
    EXPECT_NE(out_.str().find("does not decode"), std::string::npos) << out_.str();
    EXPECT_NE(err_.str().find("cannot use"), std::string::npos);
}

TEST(KstProgram, ExitStatusReachesTheShell) {
    const std::string kst = SANDMERE_KST_EXE;
    EXPECT_EQ(WEXITSTATUS(std::system((kst + " >/dev/null 2>&1").c_str())), kKstUsage);
    EXPECT_EQ(WEXITSTATUS(std::system((kst + " list /nonexistent/x.kst 2>/dev/null").c_str())), kKstFailed);
    EXPECT_EQ(WEXITSTATUS(std::system((kst + " --help >/dev/null").c_str())), kKstOk);
}

}  // namespace
