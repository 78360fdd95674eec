#include "codecs/uAutodeskReader.h"

#include "codecs/TByteReader.h"

#include <vector>

TDecodedPicture DecodeAutodesk(const std::uint8_t* data, std::size_t size,
                               const TDecodeOptions& options) {
    TByteReader in(data, size, "Autodesk");
    if (in.U16LE() != 0x9119)
        throw ECodecError(TCodecFailure::Corrupt, "Autodesk: no Autodesk signature");
    const unsigned width = in.U16LE();
    const unsigned height = in.U16LE();
    in.Skip(4); // position of the cel
    const unsigned bits = in.U8();
    const unsigned compression = in.U8();
    in.Skip(4 + 16); // data size, reserved
    if (bits != 8 || compression != 0)
        throw ECodecError(TCodecFailure::Unsupported,
                          "Autodesk: only uncompressed 8-bit pictures are supported");
    CheckPictureSize(width, height, options.MaxPixels, "Autodesk");
    in.Need(768);
    const std::uint8_t* source = in.Here();
    bool sixBit = true;
    for (int i = 0; i < 768; ++i)
        if (source[i] > 63)
            sixBit = false;
    std::uint32_t palette[256];
    for (int i = 0; i < 256; ++i) {
        unsigned rgb[3];
        for (int k = 0; k < 3; ++k) {
            const unsigned v = source[i * 3 + k];
            rgb[k] = sixBit ? (v << 2) | (v >> 4) : v;
        }
        palette[i] = MakeArgb(255, rgb[0], rgb[1], rgb[2]);
    }
    in.Skip(768);
    in.Need(std::uint64_t(width) * height);
    TDecodedPicture picture;
    AllocatePicture(picture, width, height, options, "Autodesk");
    const std::uint8_t* pixels = in.Here();
    for (std::size_t i = 0; i < picture.Pixels.size(); ++i)
        picture.Pixels[i] = palette[pixels[i]];
    return picture;
}

TDecodedPicture DecodeAutodeskFile(const std::string& path, const TDecodeOptions& options) {
    const std::vector<std::uint8_t> bytes = ReadPictureFileBytes(path, options.Claim);
    return DecodeAutodesk(bytes.data(), bytes.size(), options);
}
