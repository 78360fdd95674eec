// Project files: an editable merge kept on disk as UTF-8 JSON (the format is
// described in document/PROJECT_FORMAT.md). The reader and the writer work on
// a plain TProject; the document turns one into its picture and back.
#pragma once

#include "document/TMergeDocument.h"
#include "document/uLayerSource.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A file that cannot be opened as a project: not one of ours, of a newer
// format, damaged or unreadable. The message is for the user and names the file.
class EProjectError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The format name every project file carries, and the version written.
extern const char* const kProjectFormatName; // "tessellon-project"
constexpr int kProjectFormatVersion = 1;
// The extension of project files, with its dot.
extern const char* const kProjectExtension; // ".tessellon"
// The largest file read as a project.
constexpr qint64 kProjectFileLimit = qint64(64) << 20;
// The most pixels the layers of an opened project (those flattened into the
// canvas too) and the thumbnails of its list may have together: four of the
// largest pictures, so that a small file cannot ask for the memory of thousands.
constexpr std::uint64_t kProjectLayerPixels = 4 * MaxBitmap32Pixels;

struct TProject {
    // A grid (true) or an empty canvas.
    bool GridMode = false;
    // The layout the document goes by (its colours plain): later rebuilds,
    // drops and fits use it.
    TMergeLayout Layout;
    // The picture list in order, as full paths.
    std::vector<std::string> Pictures;
    TCanvasSource Canvas;
    // Every layer from the bottom up, their files as full paths.
    std::vector<TLayerRecord> Layers;

    bool operator==(const TProject& o) const;
    bool operator!=(const TProject& o) const { return !(*this == o); }
};

bool SameLayout(const TMergeLayout& A, const TMergeLayout& B);

// Project as the bytes of the file ProjectFile: the paths of files beside it
// or below its folder relative to that folder, the others absolute.
QByteArray WriteProjectBytes(const TProject& Project, const QString& ProjectFile);
// The project in Bytes, read from the file ProjectFile: relative paths are
// taken from its folder. Throws EProjectError.
TProject ReadProjectBytes(const QByteArray& Bytes, const QString& ProjectFile);

// Reads the file (EProjectError when it cannot be read, too) or writes it
// through a temporary file that replaces it only once complete.
TProject ReadProjectFile(const QString& ProjectFile);
void WriteProjectFile(const TProject& Project, const QString& ProjectFile);

// A file's path as a project in Folder stores it ("/" separators), and the
// full path a stored one stands for.
std::string StoredProjectPath(const std::string& File, const QString& Folder);
std::string FullProjectPath(const std::string& Stored, const QString& Folder);

// Every file the project reads (the list's, the layers' and the flattened
// layers'), each once, in the order first met.
std::vector<std::string> ProjectFiles(const TProject& Project);
// Of Files, those that are not there.
std::vector<std::string> MissingFiles(const std::vector<std::string>& Files);
// For each of Missing, a file of the same name in Folder, where there is one.
std::map<std::string, std::string> FindByName(const std::vector<std::string>& Missing,
                                              const QString& Folder);
// Replaces each file of Project that NewPaths has by its new path.
void RelinkProjectFiles(TProject& Project, const std::map<std::string, std::string>& NewPaths);
