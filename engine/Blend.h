// The blend rule: a foreground pixel F over a background pixel B with weight
// W (1..255) gives, for each of the four channels separately,
//   Z = (W * F + (256 - W) * B + 128) >> 8.
#pragma once

#include "engine/TColor32.h"

// The rule with weight W: 0 leaves B, 255 gives F exactly.
TColor32 BlendPixel(TColor32 F, TColor32 B, unsigned W);

// Line blend without master alpha, Src over Dst for Count pixels: alpha 0
// leaves the pixel, alpha 255 copies it, any other alpha is the weight.
void BlendLine(const TColor32* Src, TColor32* Dst, int Count);

// Line blend with master alpha M (0..254): the weight is
// ((alpha + 1) * M) >> 8, alpha 0 and weight 0 leave the pixel, and every other
// weight (255 included) goes through the rule.
void BlendLineMaster(const TColor32* Src, TColor32* Dst, int Count, unsigned M);

// Plain one-pixel-at-a-time versions of the two line blends, kept as the
// reference that the fast ones must match bit for bit.
void BlendLineScalar(const TColor32* Src, TColor32* Dst, int Count);
void BlendLineMasterScalar(const TColor32* Src, TColor32* Dst, int Count, unsigned M);

// Fills Count pixels with Color.
void FillLongword(TColor32* Dst, int Count, TColor32 Color);
