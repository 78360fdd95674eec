#include "codecs/uExifOrientation.h"

#include "codecs/TDecodeBudget.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

struct TTiffReader {
    const std::uint8_t* Data;
    std::size_t Size;
    bool BigEndian;

    bool U16(std::size_t at, unsigned& out) const {
        if (at > Size || Size - at < 2)
            return false;
        out = BigEndian ? (unsigned(Data[at]) << 8) | Data[at + 1]
                        : (unsigned(Data[at + 1]) << 8) | Data[at];
        return true;
    }
    bool U32(std::size_t at, std::uint32_t& out) const {
        if (at > Size || Size - at < 4)
            return false;
        const std::uint8_t* p = Data + at;
        out = BigEndian ? (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                              (std::uint32_t(p[2]) << 8) | p[3]
                        : (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) |
                              (std::uint32_t(p[1]) << 8) | p[0];
        return true;
    }
};

} // namespace

namespace {

// The TIFF header of an EXIF block, after the "Exif\0\0" marker of a JPEG APP1
// segment when there is one. Skipped: the bytes before the header. False when
// the block does not start with a valid header.
bool OpenTiff(const std::uint8_t* data, std::size_t size, TTiffReader& tiff, std::size_t& skipped) {
    skipped = 0;
    if (data == nullptr)
        return false;
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0)
        skipped = 6;
    data += skipped;
    size -= skipped;
    if (size < 8)
        return false;
    tiff = TTiffReader{data, size, false};
    if (data[0] == 'I' && data[1] == 'I')
        tiff.BigEndian = false;
    else if (data[0] == 'M' && data[1] == 'M')
        tiff.BigEndian = true;
    else
        return false;
    unsigned magic = 0;
    return tiff.U16(2, magic) && magic == 42;
}

// A directory entry's value when it is one SHORT or LONG.
bool EntryNumber(const TTiffReader& tiff, std::size_t entry, std::uint32_t& value) {
    unsigned type = 0, narrow = 0;
    std::uint32_t count = 0;
    if (!tiff.U16(entry + 2, type) || !tiff.U32(entry + 4, count) || count != 1)
        return false;
    if (type == 3 && tiff.U16(entry + 8, narrow)) {
        value = narrow;
        return true;
    }
    return type == 4 && tiff.U32(entry + 8, value);
}

} // namespace

int ParseExifOrientation(const std::uint8_t* data, std::size_t size) {
    TTiffReader tiff{};
    std::size_t skipped = 0;
    if (!OpenTiff(data, size, tiff, skipped))
        return 1;
    std::uint32_t ifd = 0;
    unsigned count = 0;
    if (!tiff.U32(4, ifd) || !tiff.U16(ifd, count))
        return 1;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = std::size_t(ifd) + 2 + std::size_t(i) * 12;
        unsigned tag = 0, type = 0, value = 0;
        if (!tiff.U16(entry, tag) || !tiff.U16(entry + 2, type))
            return 1;
        if (tag != 0x0112)
            continue;
        if (type != 3 || !tiff.U16(entry + 8, value) || value < 1 || value > 8)
            return 1;
        return static_cast<int>(value);
    }
    return 1;
}

TExifThumbnail FindExifThumbnail(const std::uint8_t* data, std::size_t size) {
    TTiffReader tiff{};
    std::size_t skipped = 0;
    if (!OpenTiff(data, size, tiff, skipped))
        return {};
    // The first directory only leads to the second, which describes the thumbnail.
    std::uint32_t ifd0 = 0, ifd1 = 0;
    unsigned count = 0;
    if (!tiff.U32(4, ifd0) || !tiff.U16(ifd0, count) ||
        !tiff.U32(std::size_t(ifd0) + 2 + std::size_t(count) * 12, ifd1) || ifd1 == 0 ||
        !tiff.U16(ifd1, count))
        return {};
    std::uint32_t offset = 0, length = 0;
    bool haveOffset = false, haveLength = false;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = std::size_t(ifd1) + 2 + std::size_t(i) * 12;
        unsigned tag = 0;
        std::uint32_t value = 0;
        if (!tiff.U16(entry, tag))
            return {};
        if (tag != 0x0103 && tag != 0x0201 && tag != 0x0202)
            continue;
        if (!EntryNumber(tiff, entry, value))
            return {};
        if (tag == 0x0103 && value != 6)
            return {}; // an uncompressed thumbnail: not a JPEG
        if (tag == 0x0201) {
            offset = value;
            haveOffset = true;
        } else if (tag == 0x0202) {
            length = value;
            haveLength = true;
        }
    }
    if (!haveOffset || !haveLength || length == 0 || offset > tiff.Size ||
        length > tiff.Size - offset)
        return {};
    return {skipped + offset, length};
}

