#pragma once
// Colours of entities and layers: the 255-colour index of drawing files, one table for
// every display of a drawing.

#include <cstdint>

namespace plotwright::db {

// Entity colour numbers: 0 ByBlock, 256 ByLayer, 1..255 the palette.
inline constexpr int kColorByBlock = 0;
inline constexpr int kColorByLayer = 256;

// True for the numbers an entity may carry (0..256).
constexpr bool isEntityColorIndex(long long value) { return value >= 0 && value <= 256; }
// True for the palette's own colours (1..255).
constexpr bool isPaletteIndex(long long value) { return value >= 1 && value <= 255; }

// A colour as shown: 0xRRGGBB, or the view's foreground colour, which palette colours 7
// and 255 are (white on a dark screen, black on paper).
struct ShownColor {
    std::uint32_t rgb = 0xFFFFFF;
    bool foreground = true;
    std::uint8_t alpha = 255;  // 0 clear .. 255 opaque
    // The view's background instead (a mask that hides what lies under it); wins over
    // `foreground`.
    bool background = false;
    friend bool operator==(const ShownColor&, const ShownColor&) = default;
};

// The colour of palette index `index`; 7, 255 and any number outside 1..255 give the
// foreground.
ShownColor paletteColor(int index);

// The palette index (1..255) whose colour lies nearest 0xRRGGBB (squared distance of
// the channels; the lowest index on a tie). White gives 7.
int nearestPaletteIndex(std::uint32_t rgb);

// A 24-bit true colour (0xRRGGBB).
constexpr ShownColor trueColor(std::uint32_t rgb) { return {rgb & 0xFFFFFFu, false, 255, false}; }
// The background of the view: black on a dark screen, white on paper.
constexpr ShownColor backgroundColor() { return {0x000000, false, 255, true}; }

} // namespace plotwright::db
