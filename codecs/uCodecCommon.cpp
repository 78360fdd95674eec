#include "codecs/uCodecCommon.h"

#include "codecs/ECodecError.h"
#include "codecs/TDecodeBudget.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <filesystem>
#include <system_error>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

void ClaimDecodeBytes(const TDecodeOptions& options, std::uint64_t bytes) {
    if (options.Claim != nullptr)
        options.Claim->Add(bytes);
}

void CheckDataCanFill(std::uint64_t dataBytes, std::uint64_t minimumBytes, std::int64_t width,
                      std::int64_t height, const char* format) {
    if (dataBytes < minimumBytes)
        throw ECodecError(TCodecFailure::Corrupt,
                          std::string(format) + ": " + std::to_string(dataBytes) +
                              " bytes cannot hold a picture of " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels");
}

void AllocatePicture(TDecodedPicture& picture, std::int64_t width, std::int64_t height,
                     const TDecodeOptions& options, const char* format, std::uint32_t fill) {
    CheckPictureSize(width, height, options.MaxPixels, format);
    ClaimDecodeBytes(options, std::uint64_t(width) * std::uint64_t(height) * 4);
    picture.Width = static_cast<int>(width);
    picture.Height = static_cast<int>(height);
    picture.Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
}

namespace {

[[noreturn]] void ThrowNotRegular(const std::string& path) {
    throw ECodecError(TCodecFailure::Unreadable, path + ": not a regular file");
}

[[noreturn]] void ThrowReadError(const std::string& path, int error) {
    throw ECodecError(TCodecFailure::Unreadable, path + ": " + std::strerror(error));
}

} // namespace

#ifdef _WIN32

namespace {

std::filesystem::path NativePath(const std::string& path) {
    return std::filesystem::u8path(path);
}

} // namespace

void CheckRegularFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(NativePath(path), error);
    if (status.type() == std::filesystem::file_type::not_found)
        throw ECodecError(TCodecFailure::NotFound, path + ": no such file");
    if (error)
        throw ECodecError(TCodecFailure::Unreadable, path + ": " + error.message());
    if (!std::filesystem::is_regular_file(status))
        ThrowNotRegular(path);
}

TPictureFile::TPictureFile(const std::string& path) : FPath(path) {
    CheckRegularFile(path);
    FFile = _wfopen(NativePath(path).c_str(), L"rb");
    if (FFile == nullptr)
        ThrowReadError(path, errno);
    std::error_code error;
    FSize = std::filesystem::file_size(NativePath(path), error);
    if (error) {
        std::fclose(FFile);
        throw ECodecError(TCodecFailure::Unreadable, path + ": " + error.message());
    }
}

TPictureFile::~TPictureFile() {
    std::fclose(FFile);
}

std::size_t TPictureFile::ReadAt(std::uint64_t offset, void* out, std::size_t count) {
    if (_fseeki64(FFile, static_cast<long long>(offset), SEEK_SET) != 0)
        ThrowReadError(FPath, errno);
    const std::size_t n = std::fread(out, 1, count, FFile);
    if (n < count && std::ferror(FFile))
        throw ECodecError(TCodecFailure::Unreadable, FPath + ": read error");
    return n;
}

#else

void CheckRegularFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw ECodecError(TCodecFailure::NotFound, path + ": no such file");
        ThrowReadError(path, errno);
    }
    if (!S_ISREG(info.st_mode))
        ThrowNotRegular(path);
}

TPictureFile::TPictureFile(const std::string& path) : FPath(path) {
    CheckRegularFile(path);
    // Without O_NONBLOCK, opening a pipe waits for a writer.
    FFd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (FFd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw ECodecError(TCodecFailure::NotFound, path + ": no such file");
        ThrowReadError(path, errno);
    }
    struct stat info {};
    if (::fstat(FFd, &info) != 0) {
        const int error = errno;
        ::close(FFd);
        ThrowReadError(path, error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(FFd);
        ThrowNotRegular(path);
    }
    FSize = std::uint64_t(info.st_size);
}

TPictureFile::~TPictureFile() {
    ::close(FFd);
}

std::size_t TPictureFile::ReadAt(std::uint64_t offset, void* out, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(FFd, static_cast<char*>(out) + done, count - done,
                                  static_cast<off_t>(offset + done));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowReadError(FPath, errno);
        }
        done += std::size_t(n);
    }
    return done;
}

#endif

std::vector<std::uint8_t> ReadPictureFileBytes(const std::string& path, TBudgetClaim* claim) {
    TPictureFile file(path);
    if (file.Size() > kMaxPictureFileBytes)
        throw ECodecError(TCodecFailure::TooLarge, path + ": file too large");
    if (claim != nullptr)
        claim->Add(file.Size());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
    bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()));
    if (bytes.size() < file.Size())
        return bytes; // it shrank since it was opened
    // A file that grew since it was opened is read to its end all the same.
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t n = file.ReadAt(bytes.size(), chunk, sizeof chunk);
        if (n == 0)
            return bytes;
        if (bytes.size() + n > kMaxPictureFileBytes)
            throw ECodecError(TCodecFailure::TooLarge, path + ": file too large");
        if (claim != nullptr)
            claim->Add(n);
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
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
