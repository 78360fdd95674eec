// Small pictures written by the image libraries themselves, for the reader tests.
#pragma once

#include "codecs/ECodecError.h"
#include "codecs/uMagickReader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <stdlib.h>

#include <gif_lib.h>
#include <jpeglib.h>
#include <magick/api.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

// Failure reasons show as their words in the messages of failed expectations.
inline void PrintTo(TCodecFailure reason, std::ostream* out) {
    *out << CodecFailureText(reason);
}

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

inline void PutBE16(Bytes& b, unsigned v) {
    b.push_back(std::uint8_t(v >> 8));
    b.push_back(std::uint8_t(v));
}
inline void PutBE32(Bytes& b, std::uint32_t v) {
    PutBE16(b, v >> 16);
    PutBE16(b, v & 0xFFFF);
}
inline void PutLE16(Bytes& b, unsigned v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
inline void PutLE32(Bytes& b, std::uint32_t v) {
    PutLE16(b, v & 0xFFFF);
    PutLE16(b, v >> 16);
}

// An EXIF block as a JPEG APP1 segment carries it ("Exif\0\0" and a TIFF header
// whose first directory holds only the orientation).
inline Bytes MakeExif(int orientation, bool bigEndian = false, bool withPrefix = true) {
    Bytes b;
    if (withPrefix)
        b = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](unsigned v) { bigEndian ? PutBE16(b, v) : PutLE16(b, v); };
    auto u32 = [&](std::uint32_t v) { bigEndian ? PutBE32(b, v) : PutLE32(b, v); };
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    u16(42);
    u32(8);
    u16(1);
    u16(0x0112);
    u16(3);
    u32(1);
    u16(unsigned(orientation));
    u16(0);
    u32(0);
    return b;
}

// An EXIF block with the "Exif\0\0" prefix: the orientation in the first
// directory, and a second directory pointing at a JPEG thumbnail stored after
// it (Compression 6, JPEGInterchangeFormat and its length).
inline Bytes MakeExifWithThumbnail(int orientation, const Bytes& thumbnail, bool bigEndian = false,
                                   unsigned compression = 6) {
    Bytes b = MakeExif(orientation, bigEndian);
    auto u16 = [&](unsigned v) { bigEndian ? PutBE16(b, v) : PutLE16(b, v); };
    auto u32 = [&](std::uint32_t v) { bigEndian ? PutBE32(b, v) : PutLE32(b, v); };
    // MakeExif ends with the first directory's link to the next: 0, here the second.
    const std::uint32_t second = std::uint32_t(b.size() - 6);
    b.resize(b.size() - 4);
    u32(second);
    const std::uint32_t data = second + 2 + 3 * 12 + 4;
    u16(3);
    for (const std::pair<unsigned, std::uint32_t>& entry :
         {std::pair<unsigned, std::uint32_t>{0x0103, compression},
          {0x0201, data},
          {0x0202, std::uint32_t(thumbnail.size())}}) {
        u16(entry.first);
        u16(entry.first == 0x0103 ? 3 : 4);
        u32(1);
        if (entry.first == 0x0103) {
            u16(entry.second);
            u16(0);
        } else {
            u32(entry.second);
        }
    }
    u32(0);
    b.insert(b.end(), thumbnail.begin(), thumbnail.end());
    return b;
}

