// What the explorer spends on a folder of camera photos: listing and sorting a
// large folder on the interface thread, and one thumbnail decoded on a reading
// thread from a photo of 4000 x 3000 pixels.
#include "codecs/uJpegWriter.h"
#include "main/TExplorerModel.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kFiles = 500;

// A folder with one photo-sized JPEG and kFiles small ones named like a camera's.
struct TFolder {
    QTemporaryDir Dir;
    QString Photo;
    TFolder() {
        std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight);
        std::uint32_t noise = 12345;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                noise = noise * 1103515245u + 12345u;
                pixels[std::size_t(y) * kWidth + x] =
                    0xFF000000u | (std::uint32_t(x * 255 / kWidth) << 16) |
                    (std::uint32_t(y * 255 / kHeight) << 8) | ((noise >> 16) & 0x3F);
            }
        const std::vector<std::uint8_t> jpeg =
            EncodeJpeg(TPixelView(kWidth, kHeight, pixels.data()), 90);
        Photo = Dir.filePath(QStringLiteral("photo.jpg"));
        QFile f(Photo);
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(jpeg.data()), qint64(jpeg.size()));
        f.close();
        for (int i = 0; i < kFiles; ++i) {
            QFile small(Dir.filePath(
                QStringLiteral("IMG_%1.JPG").arg(kFiles - i, 4, 10, QLatin1Char('0'))));
            small.open(QIODevice::WriteOnly);
            small.write("x");
        }
    }
};

TFolder& Folder() {
    static TFolder folder;
    return folder;
}

void BM_ListFolder(benchmark::State& state) {
    const QString path = Folder().Dir.path();
    for (auto _ : state)
        benchmark::DoNotOptimize(TExplorerModel::ListFolder(path));
    state.SetLabel(std::to_string(kFiles + 1) + " files");
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);

void BM_PhotoThumbnail(benchmark::State& state) {
    const QString photo = Folder().Photo;
    QString why;
    for (auto _ : state)
        benchmark::DoNotOptimize(TExplorerModel::DecodeThumbnail(photo, QSize(136, 98), why));
}
BENCHMARK(BM_PhotoThumbnail)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
