#include "Kst.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>

#include "assets/JPGLoader.h"
#include "assets/ResFile.h"
#include "assets/TGALoader.h"
#include "assets/Texture.h"
#include "maths/Misc.h"
#include "models/MilkshapeModel.h"
#include "writers/ContainerWriter.h"

namespace {

const char* const kUsage =
    "usage: kst list FILE\n"
    "       kst extract FILE INDEX OUT\n"
    "       kst pack OUT [--type T] [--param P] FILE ...\n";

// Keeps the text of the last alert the TGA decoder raised while it is alive,
// so kst can say why a picture failed instead of the decoder printing it.
class AlertCatcher {
public:
    AlertCatcher() { previous_ = SetAlertHandler(&AlertCatcher::Catch); Last().clear(); }
    ~AlertCatcher() { SetAlertHandler(previous_); }
    AlertCatcher(const AlertCatcher&) = delete;
    AlertCatcher& operator=(const AlertCatcher&) = delete;
    static std::string& Last() {
        static std::string text;
        return text;
    }

private:
    static void Catch(const char*, const char* text) { Last() = text ? text : ""; }
    AlertHandler previous_ = nullptr;
};

// Parses a whole decimal string into an unsigned 32-bit value.
bool ParseU32(const std::string& text, uint32_t* value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > std::numeric_limits<uint32_t>::max()) return false;
    *value = static_cast<uint32_t>(v);
    return true;
}

const char* TypeName(uint32_t type) {
    switch (type) {
    case kLumpTGA: return "TGA";
    case kLumpJPEG: return "JPEG";
    default: return "data";
    }
}

bool LooksLikeMS3D(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 10 && std::memcmp(bytes.data(), "MS3D000000", 10) == 0;
}

// ---- What a lump holds, through the saver's own decoders ---------------------

bool DescribeTGA(const std::vector<uint8_t>& bytes, std::string* summary) {
    AlertCatcher alerts;
    std::istringstream stream(std::string(bytes.begin(), bytes.end()));
    Texture texture;
    if (!LoadTGA2(&texture, &stream)) {
        *summary = "TGA that does not decode: " + AlertCatcher::Last();
        return false;
    }
    const bool rle = bytes.size() > 2 && bytes[2] == 10;  // the image type byte
    *summary = std::to_string(texture.width) + "x" + std::to_string(texture.height) + (rle ? " RLE" : "") +
               " TGA, " + std::to_string(texture.bitsPerPixel) + " bits";
    return true;
}

bool DescribeJPEG(const std::vector<uint8_t>& bytes, std::string* summary) {
    DecodedImage image;
    if (!DecodeJPEG(bytes.data(), static_cast<long>(bytes.size()), &image)) {
        *summary = "JPEG that does not decode";
        return false;
    }
    *summary = std::to_string(image.width) + "x" + std::to_string(image.height) + " JPEG";
    return true;
}

bool DescribeMS3D(const std::vector<uint8_t>& bytes, std::string* summary) {
    std::istringstream stream(std::string(bytes.begin(), bytes.end()));
    MS3D model;
    if (!model.LoadFromFStream(&stream)) {
        *summary = "MS3D model that does not load";
        return false;
    }
    std::ostringstream s;
    s << "MS3D: " << model.numVertices << " vertices, " << model.numTriangles << " triangles, " << model.numGroups
      << " groups, " << model.numMaterials << " materials, " << model.numJoints << " joints, " << model.totalFrames
      << " frames at " << model.fps << " fps";
    *summary = s.str();
    return true;
}

// The lump's contents in a few words; false when the saver could not use it.
bool Describe(const std::vector<uint8_t>& bytes, uint32_t type, std::string* summary) {
    if (type == kLumpTGA) return DescribeTGA(bytes, summary);
    if (type == kLumpJPEG) return DescribeJPEG(bytes, summary);
    if (LooksLikeMS3D(bytes)) return DescribeMS3D(bytes, summary);
    *summary = "";
    return true;
}

// ---- Commands -------------------------------------------------------------------

bool OpenContainer(RESFILE& file, const std::string& path, std::ostream& err) {
    if (file.Open(path.c_str())) return true;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        err << "kst: cannot open " << path << ": " << std::strerror(errno) << "\n";
    else
        err << "kst: " << path << " is not a valid container (bad magic, size check or directory)\n";
    return false;
}

// Reads lump index into bytes with the container reader's LoadData.
bool ReadLump(RESFILE& file, int index, std::vector<uint8_t>* bytes) {
    void* data = nullptr;
    if (!file.LoadData(index, &data)) return false;
    const auto* begin = static_cast<const uint8_t*>(data);
    bytes->assign(begin, begin + file.directory[index].size);
    delete[] static_cast<uint8_t*>(data);
    return true;
}