// ---- Files ----
// A new empty folder in the system's temporary folder, removed with all it
// holds when this goes.
class TempFolder {
public:
    TempFolder() : FPath(P_tmpdir "/codec_test_XXXXXX") {
        if (mkdtemp(FPath.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder");
        FPath += "/";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // With a trailing slash.
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot write " + path);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written)
        throw std::runtime_error("cannot write " + path);
}

// ---- Icons ----
// An icon file of 32-bit entries; each entry's pixels are rows from the top,
// mask bits set where a pixel is clear.
struct IconEntry {
    unsigned Size;
    std::vector<std::uint32_t> Pixels;
};

inline Bytes MakeIcon(const std::vector<IconEntry>& entries) {
    Bytes head, body;
    PutLE16(head, 0);
    PutLE16(head, 1);
    PutLE16(head, unsigned(entries.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(entries.size());
    for (const IconEntry& e : entries) {
        const unsigned maskRow = ((e.Size + 31) / 32) * 4;
        Bytes dib;
        for (std::uint32_t v : {40u, e.Size, e.Size * 2})
            PutLE32(dib, v);
        PutLE16(dib, 1);
        PutLE16(dib, 32);
        dib.insert(dib.end(), 24, 0);
        for (unsigned y = e.Size; y-- > 0;)
            for (unsigned x = 0; x < e.Size; ++x)
                PutLE32(dib, e.Pixels[y * e.Size + x]); // B, G, R, A
        for (unsigned y = e.Size; y-- > 0;) {
            Bytes row(maskRow, 0);
            for (unsigned x = 0; x < e.Size; ++x)
                if ((e.Pixels[y * e.Size + x] >> 24) == 0)
                    row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
            dib.insert(dib.end(), row.begin(), row.end());
        }
        head.insert(head.end(), {std::uint8_t(e.Size), std::uint8_t(e.Size), 0, 0});
        PutLE16(head, 1);
        PutLE16(head, 32);
        PutLE32(head, std::uint32_t(dib.size()));
        PutLE32(head, offset);
        offset += std::uint32_t(dib.size());
        body.insert(body.end(), dib.begin(), dib.end());
    }
    head.insert(head.end(), body.begin(), body.end());
    return head;
}

// ---- PNG ----
struct PngSpec {
    int Width = 1;
    int Height = 1;
    int ColorType = PNG_COLOR_TYPE_RGB;
    int BitDepth = 8;
    bool Interlaced = false;
    std::vector<unsigned> Samples; // row-major, channels per pixel in file order
    std::vector<png_color> Palette;
    std::vector<png_byte> PaletteAlpha; // tRNS for palette pictures
    bool HasTransparentColor = false;   // tRNS for grey and RGB pictures
    png_color_16 TransparentColor{};
    Bytes Exif; // without the "Exif\0\0" prefix
};

inline void PngWriteToVector(png_structp png, png_bytep data, png_size_t size) {
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}
inline void PngFlushNothing(png_structp) {}

inline int PngChannels(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

inline Bytes WritePng(const PngSpec& spec) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
        throw std::runtime_error("png write failed");
    png_set_write_fn(png, &out, PngWriteToVector, PngFlushNothing);
    png_set_IHDR(png, info, png_uint_32(spec.Width), png_uint_32(spec.Height), spec.BitDepth,
                 spec.ColorType, spec.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!spec.Palette.empty())
        png_set_PLTE(png, info, spec.Palette.data(), int(spec.Palette.size()));
    if (!spec.PaletteAlpha.empty())
        png_set_tRNS(png, info, spec.PaletteAlpha.data(), int(spec.PaletteAlpha.size()), nullptr);
    if (spec.HasTransparentColor) {
        png_color_16 c = spec.TransparentColor;
        png_set_tRNS(png, info, nullptr, 0, &c);
    }
    if (!spec.Exif.empty())
        png_set_eXIf_1(png, info, png_uint_32(spec.Exif.size()),
                       const_cast<png_bytep>(spec.Exif.data()));
    png_write_info(png, info);
    const int channels = PngChannels(spec.ColorType);
    const int passes = spec.Interlaced ? png_set_interlace_handling(png) : 1;
    std::vector<std::vector<png_byte>> rows(spec.Height);
    for (int y = 0; y < spec.Height; ++y) {
        std::vector<png_byte>& row = rows[y];
        row.assign(std::size_t(spec.Width * channels * spec.BitDepth + 7) / 8, 0);
        for (int i = 0; i < spec.Width * channels; ++i) {
            const unsigned v = spec.Samples[std::size_t(y * spec.Width * channels + i)];
            if (spec.BitDepth == 16) {
                row[i * 2] = png_byte(v >> 8);
                row[i * 2 + 1] = png_byte(v);
            } else if (spec.BitDepth == 8) {
                row[i] = png_byte(v);
            } else {
                const int bit = i * spec.BitDepth;
                row[bit / 8] |= png_byte(v << (8 - spec.BitDepth - bit % 8));
            }
        }
    }
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < spec.Height; ++y)
            png_write_row(png, rows[y].data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// ---- JPEG ----
struct JpegSpec {
    int Width = 16;
    int Height = 16;
    int Components = 3;
    J_COLOR_SPACE InSpace = JCS_RGB;
    J_COLOR_SPACE FileSpace = JCS_UNKNOWN; // JCS_UNKNOWN: the library's default
    bool Progressive = false;
    bool Arithmetic = false;
    int Quality = 100;
    Bytes Exif;              // with the "Exif\0\0" prefix
    bool HalfChroma = false; // chroma sampled at half the luma's both ways, as cameras do
    std::vector<std::uint8_t> Samples;
    std::vector<jpeg_scan_info> Scans; // a progression of its own; empty: the library's
};

// A photo of one colour, Width x Height, as RGB samples.
inline JpegSpec PlainJpeg(int Width, int Height, std::uint8_t R, std::uint8_t G, std::uint8_t B) {
    JpegSpec spec;
    spec.Width = Width;
    spec.Height = Height;
    for (int i = 0; i < Width * Height; ++i)
        spec.Samples.insert(spec.Samples.end(), {R, G, B});
    return spec;
}

inline Bytes WriteJpeg(const JpegSpec& spec) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(spec.Width);
    c.image_height = JDIMENSION(spec.Height);
    c.input_components = spec.Components;
    c.in_color_space = spec.InSpace;
    jpeg_set_defaults(&c);
    if (spec.FileSpace != JCS_UNKNOWN)
        jpeg_set_colorspace(&c, spec.FileSpace);
    jpeg_set_quality(&c, spec.Quality, TRUE);
    // No chroma subsampling unless asked, so that small blocks keep their colour.
    for (int i = 0; i < c.num_components; ++i)
        c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor =
            spec.HalfChroma && i == 0 ? 2 : 1;
    if (spec.Progressive)
        jpeg_simple_progression(&c);
    if (!spec.Scans.empty()) {
        c.scan_info = spec.Scans.data();
        c.num_scans = int(spec.Scans.size());
    }
    c.arith_code = spec.Arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&c, TRUE);
    if (!spec.Exif.empty())
        jpeg_write_marker(&c, JPEG_APP0 + 1, spec.Exif.data(), unsigned(spec.Exif.size()));
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(spec.Samples.data() + std::size_t(c.next_scanline) *
                                                                      spec.Width * spec.Components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// ---- GIF ----
struct GifSpec {
    int ScreenWidth = 4;
    int ScreenHeight = 4;
    int Left = 0;
    int Top = 0;
    int Width = 4;
    int Height = 4;
    bool Interlaced = false;
    int TransparentIndex = -1;
    std::vector<GifColorType> Colors;  // a power of two in size
    std::vector<GifPixelType> Indices; // frame pixels, rows from the top
};

inline int GifWriteToVector(GifFileType* gif, const GifByteType* data, int size) {
    Bytes* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + size);
    return size;
}

inline Bytes WriteGif(const GifSpec& spec) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWriteToVector, &error);
    ColorMapObject* map = GifMakeMapObject(int(spec.Colors.size()), spec.Colors.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, spec.ScreenWidth, spec.ScreenHeight, 8, 0, map);
    if (spec.TransparentIndex >= 0) {
        GifByteType ext[4] = {1, 0, 0, GifByteType(spec.TransparentIndex)};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    }
    EGifPutImageDesc(gif, spec.Left, spec.Top, spec.Width, spec.Height, spec.Interlaced, nullptr);
    std::vector<int> order;
    if (spec.Interlaced) {
        const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int y = start[p]; y < spec.Height; y += step[p])
                order.push_back(y);
    } else {
        for (int y = 0; y < spec.Height; ++y)
            order.push_back(y);
    }
    for (int y : order)
        EGifPutLine(gif, const_cast<GifPixelType*>(spec.Indices.data() + y * spec.Width),
                    spec.Width);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// ---- TIFF ----
inline Bytes ReadWholeFile(const std::string& path) {
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return out;
    std::uint8_t chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.insert(out.end(), chunk, chunk + n);
    std::fclose(f);
    return out;
}

struct TiffSpec {
    int Width = 2;
    int Height = 2;
    int SamplesPerPixel = 3;
    int BitsPerSample = 8;
    int Photometric = PHOTOMETRIC_RGB;
    int Compression = COMPRESSION_NONE;
    int Orientation = ORIENTATION_TOPLEFT;
    int ExtraSample = -1;                // EXTRASAMPLE_ASSOCALPHA or EXTRASAMPLE_UNASSALPHA
    std::vector<std::uint16_t> ColorMap; // 3 * 2^bits entries for palette pictures
    Bytes Data;                          // packed rows
};

inline Bytes WriteTiff(const TiffSpec& spec) {
    char name[] = "/tmp/codec_fixture_XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0)
        close(fd);
    TIFF* t = TIFFOpen(name, "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, spec.Width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, spec.Height);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spec.SamplesPerPixel);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, spec.BitsPerSample);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, spec.Photometric);
    TIFFSetField(t, TIFFTAG_COMPRESSION, spec.Compression);
    TIFFSetField(t, TIFFTAG_ORIENTATION, spec.Orientation);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, spec.Height);
    if (spec.ExtraSample >= 0) {
        std::uint16_t extra = std::uint16_t(spec.ExtraSample);
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (!spec.ColorMap.empty()) {
        const std::size_t n = spec.ColorMap.size() / 3;
        TIFFSetField(t, TIFFTAG_COLORMAP, spec.ColorMap.data(), spec.ColorMap.data() + n,
                     spec.ColorMap.data() + 2 * n);
    }
    const std::size_t rowBytes =
        std::size_t(spec.Width * spec.SamplesPerPixel * spec.BitsPerSample + 7) / 8;
    for (int y = 0; y < spec.Height; ++y)
        TIFFWriteScanline(t, const_cast<std::uint8_t*>(spec.Data.data() + y * rowBytes),
                          std::uint32_t(y), 0);
    TIFFClose(t);
    Bytes out = ReadWholeFile(name);
    std::remove(name);
    return out;
}

// ---- Headers that claim huge pictures ----
// Files whose header claims a side x side picture but whose data cannot fill
// it. With padding 0 the data is a few bytes; padding bytes more make the file
// long enough to pass the reader's bound of the bytes such a picture needs,
// so that the reader takes the picture's memory before it finds the data short.

// A GIF whose logical screen and only frame are side x side, with the padding in
// a comment before the frame and a few bytes of image data.
inline Bytes HugeHeaderGif(unsigned side, std::size_t padding = 0) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    PutLE16(b, side);
    PutLE16(b, side);
    b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF}); // two colours
    if (padding > 0) {
        b.insert(b.end(), {0x21, 0xFE});
        for (std::size_t left = padding; left > 0;) {
            const std::size_t n = left < 255 ? left : 255;
            b.push_back(std::uint8_t(n));
            b.insert(b.end(), n, 'x');
            left -= n;
        }
        b.push_back(0);
    }
    b.push_back(',');
    PutLE16(b, 0);
    PutLE16(b, 0);
    PutLE16(b, side);
    PutLE16(b, side);
    b.insert(b.end(), {0, 2, 2, 0x44, 0x01, 0, ';'});
    return b;
}

inline void PutPngChunk(Bytes& png, const char* type, const Bytes& data) {
    PutBE32(png, std::uint32_t(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBE32(png, std::uint32_t(crc32(0, png.data() + start, uInt(png.size() - start))));
}

// An 8-bit greyscale PNG of side x side whose image data inflates to padding
// zero bytes (stored, uncompressed) or to a few.
inline Bytes HugeHeaderPng(unsigned side, std::size_t padding = 0) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBE32(header, side);
    PutBE32(header, side);
    header.insert(header.end(), {8, 0, 0, 0, 0});
    PutPngChunk(png, "IHDR", header);
    const Bytes zeros(padding > 0 ? padding : 64, 0);
    uLongf length = compressBound(uLong(zeros.size()));
    Bytes data(length);
    compress2(data.data(), &length, zeros.data(), uLong(zeros.size()), padding > 0 ? 0 : 9);
    data.resize(length);
    PutPngChunk(png, "IDAT", data);
    PutPngChunk(png, "IEND", {});
    return png;
}

// A baseline greyscale JPEG of side x side with the padding in comments and a
// few bytes of entropy-coded data (libjpeg's standard Huffman tables).
inline Bytes HugeHeaderJpeg(unsigned side, std::size_t padding = 0) {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    b.insert(b.end(), 64, 1);
    for (std::size_t left = padding; left > 0;) {
        const std::size_t n = left < 60000 ? left : 60000;
        b.insert(b.end(), {0xFF, 0xFE});
        PutBE16(b, unsigned(n + 2));
        b.insert(b.end(), n, 'x');
        left -= n;
    }
    b.insert(b.end(), {0xFF, 0xC0, 0, 11, 8});
    PutBE16(b, side);
    PutBE16(b, side);
    b.insert(b.end(), {1, 1, 0x11, 0});
    b.insert(b.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0});
    b.insert(b.end(), 8, 0);
    b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

// An 8-bit greyscale TIFF of side x side in one strip: uncompressed with 16
// bytes of data, or, with padding, LZW compressed with padding bytes of codes
// that are not LZW.
inline Bytes HugeHeaderTiff(unsigned side, std::size_t padding = 0) {
    const std::uint32_t dataBytes = padding > 0 ? std::uint32_t(padding) : 16;
    const unsigned entries[][3] = {
        {256, 4, side},      {257, 4, side},
        {258, 3, 8},         {259, 3, padding > 0 ? 5u : 1u},
        {262, 3, 1},         {273, 4, 8 + 2 + 9 * 12 + 4},
        {277, 3, 1},         {278, 4, side},
        {279, 4, dataBytes},
    };
    Bytes b = {'I', 'I', 42, 0};
    PutLE32(b, 8);
    PutLE16(b, 9);
    for (const auto& e : entries) {
        PutLE16(b, e[0]);
        PutLE16(b, e[1]);
        PutLE32(b, 1);
        if (e[1] == 3) {
            PutLE16(b, e[2]);
            PutLE16(b, 0);
        } else {
            PutLE32(b, e[2]);
        }
    }
    PutLE32(b, 0);
    b.insert(b.end(), dataBytes, 0xFF);
    return b;
}

// ---- GraphicsMagick ----
// pixels are 0xAARRGGBB; format is a GraphicsMagick format name.
inline Bytes WriteWithMagick(int width, int height, const std::vector<std::uint32_t>& pixels,
                             const char* format, bool alpha) {
    MagickCanDecode("BMP"); // starts GraphicsMagick once
    std::vector<std::uint8_t> rgba;
    for (std::uint32_t p : pixels) {
        rgba.push_back(std::uint8_t(p >> 16));
        rgba.push_back(std::uint8_t(p >> 8));
        rgba.push_back(std::uint8_t(p));
        rgba.push_back(std::uint8_t(p >> 24));
    }
    ExceptionInfo exception;
    GetExceptionInfo(&exception);
    Image* image = ConstituteImage(unsigned(width), unsigned(height), alpha ? "RGBA" : "RGBP",
                                   CharPixel, rgba.data(), &exception);
    Bytes out;
    if (image != nullptr) {
        if (!alpha)
            image->matte = MagickFalse;
        ImageInfo* info = CloneImageInfo(nullptr);
        std::snprintf(info->magick, sizeof info->magick, "%s", format);
        std::snprintf(image->magick, sizeof image->magick, "%s", format);
        size_t length = 0;
        void* blob = ImageToBlob(info, image, &length, &exception);
        if (blob != nullptr) {
            out.assign(static_cast<std::uint8_t*>(blob), static_cast<std::uint8_t*>(blob) + length);
            MagickFree(blob);
        }
        DestroyImageInfo(info);
        DestroyImage(image);
    }
    DestroyExceptionInfo(&exception);
    return out;
}

} // namespace fixtures
