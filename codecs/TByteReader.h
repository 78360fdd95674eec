// Bounds-checked reading of a byte buffer for the readers of our own; every read
// past the end throws ECodecError(Corrupt).
#pragma once

#include "codecs/ECodecError.h"

#include <cstddef>
#include <cstdint>
#include <string>

class TByteReader {
public:
    TByteReader(const std::uint8_t* data, std::size_t size, const char* format)
        : FData(data), FSize(data != nullptr ? size : 0), FFormat(format) {}

    std::size_t Pos() const { return FPos; }
    std::size_t Remaining() const { return FSize - FPos; }
    const std::uint8_t* Here() const { return FData + FPos; }

    void Need(std::uint64_t count) const {
        if (count > Remaining())
            throw ECodecError(TCodecFailure::Corrupt, std::string(FFormat) + ": file is truncated");
    }
    void Skip(std::uint64_t count) {
        Need(count);
        FPos += static_cast<std::size_t>(count);
    }
    void Seek(std::size_t pos) {
        if (pos > FSize)
            throw ECodecError(TCodecFailure::Corrupt, std::string(FFormat) + ": file is truncated");
        FPos = pos;
    }
    std::uint8_t U8() {
        Need(1);
        return FData[FPos++];
    }
    std::uint16_t U16BE() {
        Need(2);
        const std::uint16_t v = std::uint16_t((FData[FPos] << 8) | FData[FPos + 1]);
        FPos += 2;
        return v;
    }
    std::uint16_t U16LE() {
        Need(2);
        const std::uint16_t v = std::uint16_t((FData[FPos + 1] << 8) | FData[FPos]);
        FPos += 2;
        return v;
    }
    std::uint32_t U32BE() {
        const std::uint32_t high = U16BE();
        return (high << 16) | U16BE();
    }
    std::uint32_t U32LE() {
        const std::uint32_t low = U16LE();
        return low | (std::uint32_t(U16LE()) << 16);
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
    const char* FFormat;
};
