#include "document/uSafeSave.h"

#include <QDir>
#include <QSaveFile>

#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void Fail(const QString& path, const QString& why) {
    throw std::runtime_error(QStringLiteral("Cannot save \"%1\": %2")
                                 .arg(QDir::toNativeSeparators(path), why)
                                 .toStdString());
}

// Writes everything, going on after a short write: the write after it fails
// with the system's reason (a full disk, a size limit), which the device keeps.
void WriteAll(const QString& path, QIODevice& device, const char* data, qint64 size) {
    while (size > 0) {
        const qint64 written = device.write(data, size);
        if (written <= 0)
            Fail(path, device.errorString());
        data += written;
        size -= written;
    }
}

} // namespace

void SaveFileSafely(const QString& path, const std::function<void(QIODevice&)>& write) {
    if (path.isEmpty())
        throw std::runtime_error("Cannot save: no file name given");
    QSaveFile file(path);
    // Never fall back to writing the target in place.
    file.setDirectWriteFallback(false);
    // Unbuffered, so that a write that fails (a full disk) fails at once with
    // the system's own reason rather than later in a flush that has lost it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        Fail(path, file.errorString());
    // Should write throw, the QSaveFile's destructor discards the temporary file.
    write(file);
    if (file.error() != QFileDevice::NoError)
        Fail(path, file.errorString());
    if (!file.commit())
        Fail(path, file.errorString());
}

void SaveFileSafely(const QString& path, const QByteArray& data) {
    SaveFileSafely(path, [&](QIODevice& device) {
        WriteAll(path, device, data.constData(), data.size());
    });
}

void SaveFileSafely(const QString& path, const std::vector<std::uint8_t>& data) {
    SaveFileSafely(path, [&](QIODevice& device) {
        WriteAll(path, device, reinterpret_cast<const char*>(data.data()),
                 static_cast<qint64>(data.size()));
    });
}
