// The orientation that cameras record in EXIF data, turning a decoded picture
// upright by it, and the small JPEG picture that cameras embed beside it.
#pragma once

#include "codecs/TDecodedPicture.h"

#include <cstddef>
#include <cstdint>

// The orientation tag (1..8) of an EXIF block; the block may start with the
// "Exif\0\0" marker of a JPEG APP1 segment or directly with the TIFF header.
// Returns 1 (upright) when the block is damaged or names no valid orientation.
int ParseExifOrientation(const std::uint8_t* data, std::size_t size);

// Where the JPEG thumbnail of an EXIF block lies: the second directory's
// JPEGInterchangeFormat (offset from the TIFF header) and its length, with
// Offset counted from the start of data. Size 0 when the block has none, names
// another kind of thumbnail (Compression other than 6), or points outside itself.
struct TExifThumbnail {
    std::size_t Offset = 0;
    std::size_t Size = 0;
};
TExifThumbnail FindExifThumbnail(const std::uint8_t* data, std::size_t size);

class TBudgetClaim;

// Transforms the picture so that it shows upright: 1 as is, 2 mirrored left-right,
// 3 turned half a turn, 4 mirrored top-bottom, 5 transposed, 6 turned a quarter
// clockwise, 7 transversed, 8 turned a quarter anticlockwise. Values 5 to 8 swap
// width and height. Other values leave the picture unchanged. Done in place: the
// quarter turns take one bit per pixel besides, added to claim when given.
void ApplyExifOrientation(TDecodedPicture& picture, int orientation, TBudgetClaim* claim = nullptr);

// For readers that deliver rows one by one: writes row y of a width x height
// picture, as stored, where ApplyExifOrientation would move it in upright, the
// picture turned upright (height pixels wide for orientations 5 to 8).
void PlaceOrientedRow(std::uint32_t* upright, const std::uint32_t* row, std::size_t width,
                      std::size_t height, std::size_t y, int orientation);
