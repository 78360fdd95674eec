// Explorer thumbnails of a folder of 100 camera photos of 4000 x 3000 pixels,
// made as a camera and the usual tools make them: baseline files with an EXIF
// thumbnail of 160 x 120, progressive files and baseline files without one, a
// third of them turned by their EXIF orientation. TExplorerModel decodes all of
// them on two reading threads while the interface thread runs its event loop
// with a timer of 1 ms; the benchmark reports the time until every thumbnail
// has arrived and the longest the event loop was kept from its timer
// (stall_ms). Targets on two cores: within 1.5 s, stalls under 16 ms.
//
//   build-rel/bench/thumbnail_bench [--benchmark_repetitions=5]
//
// Say how loaded the machine was (uptime) beside the figures: the reading
// threads share the cores with whatever else runs.
#include "main/TExplorerModel.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kThumbWidth = 160;
constexpr int kThumbHeight = 120;
constexpr int kPhotos = 100;
// The picture box of an explorer item: 140 x 120 less its margins and caption.
const QSize kBox(136, 98);

using TBytes = std::vector<std::uint8_t>;

// RGB samples of a photo-like scene: smooth light and colour, edges, fine texture
// and sensor noise, so that the files are about the size a camera writes.
std::vector<std::uint8_t> Scene(int Width, int Height, unsigned Seed) {
    std::vector<std::uint8_t> rgb(std::size_t(Width) * Height * 3);
    std::uint32_t noise = Seed * 2654435761u + 1;
    const double phase = Seed * 0.7;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const double u = double(x) / Width, v = double(y) / Height;
            noise = noise * 1103515245u + 12345u;
            const int grain = int((noise >> 16) & 15) - 8;
            const double light = 0.55 + 0.35 * std::sin(3.1 * u + phase) * std::cos(2.3 * v);
            const double texture = 18 * std::sin(x * 0.21 + phase) * std::sin(y * 0.17);
            const bool edge = ((x / 250 + y / 190 + int(Seed)) % 5) == 0;
            const double r = 255 * light * (0.8 + 0.2 * u) + texture + (edge ? 40 : 0);
            const double g = 235 * light * (0.6 + 0.4 * v) + texture * 0.8;
            const double b = 210 * light * (1.0 - 0.5 * u) + texture * 0.6 + (edge ? -30 : 0);
            std::uint8_t* p = &rgb[(std::size_t(y) * Width + x) * 3];
            p[0] = std::uint8_t(std::clamp(int(r) + grain, 0, 255));
            p[1] = std::uint8_t(std::clamp(int(g) + grain, 0, 255));
            p[2] = std::uint8_t(std::clamp(int(b) + grain, 0, 255));
        }
    return rgb;
}

// Every Factor x Factor block of the scene averaged into one pixel.
std::vector<std::uint8_t> Shrunk(const std::vector<std::uint8_t>& Rgb, int Width, int Factor) {
    const int w = Width / Factor, h = int(Rgb.size() / 3 / std::size_t(Width)) / Factor;
    std::vector<std::uint8_t> out(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                unsigned sum = 0;
                for (int j = 0; j < Factor; ++j)
                    for (int i = 0; i < Factor; ++i)
                        sum += Rgb[(std::size_t(y * Factor + j) * Width + x * Factor + i) * 3 + c];
                out[(std::size_t(y) * w + x) * 3 + c] =
                    std::uint8_t(sum / unsigned(Factor * Factor));
            }
    return out;
}

// A JPEG of the samples as cameras write it: quality 92, chroma halved both ways.
TBytes Encode(const std::vector<std::uint8_t>& Rgb, int Width, int Height, bool Progressive) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(Width);
    c.image_height = JDIMENSION(Height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 92, TRUE);
    if (Progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(Rgb.data() + std::size_t(c.next_scanline) * Width * 3);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    TBytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

void Put16(TBytes& b, unsigned v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void Put32(TBytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutEntry(TBytes& b, unsigned Tag, unsigned Type, std::uint32_t Value) {
    Put16(b, Tag);
    Put16(b, Type);
    Put32(b, 1);
    if (Type == 3) {
        Put16(b, Value);
        Put16(b, 0);
    } else {
        Put32(b, Value);
    }
}

// The photo with an APP1 EXIF segment after its start marker: the orientation in
// the first directory and, when given, a JPEG thumbnail in the second.
TBytes WithExif(const TBytes& Photo, int Orientation, const TBytes& Thumbnail) {
    TBytes tiff = {'I', 'I', 42, 0};
    Put32(tiff, 8);
    const std::uint32_t ifd1 = 8 + 2 + 12 + 4;
    Put16(tiff, 1);
    PutEntry(tiff, 0x0112, 3, std::uint32_t(Orientation));
    Put32(tiff, Thumbnail.empty() ? 0 : ifd1);
    if (!Thumbnail.empty()) {
        const std::uint32_t data = ifd1 + 2 + 3 * 12 + 4;
        Put16(tiff, 3);
        PutEntry(tiff, 0x0103, 3, 6);
        PutEntry(tiff, 0x0201, 4, data);
        PutEntry(tiff, 0x0202, 4, std::uint32_t(Thumbnail.size()));
        Put32(tiff, 0);
        tiff.insert(tiff.end(), Thumbnail.begin(), Thumbnail.end());
    }
    const std::size_t length = 2 + 6 + tiff.size();
    if (length > 0xFFFF)
        throw std::runtime_error("EXIF block too long");
    TBytes out(Photo.begin(), Photo.begin() + 2);
    out.insert(out.end(), {0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length)});
    out.insert(out.end(), {'E', 'x', 'i', 'f', 0, 0});
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), Photo.begin() + 2, Photo.end());
    return out;
}

