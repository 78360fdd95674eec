// Feeds arbitrary bytes to the activity log's parser and checks that the entries
// it finds are written and read back unchanged, one line each.
#include "document/TLogFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::vector<TLogEntry> entries = TLogFile::ParseFileBytes(bytes);
    const QByteArray written = TLogFile::FileBytes(entries);
    if (TLogFile::ParseFileBytes(written) != entries)
        std::abort();
    if (written.count('\n') != static_cast<qsizetype>(entries.size()))
        std::abort();
    for (const TLogEntry& entry : entries) {
        const auto again = TLogFile::ParseLine(TLogFile::EntryLine(entry).chopped(2));
        if (!again || *again != entry)
            std::abort();
        TLogFile::ExportLine(entry);
    }
    return 0;
}
