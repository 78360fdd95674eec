#include "codecs/uWriterCommon.h"

#include "codecs/TWriterOutputBudget.h"

const std::array<TRgb, 16> StandardColors16 = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

const std::array<TRgb, 20> StaticSystemColors = {
    // indices 0..9
    0x000000,
    0x800000,
    0x008000,
    0x808000,
    0x000080,
    0x800080,
    0x008080,
    0xC0C0C0,
    0xC0DCC0,
    0xA6CAF0,
    // indices 246..255
    0xFFFBF0,
    0xA0A0A4,
    0x808080,
    0xFF0000,
    0x00FF00,
    0xFFFF00,
    0x0000FF,
    0xFF00FF,
    0x00FFFF,
    0xFFFFFF,
};

EPictureWriteError OutOfMemoryError(const char* writer) {
    return EPictureWriteError(std::string(writer) + ": not enough memory to encode the picture");
}

TWriterSink::TWriterSink() : FLimit(TWriterOutputBudget::Current()) {}

bool TWriterSink::Append(const void* data, std::size_t length) noexcept {
    if (FFailed || length > FLimit - FBytes.size()) {
        FFailed = true;
        return false;
    }
    if (length == 0)
        return true;
    try {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        FBytes.insert(FBytes.end(), bytes, bytes + length);
    } catch (...) {
        FFailed = true;
        return false;
    }
    return true;
}

bool TWriterSink::Reserve(std::size_t total) noexcept {
    try {
        FBytes.reserve(total);
    } catch (...) {
        FFailed = true;
        return false;
    }
    return true;
}

void CheckWritable(const TPixelView& picture, const char* writer, int maxSide) {
    if (picture.Width <= 0 || picture.Height <= 0)
        throw EPictureWriteError(std::string(writer) + ": cannot write an empty picture");
    if (picture.Pixels == nullptr)
        throw EPictureWriteError(std::string(writer) + ": the picture has no pixels");
    if (picture.Width > maxSide || picture.Height > maxSide)
        throw EPictureWriteError(
            std::string(writer) + ": the picture is " + std::to_string(picture.Width) + " x " +
            std::to_string(picture.Height) + " pixels; this format allows at most " +
            std::to_string(maxSide) + " pixels a side");
}
