#include "image_decode.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Every allocation stb_image makes goes through these, so that a header or
// a compressed stream announcing more than the limits allow fails instead
// of taking the memory. The limit is per call of DecodeImage (one thread).
thread_local size_t AllocationLimit = SIZE_MAX;

void *LimitedMalloc(size_t size) { return size > AllocationLimit ? nullptr : malloc(size); }
void *LimitedRealloc(void *block, size_t size) { return size > AllocationLimit ? nullptr : realloc(block, size); }

}  // namespace

#define STB_IMAGE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG
// The formats D3DX reads, of those stb_image has. (Not PSD: besides, its
// removal of the white matte of a PSD with alpha converts out-of-range
// floats to bytes.)
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_TGA
#define STBI_ONLY_PNM
#define STBI_ONLY_HDR
#define STBI_MALLOC(size) LimitedMalloc(size)
#define STBI_REALLOC(block, size) LimitedRealloc(block, size)
#define STBI_FREE(block) free(block)
#include <stb_image.h>

namespace {

// The file as a stream that notices a read past its end: stb_image fills
// such reads with zeros (or leaves the memory as it was) and goes on, so a
// file cut short would otherwise decode as an image with a black end. It
// reads either to refill its buffer of this size, where a short read at the
// end is normal, or exactly the bytes it needs.
constexpr int StbBufferSize = 128;

struct FileStream {
    const unsigned char *bytes;
    size_t size, position;
    bool read_past_end;
};

int StreamRead(void *user, char *to, int wanted) {
    auto *stream = static_cast<FileStream *>(user);
    size_t count = std::min((size_t)wanted, stream->size - stream->position);
    if (count < (size_t)wanted && (count == 0 || wanted != StbBufferSize)) stream->read_past_end = true;
    memcpy(to, stream->bytes + stream->position, count);
    stream->position += count;
    return (int)count;
}

void StreamSkip(void *user, int count) {
    auto *stream = static_cast<FileStream *>(user);
    if (count < 0) return;  // stb_image never asks for that
    if ((size_t)count > stream->size - stream->position) {
        stream->read_past_end = true;
        stream->position = stream->size;
    } else {
        stream->position += count;
    }
}

int StreamAtEnd(void *user) {
    auto *stream = static_cast<FileStream *>(user);
    return stream->position >= stream->size;
}

const stbi_io_callbacks StreamCallbacks = {StreamRead, StreamSkip, StreamAtEnd};

// stb_image 2.27 copies a JPEG Huffman table's symbols into room for 256
// without checking their count. This walks the markers as it reads them
// (segments by their length; entropy-coded data up to the next marker that
// is not a restart) and checks every table of every DHT segment.
bool JpegTablesFit(const unsigned char *bytes, size_t size) {
    size_t at = 0;  // a start-of-image marker, perhaps after fill bytes
    while (at < size && bytes[at] == 0xFF) at++;
    if (at < 1 || at >= size || bytes[at] != 0xD8) return true;  // not a JPEG
    at++;
    while (at + 1 < size) {
        if (bytes[at] != 0xFF) {  // padding between segments: stb_image looks further too
            at++;
            continue;
        }
        while (at < size && bytes[at] == 0xFF) at++;
        if (at + 2 >= size) return true;
        unsigned char marker = bytes[at++];
        if (marker == 0xD9) return true;                              // end of image
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no length
        size_t length = (size_t)bytes[at] << 8 | bytes[at + 1];
        size_t end = std::min(at + length, size);
        if (marker == 0xC4) {
            size_t table = at + 2;
            while (table < end) {
                size_t symbols = 0;  // stb_image reads zeros past the end
                for (size_t i = table + 1; i <= table + 16 && i < size; ++i) symbols += bytes[i];
                if (symbols > 256) return false;
                table += 17 + symbols;
            }
        }
        at += length;
        if (marker == 0xDA) {  // a scan: its data runs to the next marker
            while (at + 1 < size && !(bytes[at] == 0xFF && bytes[at + 1] != 0x00 && bytes[at + 1] != 0xFF &&
                                      !(bytes[at + 1] >= 0xD0 && bytes[at + 1] <= 0xD7))) {
                at++;
            }
        }
    }
    return true;
}

// stb_image 2.27 reads the numbers of a PNM header into an int without a
// bound. This reads them as it does (white space, # comments, digits) and
// says whether each fits.
bool PnmNumbersFit(const unsigned char *bytes, size_t size) {
    if (size < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return true;
    size_t at = 2;
    auto next = [&]() { return at < size ? bytes[at++] : 0; };
    int c = next();
    for (int number = 0; number < 3; ++number) {
        for (;;) {
            while (at < size && strchr(" \t\n\v\f\r", c) && c) c = next();
            if (at >= size || c != '#') break;
            while (at < size && c != '\n' && c != '\r') c = next();
        }
        long long value = 0;
        while (at < size && c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            if (value > INT32_MAX) return false;
            c = next();
        }
    }
    return true;
}

// stb_image 2.27 copies a PNG's first IDAT chunk to a buffer it has not
// yet allocated: for an empty one, a copy of nothing to a null pointer. Empty
// IDAT chunks carry nothing, so the copy handed to it leaves them out. Walks
// the chunks as stb_image does; the rest of a malformed file stays as it is.
bool DropEmptyPngData(const unsigned char *bytes, size_t size, std::vector<unsigned char> &png) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || memcmp(bytes, signature, 8) != 0) return false;
    png.assign(bytes, bytes + 8);
    size_t at = 8;
    bool dropped = false;
    while (at + 12 <= size) {
        size_t length = (size_t)bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
        if (length > size - at - 12) break;
        if (length == 0 && memcmp(bytes + at + 4, "IDAT", 4) == 0) {
            dropped = true;
        } else {
            png.insert(png.end(), bytes + at, bytes + at + 12 + length);
        }
        at += 12 + length;
    }
    png.insert(png.end(), bytes + at, bytes + size);
    return dropped;
}

}  // namespace

