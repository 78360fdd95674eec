// Feeds arbitrary bytes through both picture loaders, as a file whose extension
// the first byte chooses, and checks that a successful load is self-consistent.
#include "codecs/uCodecRegistry.h"
#include "codecs/uJpegReader.h"
#include "pictures/TPicturePrefetcher.h"
#include "pictures/uPicLib.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
const char* const kExtensions[] = {"png", "jpg", "gif", "bmp", "tif", "psd", "pic", "tga",
                                   "pcx", "sgi", "ppm", "ico", "rle", "cel", "pdd", "fax"};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > (1 << 20))
        return 0;
    static QTemporaryDir dir;
    const char* ext = kExtensions[data[0] % (sizeof kExtensions / sizeof kExtensions[0])];
    const QString path = dir.filePath(QStringLiteral("input.") + QLatin1String(ext));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    }
    const std::string name = path.toStdString();
    ProgressiveJpegCoefficientBytes(name);
    TPrefetchRequest request;
    request.File = name;
    request.CellWidth = 9;
    request.CellHeight = 7;
    request.FitType = data[0] & 1;
    request.Thumbnail = (data[0] & 0x10) != 0;
    TPreparedPicture prepared;
    PreparePicture(request, prepared);
    TBitmap32 b32;
    if (LoadPictureToBitmap32(name, b32) && b32.Width() * std::int64_t(b32.Height()) == 0)
        std::abort();
    TBitmap b;
    if (LoadPictureToBitmap(name, b)) {
        if (b.Empty())
            std::abort();
        FitPicture(b, 7, 5, 1, 0);
    }
    return 0;
}
