#include "codecs/uPsdReader.h"

#include "codecs/TByteReader.h"

#include <cstring>
#include <vector>

namespace {

enum TPsdMode { kBitmap = 0, kGrey = 1, kIndexed = 2, kRgb = 3, kCmyk = 4, kDuotone = 8 };

// Unpacks one PackBits row of rowBytes bytes from src[0..srcSize).
bool UnpackBitsRow(const std::uint8_t* src, std::size_t srcSize, std::uint8_t* out,
                   std::size_t rowBytes) {
    std::size_t in = 0, done = 0;
    while (done < rowBytes && in < srcSize) {
        const int n = static_cast<std::int8_t>(src[in++]);
        if (n >= 0) {
            std::size_t count = std::size_t(n) + 1;
            if (count > srcSize - in)
                return false;
            const std::size_t take = count < rowBytes - done ? count : rowBytes - done;
            std::memcpy(out + done, src + in, take);
            in += count;
            done += take;
        } else if (n != -128) {
            if (in >= srcSize)
                return false;
            const std::size_t count = std::size_t(1 - n);
            const std::size_t take = count < rowBytes - done ? count : rowBytes - done;
            std::memset(out + done, src[in++], take);
            done += take;
        }
    }
    return done == rowBytes;
}

[[noreturn]] void Fail(TCodecFailure reason, const std::string& what) {
    throw ECodecError(reason, "PSD: " + what);
}

} // namespace