namespace {

// Rows x Columns pixels, rows one after another, become Columns x Rows, in place:
// pixel i = r * Columns + c goes to c * Rows + r, which is i * Rows modulo
// (n - 1) for all but the last. Each cycle of that permutation is walked once,
// a bit per pixel marking those already in place.
void TransposeInPlace(std::uint32_t* pixels, std::size_t rows, std::size_t columns) {
    const std::size_t n = rows * columns;
    if (rows < 2 || columns < 2)
        return; // one row or one column reads the same both ways
    std::vector<bool> placed(n);
    for (std::size_t start = 1; start + 1 < n; ++start) {
        if (placed[start])
            continue;
        std::uint32_t carried = pixels[start];
        std::size_t at = start;
        do {
            at = static_cast<std::size_t>((std::uint64_t(at) * rows) % (n - 1));
            std::swap(carried, pixels[at]);
            placed[at] = true;
        } while (at != start);
    }
}

void ReverseRows(std::uint32_t* pixels, std::size_t width, std::size_t height) {
    for (std::size_t y = 0; y < height; ++y)
        std::reverse(pixels + y * width, pixels + (y + 1) * width);
}

void SwapRowsTopBottom(std::uint32_t* pixels, std::size_t width, std::size_t height) {
    for (std::size_t top = 0, bottom = height; top + 1 < bottom; ++top, --bottom)
        std::swap_ranges(pixels + top * width, pixels + (top + 1) * width,
                         pixels + (bottom - 1) * width);
}

} // namespace

void ApplyExifOrientation(TDecodedPicture& picture, int orientation, TBudgetClaim* claim) {
    if (orientation < 2 || orientation > 8 || picture.Pixels.empty())
        return;
    const std::size_t w = static_cast<std::size_t>(picture.Width);
    const std::size_t h = static_cast<std::size_t>(picture.Height);
    std::uint32_t* pixels = picture.Pixels.data();
    if (orientation >= 5) {
        if (claim != nullptr)
            claim->Add((std::uint64_t(w) * h + 7) / 8);
        // Transposed first: h pixels wide, w rows.
        TransposeInPlace(pixels, h, w);
        picture.Width = static_cast<int>(h);
        picture.Height = static_cast<int>(w);
    }
    const std::size_t ow = static_cast<std::size_t>(picture.Width);
    const std::size_t oh = static_cast<std::size_t>(picture.Height);
    switch (orientation) {
    case 2: // mirrored left-right
    case 6: // transposed, then mirrored left-right: a quarter turn clockwise
        ReverseRows(pixels, ow, oh);
        break;
    case 3: // half a turn
    case 7: // transposed, then half a turn
        std::reverse(pixels, pixels + ow * oh);
        break;
    case 4: // mirrored top-bottom
    case 8: // transposed, then mirrored top-bottom: a quarter turn anticlockwise
        SwapRowsTopBottom(pixels, ow, oh);
        break;
    default: // 5: transposed
        break;
    }
}

void PlaceOrientedRow(std::uint32_t* upright, const std::uint32_t* row, std::size_t width,
                      std::size_t height, std::size_t y, int orientation) {
    if (orientation < 2 || orientation > 8) {
        std::copy(row, row + width, upright + y * width);
        return;
    }
    if (orientation <= 4) {
        // 2 stays on its row, 3 and 4 move to the mirrored one; 2 and 3 run backwards.
        std::uint32_t* out = upright + (orientation == 2 ? y : height - 1 - y) * width;
        if (orientation == 4)
            std::copy(row, row + width, out);
        else
            std::reverse_copy(row, row + width, out);
        return;
    }
    // The row becomes a column of the upright picture, which is height wide:
    // column y for 5 and 8, column height - 1 - y for 6 and 7, read downwards
    // for 5 and 6 and upwards for 7 and 8.
    const std::size_t column = orientation == 5 || orientation == 8 ? y : height - 1 - y;
    const bool downwards = orientation == 5 || orientation == 6;
    for (std::size_t x = 0; x < width; ++x) {
        const std::size_t to = downwards ? x : width - 1 - x;
        upright[to * height + column] = row[x];
    }
}
