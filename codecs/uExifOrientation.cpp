#include "codecs/uExifOrientation.h"

#include <cstring>
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

int ParseExifOrientation(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr)
        return 1;
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
        data += 6;
        size -= 6;
    }
    if (size < 8)
        return 1;
    TTiffReader tiff{data, size, false};
    if (data[0] == 'I' && data[1] == 'I')
        tiff.BigEndian = false;
    else if (data[0] == 'M' && data[1] == 'M')
        tiff.BigEndian = true;
    else
        return 1;
    unsigned magic = 0;
    std::uint32_t ifd = 0;
    unsigned count = 0;
    if (!tiff.U16(2, magic) || magic != 42 || !tiff.U32(4, ifd) || !tiff.U16(ifd, count))
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

void ApplyExifOrientation(TDecodedPicture& picture, int orientation) {
    if (orientation < 2 || orientation > 8 || picture.Pixels.empty())
        return;
    const std::size_t w = static_cast<std::size_t>(picture.Width);
    const std::size_t h = static_cast<std::size_t>(picture.Height);
    const std::vector<std::uint32_t>& in = picture.Pixels;
    std::vector<std::uint32_t> out(in.size());
    const bool swap = orientation >= 5;
    const std::size_t ow = swap ? h : w;
    const std::size_t oh = swap ? w : h;
    for (std::size_t y = 0; y < oh; ++y) {
        std::uint32_t* row = out.data() + y * ow;
        for (std::size_t x = 0; x < ow; ++x) {
            std::size_t sx = 0, sy = 0;
            switch (orientation) {
            case 2:
                sx = w - 1 - x;
                sy = y;
                break;
            case 3:
                sx = w - 1 - x;
                sy = h - 1 - y;
                break;
            case 4:
                sx = x;
                sy = h - 1 - y;
                break;
            case 5:
                sx = y;
                sy = x;
                break;
            case 6:
                sx = y;
                sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y;
                sy = h - 1 - x;
                break;
            default:
                sx = w - 1 - y;
                sy = x;
                break; // 8
            }
            row[x] = in[sy * w + sx];
        }
    }
    picture.Pixels.swap(out);
    picture.Width = static_cast<int>(ow);
    picture.Height = static_cast<int>(oh);
}
