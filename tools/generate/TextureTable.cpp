// Generator of kestrel.workshops: paints the table's pictures and packs each
// into a lump in table order, encoded so that between them every image path of
// the saver's loader runs: TGA uncompressed and RLE, 24 and 32 bits, and JPEG.
#include <cstdio>

#include "Generators.h"
#include "Registry.h"
#include "TextureTable.h"
#include "writers/ContainerWriter.h"
#include "writers/JPEGWriter.h"
#include "writers/TGAWriter.h"

namespace {

constexpr int kJPEGQuality = 92;

bool Encode(const TableImage& entry, LumpData* lump) {
    lump->param = entry.alphaMode;
    switch (entry.encoding) {
    case LumpEncoding::TGA:
    case LumpEncoding::TGARLE:
        lump->type = 1;
        lump->bytes = EncodeTGA(entry.image, entry.encoding == LumpEncoding::TGARLE);
        return !lump->bytes.empty();
    case LumpEncoding::JPEG:
        lump->type = 3;
        return EncodeJPEG(entry.image, kJPEGQuality, &lump->bytes);
    }
    return false;
}

}  // namespace

bool GenerateTextureTable(const std::string& path) {
    std::vector<TableImage> images;
    std::string error;
    if (!PaintTextureTable(&images, &error)) {
        std::fprintf(stderr, "kestrel.workshops: %s\n", error.c_str());
        return false;
    }
    std::vector<LumpData> lumps(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (!Encode(images[i], &lumps[i])) {
            std::fprintf(stderr, "kestrel.workshops: cannot encode the %s image\n", images[i].role.c_str());
            return false;
        }
    }
    const std::vector<uint8_t> file = BuildContainer(lumps);
    if (file.empty() || !WriteFileAtomically(path, file, &error)) {
        std::fprintf(stderr, "kestrel.workshops: %s\n", file.empty() ? "too large for a container" : error.c_str());
        return false;
    }
    return true;
}

static const GeneratorRegistration kTextureTable{"kestrel.workshops", GenerateTextureTable};
