// What the picture writers share: the picture they take, where their bytes go,
// their error type and the fixed palettes of the 4-bit, 8-bit and GIF outputs.
#pragma once

#include "codecs/TDecodedPicture.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A read-only view of a rendered picture: Width * Height pixels, rows from the
// top, each 0xAARRGGBB. The writers use red, green and blue only; alpha is
// ignored, so whoever renders the picture must have flattened it already.
struct TPixelView {
    int Width = 0;
    int Height = 0;
    const std::uint32_t* Pixels = nullptr;

    TPixelView() = default;
    TPixelView(int width, int height, const std::uint32_t* pixels)
        : Width(width), Height(height), Pixels(pixels) {}
    // NOLINTNEXTLINE(google-explicit-constructor): a decoded picture is a picture.
    TPixelView(const TDecodedPicture& picture)
        : Width(picture.Width), Height(picture.Height), Pixels(picture.Pixels.data()) {}

    const std::uint32_t* Row(int y) const {
        return Pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width);
    }
};

// A picture that could not be encoded. The message says which writer failed and why.
class EPictureWriteError : public std::runtime_error {
public:
    explicit EPictureWriteError(const std::string& message) : std::runtime_error(message) {}
};

// The error of a writer that ran short of memory: "<writer>: not enough memory
// to encode the picture".
EPictureWriteError OutOfMemoryError(const char* writer);

// Collects the bytes of the file a writer makes. The image libraries fill it
// from their callbacks, across which no exception may pass, so nothing here
// throws: bytes that cannot be kept make Append answer false (and every later
// Append too), and the writer then stops with OutOfMemoryError. The sink owns
// its bytes; they are freed once, by the sink, whether the writer finished or
// failed part way.
//
// Tests may cap the bytes a sink accepts (TWriterOutputBudget) to make a writer
// fail part way; within the cap the bytes are exactly those written without it.
class TWriterSink {
public:
    TWriterSink();
    TWriterSink(const TWriterSink&) = delete;
    TWriterSink& operator=(const TWriterSink&) = delete;

    bool Append(const void* data, std::size_t length) noexcept;
    // Makes room for `total` bytes in all at once, for a writer that knows its
    // size; false when there is no memory for them.
    bool Reserve(std::size_t total) noexcept;

    bool Failed() const noexcept { return FFailed; }
    // The bytes appended so far; the sink is empty afterwards.
    std::vector<std::uint8_t> Take() noexcept { return std::move(FBytes); }

private:
    std::vector<std::uint8_t> FBytes;
    std::size_t FLimit;
    bool FFailed = false;
};

// Throws EPictureWriteError ("<writer>: ...") for an empty picture, a missing
// pixel buffer or a side longer than maxSide.
void CheckWritable(const TPixelView& picture, const char* writer, int maxSide);

// A palette colour, 0x00RRGGBB.
using TRgb = std::uint32_t;

// The 16 standard colours of 4-bit pictures, in their usual index order:
// black, maroon, green, olive, navy, purple, teal, silver, grey, red, lime,
// yellow, blue, fuchsia, aqua, white.
extern const std::array<TRgb, 16> StandardColors16;

// The 20 static system colours: the 16 standard colours plus four extras (money
// green C0DCC0, sky blue A6CAF0, cream FFFBF0, medium grey A0A0A4). In a 256-entry
// palette the first ten sit at indices 0..9 and the last ten at 246..255.
extern const std::array<TRgb, 20> StaticSystemColors;

// The palette index that StaticSystemColors[i] takes in a 256-entry palette.
inline int StaticSystemColorIndex(int i) {
    return i < 10 ? i : 236 + i;
}
