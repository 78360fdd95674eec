// Feeds arbitrary bytes to the project reader: it either refuses them with a
// message or gives a project that the writer writes and the reader reads back,
// the second writing the same as the first.
#include "document/uProjectFile.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    const QString file = QStringLiteral("/fuzz/album/project.tessellon");
    TProject project;
    try {
        project = ReadProjectBytes(
            QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), file);
    } catch (const EProjectError&) {
        return 0;
    }
    // What was read is ours: writing it and reading that must work and settle.
    const QByteArray written = WriteProjectBytes(project, file);
    const QByteArray again = WriteProjectBytes(ReadProjectBytes(written, file), file);
    if (again != written)
        std::abort();
    // A file written elsewhere names the same pictures.
    const QString other = QStringLiteral("/elsewhere/p.tessellon");
    if (ProjectFiles(ReadProjectBytes(WriteProjectBytes(project, other), other)) !=
        ProjectFiles(project))
        std::abort();
    return 0;
}
