#include "codecs/ECodecError.h"
#include "codecs/uCodecCommon.h"
#include "codecs/uCodecRegistry.h"
#include "codecs/uJpegReader.h"
#include "tests/codecs/CodecFixtures.h"
#include "tests/codecs/SpecialFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using fixtures::Bytes;

namespace {

// The reason a call failed; none when it did not.
std::optional<TCodecFailure> FailureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ECodecError& e) {
        return e.Reason();
    }
    return std::nullopt;
}

} // namespace

TEST(PictureFiles, OnlyRegularFilesAreReadAndNothingWaitsOnAPipe) {
    const fixtures::TempFolder folder;
    const std::string& dir = folder.Path();
    fixtures::JpegSpec spec;
    spec.Progressive = true;
    spec.Samples.assign(16 * 16 * 3, 77);
    const Bytes jpeg = fixtures::WriteJpeg(spec);
    const std::size_t coefficients = ProgressiveJpegCoefficientBytes(jpeg.data(), jpeg.size());
    ASSERT_GT(coefficients, 0u);
    fixtures::WriteFile(dir + "photo.jpg", jpeg);
    const std::string pipe = dir + "pipe.jpg";
    fixtures::MakeFifo(pipe);
    ASSERT_EQ(symlink("photo.jpg", (dir + "photo-link.jpg").c_str()), 0);
    ASSERT_EQ(symlink("pipe.jpg", (dir + "pipe-link.jpg").c_str()), 0);
    ASSERT_EQ(symlink("missing.jpg", (dir + "dangling.jpg").c_str()), 0);
    ASSERT_EQ(mkdir((dir + "folder.jpg").c_str(), 0700), 0);
    const int socket = fixtures::MakeSocket(dir + "socket.jpg");

    const struct {
        std::string Path;
        std::optional<TCodecFailure> Reason; // none: the file is read
    } cases[] = {
        {dir + "photo.jpg", std::nullopt},
        {dir + "photo-link.jpg", std::nullopt},
        {pipe, TCodecFailure::Unreadable},
        {dir + "pipe-link.jpg", TCodecFailure::Unreadable},
        {dir + "folder.jpg", TCodecFailure::Unreadable},
        {dir + "socket.jpg", TCodecFailure::Unreadable},
        {"/dev/null", TCodecFailure::Unreadable},
        {dir + "missing.jpg", TCodecFailure::NotFound},
        {dir + "dangling.jpg", TCodecFailure::NotFound},
        {dir + "photo.jpg/inside.jpg", TCodecFailure::NotFound},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        fixtures::WithoutWaitingOn(pipe, [&] {
            EXPECT_EQ(FailureOf([&] { CheckRegularFile(c.Path); }), c.Reason);
            EXPECT_EQ(FailureOf([&] { EXPECT_EQ(ReadPictureFileBytes(c.Path), jpeg); }), c.Reason);
            EXPECT_EQ(FailureOf([&] { EXPECT_EQ(DecodePictureFile(c.Path).Width, 16); }), c.Reason);
            EXPECT_EQ(ProgressiveJpegCoefficientBytes(c.Path), c.Reason ? 0 : coefficients);
        });
    }
    close(socket);
}
