#include "xfile_inflate.h"

#include <zlib.h>

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kBlockHeaderSize = 6;
constexpr uint32_t kMaxBlockSize = 32768;

bool Fail(size_t offset, const std::string &reason, std::string &error) {
    error = "byte offset " + std::to_string(offset) + ": " + reason;
    return false;
}

uint32_t ReadU16(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

uint32_t ReadU32(const uint8_t *p) { return ReadU16(p) | ReadU16(p + 2) << 16; }

// Owns the zlib stream so every return path ends it.
struct RawInflater {
    z_stream stream{};
    bool ready = false;
    RawInflater() { ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
    ~RawInflater() {
        if (ready) inflateEnd(&stream);
    }
};

// Inflates one block into the end of `body`, primed with the previous block's output.
bool InflateBlock(RawInflater &inflater, const uint8_t *input, uint32_t inputSize, uint32_t outputSize,
                  size_t previousStart, size_t blockOffset, std::vector<uint8_t> &body, std::string &error) {
    z_stream &s = inflater.stream;
    inflateReset(&s);
    if (previousStart < body.size()) {
        // zlib copies the dictionary, so growing `body` afterwards is safe.
        inflateSetDictionary(&s, body.data() + previousStart, uInt(body.size() - previousStart));
    }
    size_t outputStart = body.size();
    body.resize(outputStart + outputSize);
    s.next_in = const_cast<Bytef *>(input);
    s.avail_in = inputSize;
    s.next_out = body.data() + outputStart;
    s.avail_out = outputSize;
    int result = inflate(&s, Z_FINISH);
    if (result == Z_STREAM_END && s.avail_out == 0) return true;
    if (result == Z_STREAM_END) {
        return Fail(blockOffset,
                    "block gives " + std::to_string(outputSize - s.avail_out) + " bytes, declares " +
                        std::to_string(outputSize),
                    error);
    }
    if (result == Z_BUF_ERROR && s.avail_out == 0) {
        return Fail(blockOffset, "block gives more than its declared " + std::to_string(outputSize) + " bytes", error);
    }
    if (result == Z_BUF_ERROR) return Fail(blockOffset, "compressed block is truncated", error);
    return Fail(blockOffset, std::string("corrupt compressed block (") + (s.msg ? s.msg : "zlib error") + ")", error);
}

}  // namespace

bool InflateXFileBody(const uint8_t *file, size_t size, size_t maxBodySize, std::vector<uint8_t> &body,
                      std::string &error) {
    body.clear();
    if (size < kHeaderSize + 4) return Fail(kHeaderSize, "missing the decompressed size", error);
    uint32_t totalSize = ReadU32(file + kHeaderSize);
    if (totalSize < kHeaderSize) {
        return Fail(kHeaderSize, "decompressed size " + std::to_string(totalSize) + " is smaller than the header",
                    error);
    }
    size_t bodySize = totalSize - kHeaderSize;
    if (bodySize > maxBodySize) {
        return Fail(kHeaderSize,
                    "decompressed size " + std::to_string(bodySize) + " exceeds the limit of " +
                        std::to_string(maxBodySize) + " bytes",
                    error);
    }
    RawInflater inflater;
    if (!inflater.ready) return Fail(kHeaderSize, "cannot start the decompressor", error);

    size_t pos = kHeaderSize + 4;
    size_t previousStart = 0;
    while (pos < size) {
        if (size - pos < kBlockHeaderSize) return Fail(pos, "truncated block header", error);
        uint32_t outputSize = ReadU16(file + pos);
        uint32_t packedSize = ReadU16(file + pos + 2);
        if (file[pos + 4] != 'C' || file[pos + 5] != 'K')
            return Fail(pos + 4, "block without its 'CK' signature", error);
        if (outputSize == 0 || outputSize > kMaxBlockSize) {
            return Fail(pos, "block size " + std::to_string(outputSize) + " is not 1.." + std::to_string(kMaxBlockSize),
                        error);
        }
        if (packedSize < 2 || packedSize - 2 > size - pos - kBlockHeaderSize) {
            return Fail(pos, "compressed block of " + std::to_string(packedSize) + " bytes overruns the file", error);
        }
        if (outputSize > bodySize - body.size()) {
            return Fail(pos, "blocks give more than the declared " + std::to_string(bodySize) + " bytes", error);
        }
        size_t outputStart = body.size();
        if (!InflateBlock(inflater, file + pos + kBlockHeaderSize, packedSize - 2, outputSize, previousStart, pos, body,
                          error)) {
            return false;
        }
        previousStart = outputStart;
        pos += kBlockHeaderSize + packedSize - 2;
    }
    if (body.size() != bodySize) {
        return Fail(size,
                    "compressed data ends after " + std::to_string(body.size()) + " of the declared " +
                        std::to_string(bodySize) + " bytes",
                    error);
    }
    return true;
}
