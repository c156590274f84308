#pragma once
// Deterministic photo-like pictures for the benchmarks and the accuracy test:
// smooth gradients with fine noise on top, so a JPEG of it costs what a real
// photograph costs to decode and reduction errors show up in the averages.

#include <cstdint>
#include <span>
#include <vector>

#include "icon/types.h"

namespace bench_inputs {

// One row of the picture, top row y = 0, as red green blue bytes.
void photoLikeRow(int width, int height, int y, std::span<std::uint8_t> rgb);

// A baseline 4:2:0 JPEG of the picture, made with libjpeg's compressor.
icon::Bytes photoLikeJpeg(int width, int height, int quality);

// The picture as a 24-bit bottom-up bitmap file.
icon::Bytes photoLikeBmp(int width, int height);

}  // namespace bench_inputs