int List(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) {
        err << kUsage;
        return kKstUsage;
    }
    RESFILE file;
    if (!OpenContainer(file, args[1], err)) return kKstFailed;
    const uint32_t count = file.header.lumpCount;
    out << args[1] << ": " << count << (count == 1 ? " lump, " : " lumps, ") << file.fileSize << " bytes\n";
    out << "index  type      param        size      offset  contents\n";
    bool allGood = true;
    for (uint32_t i = 0; i < count; ++i) {
        const RESFILE_ENTRY& e = file.directory[i];
        std::vector<uint8_t> bytes;
        std::string summary;
        bool good = ReadLump(file, static_cast<int>(i), &bytes);
        if (good)
            good = Describe(bytes, e.type, &summary);
        else
            summary = "body runs past the end of the file";
        allGood = allGood && good;
        char line[128];
        std::snprintf(line, sizeof line, "%5u  %u %-6s %6u  %10u  %10u  ", i, e.type, TypeName(e.type), e.param,
                      e.size, e.offset);
        out << line << summary << "\n";
    }
    if (!allGood) err << "kst: " << args[1] << " has lumps the saver cannot use\n";
    return allGood ? kKstOk : kKstFailed;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 4) {
        err << kUsage;
        return kKstUsage;
    }
    uint32_t index = 0;
    if (!ParseU32(args[2], &index)) {
        err << "kst: \"" << args[2] << "\" is not a lump index\n";
        return kKstUsage;
    }
    RESFILE file;
    if (!OpenContainer(file, args[1], err)) return kKstFailed;
    if (index >= file.header.lumpCount) {
        err << "kst: " << args[1] << " has no lump " << index << " (it has " << file.header.lumpCount << ")\n";
        return kKstFailed;
    }
    std::vector<uint8_t> bytes;
    if (!ReadLump(file, static_cast<int>(index), &bytes)) {
        err << "kst: lump " << index << " of " << args[1] << " runs past the end of the file\n";
        return kKstFailed;
    }
    std::string error;
    if (!WriteFileAtomically(args[3], bytes, &error)) {
        err << "kst: " << error << "\n";
        return kKstFailed;
    }
    out << "extracted lump " << index << " (" << bytes.size() << " bytes) to " << args[3] << "\n";
    return kKstOk;
}

// The lump type a file's ending names, or false for an ending kst does not know.
bool TypeFromEnding(const std::string& path, uint32_t* type) {
    auto dot = path.find_last_of('.');
    auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ending = path.substr(dot + 1);
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ending == "tga") *type = kLumpTGA;
    else if (ending == "jpg" || ending == "jpeg") *type = kLumpJPEG;
    else if (ending == "ms3d") *type = 0;
    else return false;
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = path + " is not a regular file";
        return false;
    }
    if (static_cast<uint64_t>(info.st_size) >= std::numeric_limits<uint32_t>::max()) {
        *error = path + " is too large for a container";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

struct PackEntry {
    std::string path;
    bool typeGiven = false;
    uint32_t type = 0;
    uint32_t param = 0;
};

// Parses "[--type T] [--param P] FILE ..." into entries.
bool ParsePackEntries(const std::vector<std::string>& args, std::vector<PackEntry>* entries, std::ostream& err) {
    PackEntry next;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--type" || a == "--param") {
            if (i + 1 >= args.size()) {
                err << "kst: " << a << " needs a number\n";
                return false;
            }
            uint32_t v = 0;
            if (!ParseU32(args[++i], &v)) {
                err << "kst: " << a << " needs a number, not \"" << args[i] << "\"\n";
                return false;
            }
            if (a == "--type") {
                next.type = v;
                next.typeGiven = true;
            } else {
                next.param = v;
            }
            continue;
        }
        next.path = a;
        entries->push_back(next);
        next = PackEntry();
    }
    if (next.typeGiven || next.param != 0) {
        err << "kst: --type or --param at the end, with no file after it\n";
        return false;
    }
    if (entries->empty()) {
        err << kUsage;
        return false;
    }
    return true;
}

int Pack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<PackEntry> entries;
    if (args.size() < 3 || !ParsePackEntries(args, &entries, err)) {
        if (args.size() < 3) err << kUsage;
        return kKstUsage;
    }
    std::vector<LumpData> lumps;
    for (PackEntry& entry : entries) {
        if (!entry.typeGiven && !TypeFromEnding(entry.path, &entry.type)) {
            err << "kst: cannot tell the lump type of " << entry.path
                << " from its ending (.tga, .jpg, .jpeg, .ms3d); give it with --type\n";
            return kKstUsage;
        }
        LumpData lump;
        std::string error;
        if (!ReadWholeFile(entry.path, &lump.bytes, &error)) {
            err << "kst: " << error << "\n";
            return kKstFailed;
        }
        std::string summary;
        if (!entry.typeGiven && entry.type == 0 && !LooksLikeMS3D(lump.bytes)) {
            err << "kst: " << entry.path << ": not a MilkShape 3D model\n";
            return kKstFailed;
        }
        if (!Describe(lump.bytes, entry.type, &summary)) {
            err << "kst: " << entry.path << ": " << summary << "\n";
            return kKstFailed;
        }
        lump.type = entry.type;
        lump.param = entry.param;
        lumps.push_back(std::move(lump));
    }
    const std::vector<uint8_t> file = BuildContainer(lumps);
    std::string error;
    if (file.empty()) {
        err << "kst: the files are too large for one container\n";
        return kKstFailed;
    }
    if (!WriteFileAtomically(args[1], file, &error)) {
        err << "kst: " << error << "\n";
        return kKstFailed;
    }
    out << "packed " << lumps.size() << (lumps.size() == 1 ? " lump" : " lumps") << " (" << file.size()
        << " bytes) into " << args[1] << "\n";
    return kKstOk;
}

}  // namespace

int RunKst(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return kKstUsage;
    }
    if (args[0] == "list") return List(args, out, err);
    if (args[0] == "extract") return Extract(args, out, err);
    if (args[0] == "pack") return Pack(args, out, err);
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        out << kUsage;
        return kKstOk;
    }
    err << "kst: unknown command \"" << args[0] << "\"\n" << kUsage;
    return kKstUsage;
}
