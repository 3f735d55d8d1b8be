#include "image_decode.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

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
// The formats D3DX reads, of those stb_image has; JPEG goes to libjpeg-turbo,
// since stb_image 2.27's decoder reads outside its Huffman tables and
// overflows ints on damaged files. (Not PSD: its removal of the white matte
// of a PSD with alpha converts out-of-range floats to bytes.)
#define STBI_ONLY_BMP
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

struct JpegFailure {
    jpeg_error_mgr manager;
    jmp_buf jump;
    bool cut_short;
};

void OnJpegError(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegFailure *>(info->err)->jump, 1);
}

// Warnings (corrupt but decodable data) are let pass, except the end of the
// file coming before the end of the image.
void OnJpegMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<JpegFailure *>(info->err)->cut_short = true;
}

bool DecodeJpeg(const unsigned char *bytes, size_t size, const ImageLimits &limits, RgbaImage &image,
                std::string &error) {
    error.clear();
    jpeg_decompress_struct info;
    JpegFailure failure = {};
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = OnJpegError;
    failure.manager.emit_message = OnJpegMessage;
    std::vector<unsigned char> &rgba = image.rgba;  // made before the jump point: nothing to unwind
    if (setjmp(failure.jump)) {
        char message[JMSG_LENGTH_MAX];
        (*info.err->format_message)(reinterpret_cast<j_common_ptr>(&info), message);
        jpeg_destroy_decompress(&info);
        if (error.empty()) error = std::string("cannot be decoded (") + message + ")";
        rgba.clear();
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, (unsigned long)size);
    jpeg_read_header(&info, TRUE);
    if ((int)info.image_width > limits.max_side || (int)info.image_height > limits.max_side ||
        (size_t)info.image_width * info.image_height > limits.max_pixels) {
        error = "image of " + std::to_string(info.image_width) + " x " + std::to_string(info.image_height) +
                " pixels is out of range";
        longjmp(failure.jump, 1);
    }
    info.mem->max_memory_to_use = limits.max_pixels * 16 + (1 << 20);  // coefficients of a progressive file
    info.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    size_t stride = (size_t)info.output_width * 4;
    rgba.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &rgba[info.output_scanline * stride];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    image.width = (int)info.output_width;
    image.height = (int)info.output_height;
    image.has_alpha = false;
    jpeg_destroy_decompress(&info);
    if (failure.cut_short) {
        image = RgbaImage();
        error = "cannot be decoded (the file is cut short)";
        return false;
    }
    return true;
}

}  // namespace

bool DecodeImage(const unsigned char *bytes, size_t size, const ImageLimits &limits, RgbaImage &image,
                 std::string &error) {
    image = RgbaImage();
    if (!PnmNumbersFit(bytes, size)) {
        error = "not a readable image (a PNM header number out of range)";
        return false;
    }
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        return DecodeJpeg(bytes, size, limits, image, error);
    }
    // Through the stream even for the header: stb_image's own memory reader
    // moves its pointer past the end on a long skip.
    int width = 0, height = 0, channels = 0;
    FileStream header = {bytes, size, 0, false};
    if (!stbi_info_from_callbacks(&StreamCallbacks, &header, &width, &height, &channels)) {
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
