// Expands the body of a compressed .x file ("tzip" or "bzip"). After the
// 16-byte header come a 32-bit total size (header included) and MSZIP blocks:
// 16-bit uncompressed size, 16-bit compressed size (counting the "CK" that
// follows), "CK", raw deflate data. Each block is inflated with the previous
// block's output as its dictionary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// `file` is the whole file, header included. A body larger than
// `maxBodySize` is refused before anything is allocated for it. Errors are
// "byte offset N: reason", N counted in the compressed file.
bool InflateXFileBody(const uint8_t *file, size_t size, size_t maxBodySize, std::vector<uint8_t> &body,
                      std::string &error);
