#include "codecs/uWebPOrientation.h"

#include "codecs/uExifOrientation.h"

#include <cstring>

int WebPOrientation(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < 12 || std::memcmp(data, "RIFF", 4) != 0 ||
        std::memcmp(data + 8, "WEBP", 4) != 0)
        return 1;
    std::size_t at = 12;
    while (size - at >= 8) {
        const std::uint32_t length =
            std::uint32_t(data[at + 4]) | (std::uint32_t(data[at + 5]) << 8) |
            (std::uint32_t(data[at + 6]) << 16) | (std::uint32_t(data[at + 7]) << 24);
        if (length > size - at - 8)
            return 1;
        if (std::memcmp(data + at, "EXIF", 4) == 0)
            return ParseExifOrientation(data + at + 8, length);
        at += 8 + std::size_t(length) + (length & 1);
        if (at > size)
            return 1;
    }
    return 1;
}

void ApplyWebPOrientation(TDecodedPicture& picture, const std::uint8_t* data, std::size_t size,
                          TBudgetClaim* claim) {
    ApplyExifOrientation(picture, WebPOrientation(data, size), claim);
}
