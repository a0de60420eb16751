// TGA decoding.
//
// Only the narrow subset of TGA our textures use is accepted, and it is
// recognised by comparing the first 12 bytes with two reference headers: image
// ID length 0, no colour map, type 2 (uncompressed) or 10 (run-length encoded),
// origin (0, 0). Anything else, grey-scale, colour-mapped, or a true-colour file
// carrying an image ID, is refused as an invalid image before its pixels are
// looked at. Six more bytes give width, height and depth (24 or 32 bits); the
// descriptor byte is ignored, so rows stay in file order whatever origin it
// names: the usual bottom-left origin puts the bottom row first, as OpenGL wants.
//
// TGA stores pixels B, G, R(, A); the decoders hand out R, G, B(, A). The
// uncompressed decoder reads the pixels and swaps bytes 0 and 2 of each in
// place. The RLE decoder reads packets: a header byte h below 128 starts a raw
// packet of h + 1 stored pixels, h of 128 and above a run of h - 127 copies of
// one pixel. Packets may cross rows; the decoder stops after the packet that
// fills the image and never reads past it, so it can decode an image in place
// inside a container without knowing the lump's size. A packet that would write
// beyond the image fails before writing anything outside it.
//
// A header is hostile until proven otherwise. Sizes are computed in 64 bits, and
// images of more than kMaxTGAPixels in all are refused, so the byte count cannot
// overflow. The pixel buffer is not taken whole from the header's word either:
// it grows (doubling) as the file actually delivers pixels, so a short file
// claiming a huge image fails its read having allocated little. When the image
// is complete the buffer holds exactly width x height x bytes per pixel.
//
// Both entry points share one decoder, written against a byte source: the
// stream entry reads an std::istream (a container's stream after SeekLump) and
// judges reads by its fail and bad flags, leaving the stream where decoding
// stopped; the file entry reads C stdio and judges reads by the count returned,
// closing the file on every path. Every failure raises exactly one alert
// through MessageBox and leaves no pixel buffer in the record.
#include "assets/TGALoader.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>

#include "assets/Texture.h"
#include "maths/Misc.h"

