// The arithmetic of the cross-fade frames, over plain tables of colours, so that it runs and is
// tested anywhere; blend_frames.cpp reads and writes the pixels of real images around it.
//
// Colours are 0x00BBGGRR: red in bits 0-7, green in 8-15, blue in 16-23 (what GetPixel returns
// and SetPixel takes). Bits 24-31 are ignored, so the invalid colour 0xFFFFFFFF reads as white.
#pragma once

#include <cstdint>
#include <vector>

// One channel of blend k of steps from a to b (both 0-255): a + ((b - a) / steps) * k, worked
// out in double precision in this order, rounded to single precision, then to the nearest
// integer with ties to even. The result lies between a and b.
int BlendChannel(int a, int b, int steps, int k);

// Blend k of steps between two colours, channel by channel.
std::uint32_t BlendColour(std::uint32_t from, std::uint32_t to, int steps, int k);

// Blend k of steps between two tables of equal size, entry by entry.
std::vector<std::uint32_t> BlendColourTable(const std::vector<std::uint32_t>& from,
                                            const std::vector<std::uint32_t>& to, int steps, int k);