bool DecodeImage(const unsigned char *bytes, size_t size, const ImageLimits &limits, DecodedImage &image,
                 std::string &error) {
    image = DecodedImage();
    if (!PnmNumbersFit(bytes, size)) {
        error = "not a readable image (a PNM header number out of range)";
        return false;
    }
    if (!JpegTablesFit(bytes, size)) {
        error = "cannot be decoded (a Huffman table of more than 256 symbols)";
        return false;
    }
    std::vector<unsigned char> png;
    if (DropEmptyPngData(bytes, size, png)) {
        bytes = png.data();
        size = png.size();
    }
    int width = 0, height = 0, channels = 0;
    if (size > (size_t)INT32_MAX || !stbi_info_from_memory(bytes, (int)size, &width, &height, &channels)) {
        error = std::string("not a readable image (") + stbi_failure_reason() + ")";
        return false;
    }
    if (width <= 0 || height <= 0 || width > limits.max_side || height > limits.max_side ||
        (size_t)width * height > limits.max_pixels) {
        error = "image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is out of range";
        return false;
    }
    FileStream stream = {bytes, size, 0, false};
    AllocationLimit = limits.max_pixels * 16 + (1 << 20);  // 4 floats a pixel (HDR), and tables
    // In the file's own channels: stb_image 2.27 converts a 16-bit PNM to
    // another channel count as if it were 8-bit, past the end of its buffer.
    unsigned char *pixels = stbi_load_from_callbacks(&StreamCallbacks, &stream, &width, &height, &channels, 0);
    AllocationLimit = SIZE_MAX;
    if (!pixels) {
        error = std::string("cannot be decoded (") + stbi_failure_reason() + ")";
        return false;
    }
    if (stream.read_past_end || (size_t)width * height > limits.max_pixels || channels < 1 || channels > 4) {
        stbi_image_free(pixels);
        error = stream.read_past_end ? "cannot be decoded (the file is cut short)" : "cannot be decoded";
        return false;
    }
    image.width = width;
    image.height = height;
    image.has_alpha = channels == 2 || channels == 4;
    size_t count = (size_t)width * height;
    image.rgba.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char *from = pixels + i * channels;
        unsigned char *to = &image.rgba[i * 4];
        bool gray = channels < 3;
        to[0] = from[0];
        to[1] = gray ? from[0] : from[1];
        to[2] = gray ? from[0] : from[2];
        to[3] = image.has_alpha ? from[channels - 1] : 255;
    }
    stbi_image_free(pixels);
    return true;
}
