#include "codecs/uCodecCommon.h"

#include "codecs/ECodecError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

void CheckPictureSize(std::int64_t width, std::int64_t height, std::uint64_t maxPixels,
                      const char* format) {
    if (width <= 0 || height <= 0)
        throw ECodecError(TCodecFailure::Corrupt, std::string(format) + " picture has no pixels");
    if (width > kMaxPictureSide || height > kMaxPictureSide ||
        std::uint64_t(width) * std::uint64_t(height) > maxPixels)
        throw ECodecError(TCodecFailure::TooLarge,
                          std::string(format) + " picture of " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels exceeds the limit");
}

void AllocatePicture(TDecodedPicture& picture, std::int64_t width, std::int64_t height,
                     std::uint64_t maxPixels, const char* format, std::uint32_t fill) {
    CheckPictureSize(width, height, maxPixels, format);
    picture.Width = static_cast<int>(width);
    picture.Height = static_cast<int>(height);
    picture.Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
}

namespace {
struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
} // namespace

std::vector<std::uint8_t> ReadPictureFileBytes(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw ECodecError(TCodecFailure::NotFound, path);
        throw ECodecError(TCodecFailure::Unreadable, path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode))
        throw ECodecError(TCodecFailure::Unreadable, path + ": not a regular file");
    if (std::uint64_t(info.st_size) > kMaxPictureFileBytes)
        throw ECodecError(TCodecFailure::TooLarge, path + ": file too large");
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw ECodecError(TCodecFailure::Unreadable, path + ": " + std::strerror(errno));
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        if (n > 0) {
            if (bytes.size() + n > kMaxPictureFileBytes)
                throw ECodecError(TCodecFailure::TooLarge, path + ": file too large");
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        if (n < sizeof chunk) {
            if (std::ferror(file.get()))
                throw ECodecError(TCodecFailure::Unreadable, path + ": read error");
            break;
        }
    }
    return bytes;
}

void DropEmptyAlpha(TDecodedPicture& picture) {
    if (!picture.HasAlpha)
        return;
    for (std::uint32_t p : picture.Pixels)
        if ((p >> 24) != 0)
            return;
    for (std::uint32_t& p : picture.Pixels)
        p |= 0xFF000000u;
    picture.HasAlpha = false;
}
