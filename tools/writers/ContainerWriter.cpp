#include "writers/ContainerWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "writers/ByteWriter.h"

namespace {

constexpr uint64_t kHeaderBytes = 24;
constexpr uint64_t kEntryBytes = 28;

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

// Writes all of bytes to fd, retrying short writes and interrupted calls.
bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::vector<uint8_t> BuildContainer(const std::vector<LumpData>& lumps) {
    const uint64_t limit = std::numeric_limits<uint32_t>::max();
    if (lumps.size() > (limit - kHeaderBytes) / kEntryBytes) return {};
    const uint64_t directoryEnd = kHeaderBytes + kEntryBytes * lumps.size();
    uint64_t total = directoryEnd;
    for (const LumpData& lump : lumps) {
        total += lump.bytes.size();
        if (total > limit) return {};
    }

    std::vector<uint8_t> file;
    file.reserve(static_cast<std::size_t>(total));
    ByteWriter w(&file);
    w.Bytes("KSTF", 4);
    for (int i = 0; i < 8; ++i) w.U8(0);
    w.U32(static_cast<uint32_t>(lumps.size()));
    w.U32(~static_cast<uint32_t>(total));
    w.U32(static_cast<uint32_t>(kHeaderBytes));

    uint64_t offset = directoryEnd;
    for (const LumpData& lump : lumps) {
        w.U32(static_cast<uint32_t>(lump.bytes.size()));
        w.U32(static_cast<uint32_t>(offset));
        w.U32(lump.type);
        w.U32(lump.param);
        for (int i = 0; i < 12; ++i) w.U8(0);
        offset += lump.bytes.size();
    }
    for (const LumpData& lump : lumps) w.Bytes(lump.bytes.data(), lump.bytes.size());
    return file;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    // The temporary sits in the same folder, so the rename cannot cross file systems.
    const std::string temp = path + ".part-" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetError(error, "cannot create " + temp + ": " + std::strerror(errno));
        return false;
    }
    bool ok = WriteAll(fd, bytes);
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        SetError(error, "cannot write " + temp + ": " + std::strerror(savedErrno));
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        savedErrno = errno;
        ::unlink(temp.c_str());
        SetError(error, "cannot replace " + path + ": " + std::strerror(savedErrno));
        return false;
    }
    return true;
}