const uint8_t uTGAcompare[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const uint8_t cTGAcompare[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
TGAHeader tgaheader;
TGA tga;

static_assert(4 * kMaxTGAPixels <= UINT32_MAX,
              "the largest accepted image's byte count fits the 32-bit working record");

namespace {

constexpr size_t kFirstAllocation = 64 * 1024;  // bytes; the buffer doubles from here

// Raises the one alert of a failed decode and gives the false result it returns with.
bool Fail(const char* text, const char* title = "ERROR") {
    MessageBox(nullptr, text, title, 0);
    return false;
}

// Reads from a stream; a read succeeds when neither the fail nor the bad flag
// is set afterwards (end-of-file alone is no failure).
class StreamSource {
public:
    explicit StreamSource(std::istream* stream) : stream_(stream) {}
    bool Read(void* to, size_t bytes) {
        if (!stream_) return false;
        stream_->read(static_cast<char*>(to), static_cast<std::streamsize>(bytes));
        return !stream_->fail();
    }

private:
    std::istream* stream_;
};

// Reads from a C file, which it closes when it goes out of scope; a read
// succeeds when it delivers every byte asked for.
class FileSource {
public:
    explicit FileSource(FILE* file) : file_(file) {}
    ~FileSource() {
        if (file_) std::fclose(file_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    bool Read(void* to, size_t bytes) {
        return file_ && std::fread(to, 1, bytes, file_) == bytes;
    }

private:
    FILE* file_;
};

// The decoded image while it is being filled: malloc'd (Texture releases its
// pixels with free), grown geometrically up to the final size, and released
// unless handed to the record.
class PixelBuffer {
public:
    explicit PixelBuffer(size_t finalSize) : finalSize_(finalSize) {}
    ~PixelBuffer() { std::free(data_); }
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    // Makes room for at least bytes (at most the final size). False when
    // memory runs out; the bytes already held stay valid.
    bool Reserve(size_t bytes) {
        if (bytes <= capacity_) return true;
        const size_t grown = std::min(finalSize_, std::max({bytes, capacity_ * 2, kFirstAllocation}));
        void* moved = std::realloc(data_, grown);
        if (!moved) return false;
        data_ = static_cast<unsigned char*>(moved);
        capacity_ = grown;
        return true;
    }
    unsigned char* data() const { return data_; }
    size_t capacity() const { return capacity_; }
    unsigned char* Release() { return std::exchange(data_, nullptr); }

private:
    unsigned char* data_ = nullptr;
    size_t capacity_ = 0;  // bytes allocated
    size_t finalSize_;     // bytes of the complete image
};

// The common start of both decoders: reads and checks the six information
// bytes, fills the working record and the target's size, depth and format.
template <class Source>
bool ReadImageInfo(Texture* texture, Source& source) {
    if (!source.Read(tga.header, sizeof tga.header)) return Fail("Could not read info header");
    tga.width = tga.header[0] + 256u * tga.header[1];
    tga.height = tga.header[2] + 256u * tga.header[3];
    tga.bitsPerPixel = tga.header[4];
    texture->width = tga.width;
    texture->height = tga.height;
    texture->bitsPerPixel = tga.bitsPerPixel;

    const uint64_t pixelCount = uint64_t{tga.width} * tga.height;
    if (pixelCount == 0 || pixelCount > kMaxTGAPixels || (tga.bitsPerPixel != 24 && tga.bitsPerPixel != 32))
        return Fail("Invalid texture information");

    texture->format = tga.bitsPerPixel == 24 ? GL_RGB : GL_RGBA;
    tga.bytesPerPixel = tga.bitsPerPixel / 8;
    tga.imageSize = static_cast<uint32_t>(tga.bytesPerPixel * pixelCount);  // at most 256 MiB, see the static_assert
    return true;
}

// Takes the first part of the pixel buffer. The record gives up any pixels it
// still held, so from here on a failure leaves it with none.
bool StartPixels(Texture* texture, PixelBuffer& pixels) {
    std::free(texture->pixels);
    texture->pixels = nullptr;
    if (!pixels.Reserve(std::min<size_t>(tga.imageSize, kFirstAllocation)))
        return Fail("Could not allocate memory for image");
    return true;
}

template <class Source>
bool DecodeUncompressed(Texture* texture, Source& source) {
    if (!ReadImageInfo(texture, source)) return false;
    PixelBuffer pixels(tga.imageSize);
    if (!StartPixels(texture, pixels)) return false;

    for (size_t filled = 0; filled < tga.imageSize;) {
        if (!pixels.Reserve(filled + 1)) return Fail("Could not allocate memory for image");
        const size_t chunk = pixels.capacity() - filled;
        if (!source.Read(pixels.data() + filled, chunk)) return Fail("Could not read image data");
        filled += chunk;
    }

    unsigned char* data = pixels.data();
    for (size_t i = 0; i < tga.imageSize; i += tga.bytesPerPixel) std::swap(data[i], data[i + 2]);
    texture->pixels = pixels.Release();
    return true;
}

// Where the RLE decoder writes next, and the one rule for writing a pixel.
struct RleCursor {
    PixelBuffer& pixels;
    uint32_t pixelCount;        // width x height
    uint32_t currentPixel = 0;  // pixels written so far
    size_t currentByte = 0;     // where the next one goes

    // Room for the pixels of a packet, as far as the image reaches.
    bool Reserve(uint32_t packetPixels) {
        const uint64_t last = std::min<uint64_t>(pixelCount, uint64_t{currentPixel} + packetPixels);
        return pixels.Reserve(static_cast<size_t>(last * tga.bytesPerPixel));
    }
    // Writes one B, G, R(, A) pixel as R, G, B(, A); false when the image is full.
    bool Store(const uint8_t* stored) {
        if (currentPixel == pixelCount) return false;
        unsigned char* to = pixels.data() + currentByte;
        to[0] = stored[2];
        to[1] = stored[1];
        to[2] = stored[0];
        if (tga.bytesPerPixel == 4) to[3] = stored[3];
        currentByte += tga.bytesPerPixel;
        ++currentPixel;
        return true;
    }
};

template <class Source>
bool DecodeRawPacket(Source& source, RleCursor& cursor, uint32_t count) {
    uint8_t stored[4] = {};
    for (uint32_t i = 0; i < count; ++i) {
        if (!source.Read(stored, tga.bytesPerPixel)) return Fail("Could not read image data");
        if (!cursor.Store(stored)) return Fail("Too many pixels read");
    }
    return true;
}

template <class Source>
bool DecodeRunPacket(Source& source, RleCursor& cursor, uint32_t count) {
    uint8_t stored[4] = {};
    if (!source.Read(stored, tga.bytesPerPixel)) return Fail("Could not read from file");
    for (uint32_t i = 0; i < count; ++i)
        if (!cursor.Store(stored)) return Fail("Too many pixels read");
    return true;
}

template <class Source>
bool DecodeRLE(Texture* texture, Source& source) {
    if (!ReadImageInfo(texture, source)) return false;
    PixelBuffer pixels(tga.imageSize);
    if (!StartPixels(texture, pixels)) return false;

    RleCursor cursor{pixels, tga.width * tga.height};
    while (cursor.currentPixel < cursor.pixelCount) {
        uint8_t packet = 0;
        if (!source.Read(&packet, 1)) return Fail("Could not read RLE header");
        const bool raw = packet < 128;
        const uint32_t count = raw ? packet + 1u : packet - 127u;  // 1..128 pixels
        if (!cursor.Reserve(count)) return Fail("Could not allocate memory for image");
        if (!(raw ? DecodeRawPacket(source, cursor, count) : DecodeRunPacket(source, cursor, count)))
            return false;
    }
    texture->pixels = pixels.Release();
    return true;
}

// Whether there is a stream with a file behind it. A stream that has already
// failed is open; reading its header fails.
bool StreamIsOpen(std::istream* stream) {
    if (!stream) return false;
    const auto* file = dynamic_cast<const std::ifstream*>(stream);
    return !file || file->is_open();
}

}  // namespace

bool LoadTGA2(Texture* texture, std::istream* stream) {
    if (!StreamIsOpen(stream)) return Fail("Could not open texture file");
    stream->read(reinterpret_cast<char*>(tgaheader.header), sizeof tgaheader.header);
    if (stream->fail()) return Fail("Could not read file header");

    if (std::memcmp(tgaheader.header, uTGAcompare, sizeof uTGAcompare) == 0)
        return LoadUncompressedTGA2(texture, stream);
    if (std::memcmp(tgaheader.header, cTGAcompare, sizeof cTGAcompare) == 0)
        return LoadCompressedTGA2(texture, stream);
    return Fail("TGA file be type 2 or type 10 ", "Invalid Image");
}

bool LoadUncompressedTGA2(Texture* texture, std::istream* stream) {
    StreamSource source(stream);
    return DecodeUncompressed(texture, source);
}

bool LoadCompressedTGA2(Texture* texture, std::istream* stream) {
    StreamSource source(stream);
    return DecodeRLE(texture, source);
}

bool LoadTGA(Texture* texture, const char* path) {
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return Fail("Could not open texture file");
    if (std::fread(tgaheader.header, sizeof tgaheader.header, 1, file) != 1) {
        std::fclose(file);
        return Fail("Could not read file header");
    }

    if (std::memcmp(tgaheader.header, uTGAcompare, sizeof uTGAcompare) == 0)
        return LoadUncompressedTGA(texture, path, file);
    if (std::memcmp(tgaheader.header, cTGAcompare, sizeof cTGAcompare) == 0)
        return LoadCompressedTGA(texture, path, file);
    std::fclose(file);
    return Fail("TGA file be type 2 or type 10 ", "Invalid Image");
}

bool LoadUncompressedTGA(Texture* texture, const char* /*path*/, FILE* file) {
    FileSource source(file);
    return DecodeUncompressed(texture, source);
}

bool LoadCompressedTGA(Texture* texture, const char* /*path*/, FILE* file) {
    FileSource source(file);
    return DecodeRLE(texture, source);
}
