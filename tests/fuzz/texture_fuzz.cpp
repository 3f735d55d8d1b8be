// libFuzzer target for the image decoding under D3DXCreateTextureFromFileA.
// Besides "no crash", it checks that a decoded image is within the limits and
// holds exactly its pixels, and that a refusal gives a reason. The limits are
// smaller than the texture loader's so that each run stays quick; the
// allocation cap scales with them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "d3dx9/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const ImageLimits limits = {1024, 128 * 128};
    RgbaImage image;
    std::string error;
    if (DecodeImage(data, size, limits, image, error)) {
        if (image.width <= 0 || image.height <= 0 || image.width > limits.max_side ||
            image.height > limits.max_side || (size_t)image.width * image.height > limits.max_pixels ||
            image.rgba.size() != (size_t)image.width * image.height * 4) {
            abort();
        }
    } else if (error.empty()) {
        abort();
    }
    return 0;
}
