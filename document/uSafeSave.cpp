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

} // namespace

void SaveFileSafely(const QString& path, const std::function<void(QIODevice&)>& write) {
    if (path.isEmpty())
        throw std::runtime_error("Cannot save: no file name given");
    QSaveFile file(path);
    // Never fall back to writing the target in place.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
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
        if (device.write(data) != data.size())
            Fail(path, device.errorString());
    });
}

void SaveFileSafely(const QString& path, const std::vector<std::uint8_t>& data) {
    SaveFileSafely(path, [&](QIODevice& device) {
        if (device.write(reinterpret_cast<const char*>(data.data()),
                         static_cast<qint64>(data.size())) != static_cast<qint64>(data.size()))
            Fail(path, device.errorString());
    });
}
