// Replacing a file without ever leaving it half written: the new content goes to
// a temporary file in the target's folder, which is renamed over the target only
// once everything has been written and flushed. When anything fails the target
// keeps its previous content (or stays absent) and the temporary file is removed.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QIODevice;

// Writes the file through the given function, which writes to the device it is
// handed and may throw. Throws std::runtime_error whose message names the file
// when the file cannot be created, written or put in place; an exception of the
// write function passes through unchanged. An existing file's permissions are kept.
void SaveFileSafely(const QString& path, const std::function<void(QIODevice&)>& write);

void SaveFileSafely(const QString& path, const QByteArray& data);
void SaveFileSafely(const QString& path, const std::vector<std::uint8_t>& data);