enum TKind { kExifThumbnail, kProgressive, kBaseline };
const char* const kKindNames[] = {"baseline with EXIF thumbnail", "progressive", "baseline"};

struct TPhotoFolder {
    QTemporaryDir Dir;
    QString Sample[3]; // one photo of each kind
    int Count[3] = {};
    std::uint64_t Bytes = 0;

    TPhotoFolder() {
        // Four scenes, each written baseline and progressive; the folder's photos
        // are these with their EXIF blocks, named like a camera's.
        constexpr int kScenes = 4;
        std::vector<TBytes> baseline, progressive, thumbnails;
        for (unsigned s = 0; s < kScenes; ++s) {
            const std::vector<std::uint8_t> rgb = Scene(kWidth, kHeight, s);
            baseline.push_back(Encode(rgb, kWidth, kHeight, false));
            progressive.push_back(Encode(rgb, kWidth, kHeight, true));
            thumbnails.push_back(Encode(Shrunk(rgb, kWidth, kWidth / kThumbWidth), kThumbWidth,
                                        kThumbHeight, false));
        }
        static const int kOrientations[] = {1, 6, 1, 8, 1, 3};
        for (int i = 0; i < kPhotos; ++i) {
            // Half of them as a camera writes them, a quarter progressive (as
            // photo tools save them for the web), a quarter baseline without a
            // thumbnail (as editors save them).
            const TKind kind = i % 4 < 2 ? kExifThumbnail : i % 4 == 2 ? kProgressive : kBaseline;
            const int scene = i % kScenes;
            const int orientation = kOrientations[i % 6];
            const TBytes file =
                kind == kExifThumbnail ? WithExif(baseline[scene], orientation, thumbnails[scene])
                : kind == kProgressive ? WithExif(progressive[scene], orientation, TBytes())
                                       : WithExif(baseline[scene], orientation, TBytes());
            const QString path =
                Dir.filePath(QStringLiteral("DSC_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) ||
                f.write(reinterpret_cast<const char*>(file.data()), qint64(file.size())) !=
                    qint64(file.size()))
                throw std::runtime_error("cannot write the photos");
            if (Sample[kind].isEmpty())
                Sample[kind] = path;
            ++Count[kind];
            Bytes += file.size();
        }
    }
};

TPhotoFolder& Folder() {
    static TPhotoFolder folder;
    return folder;
}

// Every thumbnail of the folder, in view at once, on two reading threads.
void BM_FolderOfPhotos(benchmark::State& state) {
    TPhotoFolder& folder = Folder();
    double longestStall = 0;
    int failed = 0;
    for (auto _ : state) {
        TExplorerModel model(kBox, 2);
        model.Load(folder.Dir.path());
        int done = 0;
        QObject::connect(&model, &TExplorerModel::ItemDecoded, [&](int Index) {
            ++done;
            if (model.State(Index) != TExplorerModel::isReady)
                ++failed;
        });
        QEventLoop loop;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QElapsedTimer clock, sinceTick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestStall = std::max(longestStall, sinceTick.nsecsElapsed() / 1e6 - 1.0);
            sinceTick.restart();
            if (done == model.Count())
                loop.quit();
        });
        clock.start();
        sinceTick.start();
        tick.start();
        model.SetVisibleRange(0, model.Count() - 1);
        loop.exec();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["stall_ms"] = longestStall;
    state.counters["failed"] = failed;
    state.SetLabel(std::to_string(folder.Count[kExifThumbnail]) + " with EXIF thumbnail, " +
                   std::to_string(folder.Count[kProgressive]) + " progressive, " +
                   std::to_string(folder.Count[kBaseline]) + " baseline; " +
                   std::to_string(folder.Bytes >> 20) + " MiB");
}
BENCHMARK(BM_FolderOfPhotos)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// One thumbnail of each kind of photo, on this thread.
void BM_OneThumbnail(benchmark::State& state) {
    const TKind kind = TKind(state.range(0));
    const QString photo = Folder().Sample[kind];
    QString why;
    for (auto _ : state)
        if (TExplorerModel::DecodeThumbnail(photo, kBox, why).isNull())
            state.SkipWithError("the photo cannot be read");
    state.SetLabel(kKindNames[kind]);
}
BENCHMARK(BM_OneThumbnail)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("%d cores\n", QThread::idealThreadCount());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
