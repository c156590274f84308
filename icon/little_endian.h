#pragma once
// Little-endian 16- and 32-bit reads and writes: the one place the program
// knows the byte order of file fields. Usable in constant expressions.
//
// The checked readers take a span and an offset and return std::nullopt when
// the field does not lie wholly inside the span, so file readers can treat
// every offset as untrusted.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace le {

constexpr std::uint16_t get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr std::uint32_t get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr void put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

constexpr void put32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

constexpr bool fits(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width) {
  return offset <= bytes.size() && width <= bytes.size() - offset;
}

constexpr std::optional<std::uint8_t> read8(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (!fits(bytes, offset, 1)) return std::nullopt;
  return bytes[offset];
}

constexpr std::optional<std::uint16_t> read16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (!fits(bytes, offset, 2)) return std::nullopt;
  return get16(bytes.data() + offset);
}

constexpr std::optional<std::uint32_t> read32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (!fits(bytes, offset, 4)) return std::nullopt;
  return get32(bytes.data() + offset);
}

}  // namespace le
