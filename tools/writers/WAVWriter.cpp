#include "writers/WAVWriter.h"

#include <limits>

#include "writers/ByteWriter.h"

std::vector<uint8_t> EncodeWAV(const std::vector<int16_t>& interleaved, int channels, int sampleRate) {
    if (channels < 1 || channels > 8 || sampleRate <= 0) return {};
    if (interleaved.size() % static_cast<std::size_t>(channels) != 0) return {};
    const uint64_t dataBytes = static_cast<uint64_t>(interleaved.size()) * 2;
    const uint64_t riffBytes = 4 + (8 + 16) + (8 + dataBytes);
    if (riffBytes > std::numeric_limits<uint32_t>::max() - 8) return {};
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
    const uint64_t byteRate = static_cast<uint64_t>(sampleRate) * blockAlign;
    if (byteRate > std::numeric_limits<uint32_t>::max()) return {};

    std::vector<uint8_t> file;
    file.reserve(static_cast<std::size_t>(riffBytes + 8));
    ByteWriter w(&file);
    w.Bytes("RIFF", 4);
    w.U32(static_cast<uint32_t>(riffBytes));
    w.Bytes("WAVE", 4);
    w.Bytes("fmt ", 4);
    w.U32(16);
    w.U16(1);  // PCM
    w.U16(static_cast<uint16_t>(channels));
    w.U32(static_cast<uint32_t>(sampleRate));
    w.U32(static_cast<uint32_t>(byteRate));
    w.U16(static_cast<uint16_t>(blockAlign));
    w.U16(16);  // bits per sample
    w.Bytes("data", 4);
    w.U32(static_cast<uint32_t>(dataBytes));
    for (int16_t sample : interleaved) w.U16(static_cast<uint16_t>(sample));
    return file;
}
