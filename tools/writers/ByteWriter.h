// ByteWriter: appends little-endian integers, IEEE floats and fixed-width,
// zero-padded character fields to a byte vector. Every binary format we write
// (container, TGA, WAV, MS3D) is little-endian and packed, so the encoders build
// their files field by field with this and never copy structs to disk.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>* out) : out_(out) {}

    void U8(uint8_t v) { out_->push_back(v); }
    void I8(int8_t v) { out_->push_back(static_cast<uint8_t>(v)); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v & 0xFF));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) U8(static_cast<uint8_t>((v >> shift) & 0xFF));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float v) {
        uint32_t bits = 0;
        static_assert(sizeof bits == sizeof v, "float is 32 bits");
        std::memcpy(&bits, &v, sizeof bits);
        U32(bits);
    }
    void Bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        out_->insert(out_->end(), p, p + size);
    }
    // A field of exactly width bytes: the text, then zeros. The caller makes
    // sure text.size() < width so the field stays zero-terminated.
    void FixedString(const std::string& text, std::size_t width) {
        std::size_t n = text.size() < width ? text.size() : width;
        Bytes(text.data(), n);
        out_->insert(out_->end(), width - n, 0);
    }

private:
    std::vector<uint8_t>* out_;
};