TDecodedPicture DecodePsd(const std::uint8_t* data, std::size_t size,
                          const TDecodeOptions& options) {
    TByteReader in(data, size, "PSD");
    in.Need(26);
    if (std::memcmp(in.Here(), "8BPS", 4) != 0)
        Fail(TCodecFailure::Corrupt, "no PSD signature");
    in.Skip(4);
    const unsigned version = in.U16BE();
    if (version == 2)
        Fail(TCodecFailure::Unsupported, "large document format");
    if (version != 1)
        Fail(TCodecFailure::Corrupt, "unknown version");
    in.Skip(6);
    const unsigned channels = in.U16BE();
    const std::uint32_t height = in.U32BE();
    const std::uint32_t width = in.U32BE();
    const unsigned depth = in.U16BE();
    const unsigned mode = in.U16BE();
    if (channels < 1 || channels > 56)
        Fail(TCodecFailure::Corrupt, "bad channel count");
    unsigned colourChannels = 0;
    switch (mode) {
    case kBitmap:
        if (depth != 1)
            Fail(TCodecFailure::Corrupt, "bitmap mode needs 1 bit per sample");
        colourChannels = 1;
        break;
    case kGrey:
    case kDuotone:
    case kIndexed:
        colourChannels = 1;
        break;
    case kRgb:
        colourChannels = 3;
        break;
    case kCmyk:
        colourChannels = 4;
        break;
    default:
        Fail(TCodecFailure::Unsupported, "colour mode " + std::to_string(mode));
    }
    if (mode != kBitmap && depth != 8 && depth != 16)
        Fail(TCodecFailure::Unsupported, std::to_string(depth) + " bits per sample");
    if (mode == kIndexed && depth != 8)
        Fail(TCodecFailure::Corrupt, "indexed mode needs 8 bits per sample");
    if (channels < colourChannels)
        Fail(TCodecFailure::Corrupt, "too few channels for the colour mode");
    CheckPictureSize(width, height, options.MaxPixels, "PSD");

    // Colour mode data: the palette of an indexed picture (all reds, greens, blues).
    const std::uint32_t modeDataLength = in.U32BE();
    in.Need(modeDataLength);
    std::uint8_t palette[768] = {};
    if (mode == kIndexed) {
        if (modeDataLength < 768)
            Fail(TCodecFailure::Corrupt, "indexed picture without palette");
        std::memcpy(palette, in.Here(), 768);
    }
    in.Skip(modeDataLength);
    // Image resources: nothing here is needed.
    in.Skip(in.U32BE());
    // Layer and mask information: a negative layer count means that the first
    // extra channel holds the transparency of the merged image.
    const std::uint32_t layerDataLength = in.U32BE();
    in.Need(layerDataLength);
    bool mergedAlpha = false;
    if (layerDataLength >= 6) {
        TByteReader layers(in.Here(), layerDataLength, "PSD");
        if (layers.U32BE() >= 2)
            mergedAlpha = static_cast<std::int16_t>(layers.U16BE()) < 0;
    }
    in.Skip(layerDataLength);

    const unsigned compression = in.U16BE();
    if (compression > 1)
        Fail(TCodecFailure::Unsupported, "compression " + std::to_string(compression));
    const unsigned used = colourChannels + (mergedAlpha && channels > colourChannels ? 1 : 0);
    const std::size_t w = width, h = height;
    const std::size_t rowBytes = depth == 1 ? (w + 7) / 8 : w * (depth / 8);

    std::vector<std::uint32_t> rleCounts;
    std::size_t dataStart = in.Pos();
    if (compression == 1) {
        const std::uint64_t countTable = std::uint64_t(channels) * h * 2;
        in.Need(countTable);
        // The shortest possible run data (two bytes per 128 output bytes of every
        // used row) must be there before any memory is taken for the planes.
        in.Need(countTable + std::uint64_t(used) * h * 2 * ((rowBytes + 127) / 128));
        ClaimDecodeBytes(options, std::uint64_t(used) * h * sizeof(std::uint32_t));
        rleCounts.resize(std::size_t(used) * h);
        for (std::size_t i = 0; i < rleCounts.size(); ++i)
            rleCounts[i] = in.U16BE();
        dataStart = in.Pos() + (std::size_t(channels) * h - rleCounts.size()) * 2;
    } else {
        in.Need(std::uint64_t(used) * h * rowBytes);
    }

    TDecodedPicture picture;
    AllocatePicture(picture, width, height, options, "PSD");
    const bool alpha = used > colourChannels;
    std::vector<std::uint8_t> row(rowBytes);
    std::vector<std::uint8_t> samples(w);
    in.Seek(dataStart);
    for (unsigned c = 0; c < used; ++c) {
        for (std::size_t y = 0; y < h; ++y) {
            const std::uint8_t* src = nullptr;
            if (compression == 1) {
                const std::uint32_t count = rleCounts[c * h + y];
                in.Need(count);
                if (!UnpackBitsRow(in.Here(), count, row.data(), rowBytes))
                    Fail(TCodecFailure::Corrupt, "damaged run-length data");
                in.Skip(count);
                src = row.data();
            } else {
                in.Need(rowBytes);
                src = in.Here();
                in.Skip(rowBytes);
            }
            if (depth == 1) {
                for (std::size_t x = 0; x < w; ++x)
                    samples[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 0 : 255;
            } else if (depth == 16) {
                for (std::size_t x = 0; x < w; ++x)
                    samples[x] = src[x * 2];
            } else {
                std::memcpy(samples.data(), src, w);
            }
            std::uint32_t* out = picture.Pixels.data() + y * w;
            for (std::size_t x = 0; x < w; ++x) {
                const std::uint32_t v = samples[x];
                std::uint32_t& p = out[x];
                if (c == colourChannels) {
                    p = (p & 0x00FFFFFFu) | (v << 24);
                } else if (mode == kIndexed) {
                    p = MakeArgb(255, palette[v], palette[256 + v], palette[512 + v]);
                } else if (colourChannels == 1) {
                    p = MakeArgb(255, v, v, v);
                } else if (c < 3) {
                    const unsigned shift = 16 - 8 * c;
                    p = (p & ~(0xFFu << shift)) | (v << shift);
                } else {
                    // Black of a CMYK picture; the lanes hold cyan, magenta and yellow,
                    // all stored inverted (255 is no ink).
                    const unsigned r = (((p >> 16) & 0xFF) * v + 127) / 255;
                    const unsigned g = (((p >> 8) & 0xFF) * v + 127) / 255;
                    const unsigned b = ((p & 0xFF) * v + 127) / 255;
                    p = MakeArgb(p >> 24, r, g, b);
                }
            }
        }
    }
    picture.HasAlpha = alpha;
    DropEmptyAlpha(picture);
    return picture;
}

TDecodedPicture DecodePsdFile(const std::string& path, const TDecodeOptions& options) {
    const std::vector<std::uint8_t> bytes = ReadPictureFileBytes(path, options.Claim);
    return DecodePsd(bytes.data(), bytes.size(), options);
}
