#pragma once
// Helpers every picture-reader test uses: fixture bytes, little-endian edits,
// and one comparison of a decoded picture with the expected one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "icon/little_endian.h"
#include "toolkit/readers/readers.h"
#include "toolkit/readers/reduce.h"

namespace reader_tests {

using Bytes = std::vector<std::uint8_t>;
using readers::PixelKind;

// The wanted pixel at (x, y), or nullopt where any value will do (JPEG's
// blurred edges).
using Expected = std::function<std::optional<std::uint32_t>(int x, int y)>;

// A file under tests/fixtures, by its path there. A missing fixture fails the
// test instead of quietly giving a file every reader refuses.
inline Bytes loadFixture(const std::string& path) {
  std::ifstream in(std::string(QUORVEL_FIXTURES) + "/" + path, std::ios::binary);
  EXPECT_TRUE(in) << "missing fixture " << path;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes prefix(const Bytes& b, std::size_t size) {
  return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size));
}

inline std::string hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

constexpr std::uint32_t rgb(unsigned r, unsigned g, unsigned b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }

inline const char* kindName(PixelKind k) {
  switch (k) {
    case PixelKind::Opaque:
      return "Opaque";
    case PixelKind::Masked:
      return "Masked";
    case PixelKind::Alpha:
      return "Alpha";
  }
  return "?";
}

// The reduction of a whole picture: what a reader that reduces while it
// decodes must hand out.
inline readers::Raster reductionOf(const readers::Raster& whole, int minSide) {
  auto builder = readers::RasterBuilder::create(whole.width, whole.height, whole.kind, minSide).value();
  for (int y = 0; y < whole.height; ++y)
    builder.put(y, whole.argb.data() + static_cast<std::size_t>(y) * whole.width, whole.width);
  return std::move(builder).finish();
}

inline std::string describe(const std::optional<readers::Raster>& r) {
  if (!r) return "nullopt";
  return std::to_string(r->width) + "x" + std::to_string(r->height) + " " + kindName(r->kind) +
         (r->isIcon ? " icon" : " picture");
}

// Edits of little-endian fields. Out of range throws, so a wrong offset fails
// the test rather than writing past the vector.
inline const std::uint8_t* field(const Bytes& b, std::size_t at, std::size_t size) {
  if (at > b.size() || size > b.size() - at) throw std::out_of_range("field past the end of the bytes");
  return b.data() + at;
}
inline std::uint8_t* field(Bytes& b, std::size_t at, std::size_t size) {
  return const_cast<std::uint8_t*>(field(std::as_const(b), at, size));
}
inline std::uint32_t get32(const Bytes& b, std::size_t at) { return le::get32(field(b, at, 4)); }
inline void put32(Bytes& b, std::size_t at, std::uint32_t v) { le::put32(field(b, at, 4), v); }
inline void put16(Bytes& b, std::size_t at, std::uint16_t v) { le::put16(field(b, at, 2), v); }

// Where iconOf puts the image.
constexpr std::size_t iconImageAt = 6 + 16;

// A one-entry icon around an image, DIB or PNG.
inline Bytes iconOf(const Bytes& image) {
  Bytes b(iconImageAt + image.size());
  put16(b, 2, 1);
  put16(b, 4, 1);
  put32(b, 6 + 8, static_cast<std::uint32_t>(image.size()));
  put32(b, 6 + 12, iconImageAt);
  std::ranges::copy(image, b.begin() + iconImageAt);
  return b;
}

// How many levels each colour channel of a pixel may be off by, given the
// wanted pixel; alpha always compares exactly. 0 is exact.
class Tolerance {
 public:
  Tolerance(int levels = 0) : levels_([levels](std::uint32_t) { return levels; }) {}  // NOLINT: implicit on purpose
  template <typename F>
    requires std::is_invocable_r_v<int, F, std::uint32_t>
  Tolerance(F levels) : levels_(std::move(levels)) {}  // NOLINT: implicit on purpose

  bool allows(std::uint32_t have, std::uint32_t want) const {
    if ((have >> 24) != (want >> 24)) return false;
    const int levels = levels_(want);
    for (int shift : {0, 8, 16})
      if (std::abs(static_cast<int>((have >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) > levels)
        return false;
    return true;
  }

 private:
  std::function<int(std::uint32_t)> levels_;
};

// What a decoded picture is besides its size and pixels.
struct Traits {
  PixelKind kind = PixelKind::Opaque;
  bool isIcon = false;
  Tolerance tolerance = 0;
};

inline testing::AssertionResult hasShape(const std::optional<readers::Raster>& r, int width, int height,
                                         const Traits& want = {}) {
  const std::string wanted = std::to_string(width) + "x" + std::to_string(height) + " " + kindName(want.kind) +
                             (want.isIcon ? " icon" : " picture");
  if (!r) return testing::AssertionFailure() << "have nullopt, want a " << wanted;
  if (r->width != width || r->height != height || r->kind != want.kind || r->isIcon != want.isIcon)
    return testing::AssertionFailure() << "have a " << describe(r) << ", want a " << wanted;
  if (r->argb.size() != static_cast<std::size_t>(width) * height)
    return testing::AssertionFailure() << "argb holds " << r->argb.size() << " values, want " << width * height;
  return testing::AssertionSuccess();
}

// Every file cut short of its end is refused. Each cut is its own copy, so a
// read past it shows under the sanitizers.
template <typename Read>
void expectEveryPrefixRefused(const Bytes& whole, const std::string& name, Read read) {
  if (whole.empty()) {
    ADD_FAILURE() << name << ": no bytes to cut";
    return;
  }
  for (std::size_t size = 0; size < whole.size(); ++size) {
    const std::optional<readers::Raster> r = read(prefix(whole, size));
    EXPECT_FALSE(r) << name << " cut to " << size << " of " << whole.size() << " bytes: have " << describe(r)
                    << ", want nullopt";
  }
}

// Size, kind, icon flag, and every pixel want gives within the tolerance.
inline testing::AssertionResult samePicture(const std::optional<readers::Raster>& r, int width, int height,
                                            const Expected& want, const Traits& traits = {}) {
  if (auto shape = hasShape(r, width, height, traits); !shape) return shape;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::optional<std::uint32_t> w = want(x, y);
      if (w && !traits.tolerance.allows(r->pixel(x, y), *w))
        return testing::AssertionFailure() << "pixel (" << x << ", " << y << "): have " << hex(r->pixel(x, y))
                                           << ", want " << hex(*w);
    }
  return testing::AssertionSuccess();
}

}  // namespace reader_tests
