#pragma once
// The shared value types of the icon core.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace icon {

// An owned byte buffer; empty means "nothing".
using Bytes = std::vector<std::uint8_t>;

// 0x00BBGGRR: red + green * 256 + blue * 65536.
using Colour = std::uint32_t;

// Stands for the toolkit's default (window) colour; never a real pixel.
inline constexpr Colour defaultColourMarker = 0xFF000000;

constexpr Colour rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return red | (green << 8) | (static_cast<Colour>(blue) << 16);
}
constexpr std::uint8_t redOf(Colour c) { return static_cast<std::uint8_t>(c); }
constexpr std::uint8_t greenOf(Colour c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t blueOf(Colour c) { return static_cast<std::uint8_t>(c >> 16); }

// The two image sizes an icon holds. The value is the side in pixels.
enum class Size : int { x16 = 16, x32 = 32 };

constexpr int side(Size size) { return static_cast<int>(size); }

// An S x S array of colours, element (row, column) with row 0 the bottom
// image row. Default-constructed it is empty: no elements at all.
class ColourGrid {
 public:
  ColourGrid() = default;
  explicit ColourGrid(Size size)
      : side_(icon::side(size)), cells_(static_cast<std::size_t>(side_) * side_, 0) {}

  bool empty() const { return cells_.empty(); }
  int side() const { return side_; }

  Colour at(int row, int column) const { return cells_.at(index(row, column)); }
  void set(int row, int column, Colour colour) { cells_.at(index(row, column)) = colour; }

  friend bool operator==(const ColourGrid&, const ColourGrid&) = default;

 private:
  std::size_t index(int row, int column) const {
    if (row < 0 || column < 0 || row >= side_ || column >= side_) return cells_.size();  // at() throws
    return static_cast<std::size_t>(row) * side_ + column;
  }

  int side_ = 0;
  std::vector<Colour> cells_;
};

}  // namespace icon
