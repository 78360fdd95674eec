#include "document/uProjectFile.h"

#include "document/uSafeSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

const char* const kProjectFormatName = "tessellon-project";
const char* const kProjectExtension = ".tessellon";

bool SameLayout(const TMergeLayout& A, const TMergeLayout& B) {
    return SameGrid(A.Grid, B.Grid) && A.ResizeType == B.ResizeType &&
           A.FillColor == B.FillColor && A.NewBg == B.NewBg && A.NewWidth == B.NewWidth &&
           A.NewHeight == B.NewHeight;
}

bool TProject::operator==(const TProject& o) const {
    return GridMode == o.GridMode && SameLayout(Layout, o.Layout) && Pictures == o.Pictures &&
           Canvas == o.Canvas && Layers == o.Layers;
}

// ---- Paths ----

namespace {

QString Folder(const QString& ProjectFile) {
    return QFileInfo(ProjectFile).absolutePath();
}

QString NativeName(const QString& File) {
    return QDir::toNativeSeparators(File);
}

} // namespace

std::string StoredProjectPath(const std::string& File, const QString& Folder) {
    const QString full = QDir::cleanPath(QFileInfo(QString::fromStdString(File)).absoluteFilePath());
    const QString relative = QDir(Folder).relativeFilePath(full);
    // Beside the project or below its folder: relative, so that the folder can
    // move with its pictures. Anywhere else (another drive too): absolute.
    const bool below = !relative.isEmpty() && relative != QLatin1String(".") &&
                       relative != QLatin1String("..") &&
                       !relative.startsWith(QLatin1String("../")) &&
                       QDir::isRelativePath(relative);
    return QDir::fromNativeSeparators(below ? relative : full).toStdString();
}

std::string FullProjectPath(const std::string& Stored, const QString& Folder) {
    const QString path = QDir::fromNativeSeparators(QString::fromStdString(Stored));
    const QString full = QDir::isRelativePath(path) ? QDir(Folder).filePath(path) : path;
    return QDir::toNativeSeparators(QDir::cleanPath(full)).toStdString();
}

// ---- Writing ----

namespace {

QString ColourText(TColor Color) {
    const std::uint32_t c = std::uint32_t(PlainColor(Color));
    return QStringLiteral("#%1%2%3")
        .arg(c & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((c >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((c >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString Colour32Text(TColor32 Color) {
    const int digits = (Color >> 24) == 0xFF ? 6 : 8;
    const std::uint32_t value = digits == 6 ? (Color & 0xFFFFFFu) : Color;
    return QLatin1Char('#') + QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

const struct {
    TLayerEdit Edit;
    const char* Word;
} kEditWords[] = {
    {TLayerEdit::FlipHorizontal, "flip-horizontal"},
    {TLayerEdit::FlipVertical, "flip-vertical"},
    {TLayerEdit::Turn90, "turn-90"},
    {TLayerEdit::Turn180, "turn-180"},
    {TLayerEdit::Turn270, "turn-270"},
};

const struct {
    TFontStyle Style;
    const char* Word;
} kStyleWords[] = {
    {fsBold, "bold"},
    {fsItalic, "italic"},
    {fsUnderline, "underline"},
    {fsStrikeOut, "strikeout"},
};

QJsonObject GridObject(const TGridLayout& Grid) {
    QJsonObject o;
    o[QStringLiteral("rows")] = Grid.RowNumber;
    o[QStringLiteral("columns")] = Grid.ColNumber;
    o[QStringLiteral("cellWidth")] = Grid.ResizeWidth;
    o[QStringLiteral("cellHeight")] = Grid.ResizeHeight;
    o[QStringLiteral("gap")] = Grid.Space;
    return o;
}

QJsonObject LayerObject(const TLayerRecord& Layer, const QString& Folder) {
    const TLayerSource& s = Layer.Source;
    if (s.Kind == TLayerSource::TKind::Unknown)
        throw std::runtime_error("The picture holds a layer that a project cannot keep.");
    QJsonObject source;
    if (s.Kind == TLayerSource::TKind::Picture) {
        source[QStringLiteral("picture")] = QString::fromStdString(StoredProjectPath(s.File, Folder));
        if (s.Fitted) {
            QJsonObject fit;
            fit[QStringLiteral("cellWidth")] = s.CellWidth;
            fit[QStringLiteral("cellHeight")] = s.CellHeight;
            fit[QStringLiteral("fitType")] = s.FitType;
            fit[QStringLiteral("fill")] = ColourText(s.FillColor);
            source[QStringLiteral("fit")] = fit;
        }
    } else {
        source[QStringLiteral("text")] = s.Text;
        QJsonObject font;
        font[QStringLiteral("name")] = s.Font.Name;
        font[QStringLiteral("size")] = s.Font.Size;
        QJsonArray style;
        for (const auto& w : kStyleWords)
            if (s.Font.Style & w.Style)
                style.append(QString::fromLatin1(w.Word));
        font[QStringLiteral("style")] = style;
        // The text is drawn in the colour's red, green and blue alone.
        font[QStringLiteral("colour")] = ColourText(TColor(std::uint32_t(s.Font.Color) & 0xFFFFFFu));
        source[QStringLiteral("font")] = font;
    }
    QJsonArray edits;
    for (TLayerEdit e : s.Edits)
        for (const auto& w : kEditWords)
            if (w.Edit == e)
                edits.append(QString::fromLatin1(w.Word));
    QJsonObject o;
    o[QStringLiteral("source")] = source;
    o[QStringLiteral("edits")] = edits;
    // Floats are exact in doubles, and doubles are written to read back the same.
    o[QStringLiteral("location")] = QJsonArray{double(Layer.Location.Left), double(Layer.Location.Top),
                                               double(Layer.Location.Right),
                                               double(Layer.Location.Bottom)};
    o[QStringLiteral("opacity")] = Layer.Opacity;
    o[QStringLiteral("visible")] = Layer.Visible;
    o[QStringLiteral("cropped")] = Layer.Cropped;
    o[QStringLiteral("scaled")] = Layer.Scaled;
    o[QStringLiteral("tag")] = Layer.Tag;
    return o;
}

QJsonArray LayerArray(const std::vector<TLayerRecord>& Layers, const QString& Folder) {
    QJsonArray a;
    for (const TLayerRecord& layer : Layers)
        a.append(LayerObject(layer, Folder));
    return a;
}

} // namespace

QByteArray WriteProjectBytes(const TProject& Project, const QString& ProjectFile) {
    const QString folder = Folder(ProjectFile);
    QJsonObject root;
    root[QStringLiteral("format")] = QString::fromLatin1(kProjectFormatName);
    root[QStringLiteral("version")] = kProjectFormatVersion;
    root[QStringLiteral("mode")] = Project.GridMode ? QStringLiteral("grid") : QStringLiteral("empty");

    const TMergeLayout& l = Project.Layout;
    QJsonObject layout = GridObject(l.Grid);
    layout[QStringLiteral("fitType")] = l.ResizeType;
    layout[QStringLiteral("fill")] = ColourText(l.FillColor);
    layout[QStringLiteral("background")] = ColourText(l.NewBg);
    layout[QStringLiteral("canvasWidth")] = l.NewWidth;
    layout[QStringLiteral("canvasHeight")] = l.NewHeight;
    root[QStringLiteral("layout")] = layout;

    QJsonArray pictures;
    for (const std::string& file : Project.Pictures)
        pictures.append(QString::fromStdString(StoredProjectPath(file, folder)));
    root[QStringLiteral("pictures")] = pictures;

    const TCanvasSource& c = Project.Canvas;
    QJsonObject canvas;
    canvas[QStringLiteral("width")] = c.Width;
    canvas[QStringLiteral("height")] = c.Height;
    canvas[QStringLiteral("background")] = Colour32Text(c.Background);
    if (c.Guides)
        canvas[QStringLiteral("guides")] = GridObject(c.Grid);
    canvas[QStringLiteral("flattened")] = LayerArray(c.Flattened, folder);
    root[QStringLiteral("canvas")] = canvas;

    root[QStringLiteral("layers")] = LayerArray(Project.Layers, folder);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void WriteProjectFile(const TProject& Project, const QString& ProjectFile) {
    // Made in full before the file is touched: a layer that cannot be kept
    // leaves the old file as it was.
    const QByteArray bytes = WriteProjectBytes(Project, ProjectFile);
    SaveFileSafely(ProjectFile, bytes);
}

// ---- Reading ----

namespace {

// Reads the values of one file, each fault named by its place in the file.
class TProjectReader {
public:
    TProjectReader(const QString& ProjectFile)
        : FFile(NativeName(ProjectFile)), FFolder(Folder(ProjectFile)) {}

    [[noreturn]] void Damaged(const QString& What) const {
        throw EProjectError(QStringLiteral("The project \"%1\" is damaged: %2.")
                                .arg(FFile, What)
                                .toStdString());
    }

    QJsonValue Need(const QJsonObject& Object, const QString& Path, const char* Key) const {
        const QJsonValue v = Object.value(QLatin1String(Key));
        if (v.isUndefined())
            Damaged(Join(Path, Key) + QStringLiteral(" is missing"));
        return v;
    }
    static QString Join(const QString& Path, const char* Key) {
        return Path.isEmpty() ? QString::fromLatin1(Key) : Path + QLatin1Char('.') + QLatin1String(Key);
    }
    static QString At(const QString& Path, qsizetype Index) {
        return Path + QStringLiteral("[%1]").arg(Index);
    }

    QJsonObject Object(const QJsonValue& V, const QString& Path) const {
        if (!V.isObject())
            Damaged(Path + QStringLiteral(" is not an object"));
        return V.toObject();
    }
    QJsonArray Array(const QJsonValue& V, const QString& Path) const {
        if (!V.isArray())
            Damaged(Path + QStringLiteral(" is not a list"));
        return V.toArray();
    }
    QString Text(const QJsonValue& V, const QString& Path) const {
        if (!V.isString())
            Damaged(Path + QStringLiteral(" is not a text"));
        return V.toString();
    }
    bool Flag(const QJsonValue& V, const QString& Path) const {
        if (!V.isBool())
            Damaged(Path + QStringLiteral(" is not true or false"));
        return V.toBool();
    }
    std::int32_t Whole(const QJsonValue& V, const QString& Path,
                       double Low = std::numeric_limits<std::int32_t>::min(),
                       double High = std::numeric_limits<std::int32_t>::max()) const {
        if (!V.isDouble())
            Damaged(Path + QStringLiteral(" is not a number"));
        const double d = V.toDouble();
        if (!(d >= Low && d <= High) || d != std::floor(d))
            Damaged(Path + QStringLiteral(" is not a whole number from %1 to %2")
                               .arg(qint64(Low))
                               .arg(qint64(High)));
        return std::int32_t(d);
    }
    float Real(const QJsonValue& V, const QString& Path) const {
        if (!V.isDouble())
            Damaged(Path + QStringLiteral(" is not a number"));
        const double d = V.toDouble();
        if (!std::isfinite(d) || std::fabs(d) > double(std::numeric_limits<float>::max()))
            Damaged(Path + QStringLiteral(" is out of range"));
        return float(d);
    }
    // "#RRGGBB", or "#AARRGGBB" when Alpha; the value as 0xAARRGGBB (alpha
    // 0xFF for six digits).
    std::uint32_t Hex(const QJsonValue& V, const QString& Path, bool Alpha) const {
        const QString t = Text(V, Path);
        bool ok = (t.size() == 7 || (Alpha && t.size() == 9)) && t.startsWith(QLatin1Char('#'));
        for (qsizetype i = 1; ok && i < t.size(); ++i)
            ok = std::isxdigit(static_cast<unsigned char>(t[i].toLatin1())) != 0 &&
                 t[i].unicode() < 128;
        if (!ok)
            Damaged(Path + QStringLiteral(" is not a colour like #RRGGBB"));
        const std::uint32_t v = t.mid(1).toUInt(nullptr, 16);
        return t.size() == 7 ? (0xFF000000u | v) : v;
    }
    TColor Colour(const QJsonValue& V, const QString& Path) const {
        const std::uint32_t c = Hex(V, Path, false);
        return TColor(((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16));
    }
    std::string File(const QJsonValue& V, const QString& Path) const {
        const QString t = Text(V, Path);
        if (t.isEmpty())
            Damaged(Path + QStringLiteral(" is empty"));
        return FullProjectPath(t.toStdString(), FFolder);
    }

    TGridLayout Grid(const QJsonObject& O, const QString& Path) const {
        TGridLayout g;
        g.RowNumber = Whole(Need(O, Path, "rows"), Join(Path, "rows"));
        g.ColNumber = Whole(Need(O, Path, "columns"), Join(Path, "columns"));
        g.ResizeWidth = Whole(Need(O, Path, "cellWidth"), Join(Path, "cellWidth"));
        g.ResizeHeight = Whole(Need(O, Path, "cellHeight"), Join(Path, "cellHeight"));
        g.Space = Whole(Need(O, Path, "gap"), Join(Path, "gap"));
        return g;
    }

    TLayerRecord Layer(const QJsonValue& V, const QString& Path) const {
        const QJsonObject o = Object(V, Path);
        TLayerRecord r;
        const QString sourcePath = Join(Path, "source");
        const QJsonObject source = Object(Need(o, Path, "source"), sourcePath);
        const bool picture = source.contains(QLatin1String("picture"));
        if (picture == source.contains(QLatin1String("text")))
            Damaged(sourcePath + QStringLiteral(" needs either a picture or a text"));
        TLayerSource& s = r.Source;
        if (picture) {
            s.Kind = TLayerSource::TKind::Picture;
            s.File = File(source.value(QLatin1String("picture")), Join(sourcePath, "picture"));
            const QJsonValue fitValue = source.value(QLatin1String("fit"));
            if (!fitValue.isUndefined()) {
                const QString fitPath = Join(sourcePath, "fit");
                const QJsonObject fit = Object(fitValue, fitPath);
                s.Fitted = true;
                s.CellWidth = Whole(Need(fit, fitPath, "cellWidth"), Join(fitPath, "cellWidth"), 0);
                s.CellHeight =
                    Whole(Need(fit, fitPath, "cellHeight"), Join(fitPath, "cellHeight"), 0);
                s.FitType = Whole(Need(fit, fitPath, "fitType"), Join(fitPath, "fitType"));
                s.FillColor = Colour(Need(fit, fitPath, "fill"), Join(fitPath, "fill"));
            }
        } else {
            s.Kind = TLayerSource::TKind::Text;
            s.Text = Text(source.value(QLatin1String("text")), Join(sourcePath, "text"));
            const QString fontPath = Join(sourcePath, "font");
            const QJsonObject font = Object(Need(source, sourcePath, "font"), fontPath);
            s.Font = TFont();
            s.Font.Name = Text(Need(font, fontPath, "name"), Join(fontPath, "name"));
            s.Font.Size = Whole(Need(font, fontPath, "size"), Join(fontPath, "size"), 1, 4096);
            s.Font.Color = Colour(Need(font, fontPath, "colour"), Join(fontPath, "colour"));
            s.Font.Style = 0;
            const QJsonValue style = font.value(QLatin1String("style"));
            if (!style.isUndefined()) {
                const QString stylePath = Join(fontPath, "style");
                const QJsonArray words = Array(style, stylePath);
                for (qsizetype i = 0; i < words.size(); ++i) {
                    const QString word = Text(words[i], At(stylePath, i));
                    bool known = false;
                    for (const auto& w : kStyleWords)
                        if (word == QLatin1String(w.Word)) {
                            s.Font.Style |= w.Style;
                            known = true;
                        }
                    if (!known)
                        Damaged(At(stylePath, i) + QStringLiteral(" is not a font style"));
                }
            }
        }
        const QJsonValue edits = o.value(QLatin1String("edits"));
        if (!edits.isUndefined()) {
            const QString editsPath = Join(Path, "edits");
            const QJsonArray words = Array(edits, editsPath);
            for (qsizetype i = 0; i < words.size(); ++i) {
                const QString word = Text(words[i], At(editsPath, i));
                bool known = false;
                for (const auto& w : kEditWords)
                    if (word == QLatin1String(w.Word)) {
                        s.Edits.push_back(w.Edit);
                        known = true;
                    }
                if (!known)
                    Damaged(At(editsPath, i) + QStringLiteral(" is not an edit"));
            }
        }
        const QString locationPath = Join(Path, "location");
        const QJsonArray location = Array(Need(o, Path, "location"), locationPath);
        if (location.size() != 4)
            Damaged(locationPath + QStringLiteral(" needs four numbers: left, top, right, bottom"));
        r.Location.Left = Real(location[0], At(locationPath, 0));
        r.Location.Top = Real(location[1], At(locationPath, 1));
        r.Location.Right = Real(location[2], At(locationPath, 2));
        r.Location.Bottom = Real(location[3], At(locationPath, 3));
        if (o.contains(QLatin1String("opacity")))
            r.Opacity = Whole(o.value(QLatin1String("opacity")), Join(Path, "opacity"), 0, 255);
        if (o.contains(QLatin1String("visible")))
            r.Visible = Flag(o.value(QLatin1String("visible")), Join(Path, "visible"));
        if (o.contains(QLatin1String("cropped")))
            r.Cropped = Flag(o.value(QLatin1String("cropped")), Join(Path, "cropped"));
        if (o.contains(QLatin1String("scaled")))
            r.Scaled = Flag(o.value(QLatin1String("scaled")), Join(Path, "scaled"));
        if (o.contains(QLatin1String("tag")))
            r.Tag = Whole(o.value(QLatin1String("tag")), Join(Path, "tag"));
        return r;
    }

    std::vector<TLayerRecord> Layers(const QJsonValue& V, const QString& Path) const {
        const QJsonArray a = Array(V, Path);
        std::vector<TLayerRecord> layers;
        layers.reserve(std::size_t(a.size()));
        for (qsizetype i = 0; i < a.size(); ++i)
            layers.push_back(Layer(a[i], At(Path, i)));
        return layers;
    }

    TProject Project(const QJsonObject& Root) const {
        TProject p;
        const QString mode = Text(Need(Root, QString(), "mode"), QStringLiteral("mode"));
        if (mode != QLatin1String("grid") && mode != QLatin1String("empty"))
            Damaged(QStringLiteral("mode is neither \"grid\" nor \"empty\""));
        p.GridMode = mode == QLatin1String("grid");

        const QString lp = QStringLiteral("layout");
        const QJsonObject layout = Object(Need(Root, QString(), "layout"), lp);
        p.Layout.Grid = Grid(layout, lp);
        p.Layout.ResizeType = Whole(Need(layout, lp, "fitType"), Join(lp, "fitType"));
        p.Layout.FillColor = Colour(Need(layout, lp, "fill"), Join(lp, "fill"));
        p.Layout.NewBg = Colour(Need(layout, lp, "background"), Join(lp, "background"));
        p.Layout.NewWidth = Whole(Need(layout, lp, "canvasWidth"), Join(lp, "canvasWidth"));
        p.Layout.NewHeight = Whole(Need(layout, lp, "canvasHeight"), Join(lp, "canvasHeight"));

        const QJsonArray pictures =
            Array(Need(Root, QString(), "pictures"), QStringLiteral("pictures"));
        for (qsizetype i = 0; i < pictures.size(); ++i)
            p.Pictures.push_back(File(pictures[i], At(QStringLiteral("pictures"), i)));

        const QString cp = QStringLiteral("canvas");
        const QJsonObject canvas = Object(Need(Root, QString(), "canvas"), cp);
        p.Canvas.Width = Whole(Need(canvas, cp, "width"), Join(cp, "width"), 0);
        p.Canvas.Height = Whole(Need(canvas, cp, "height"), Join(cp, "height"), 0);
        p.Canvas.Background = Hex(Need(canvas, cp, "background"), Join(cp, "background"), true);
        const QJsonValue guides = canvas.value(QLatin1String("guides"));
        if (!guides.isUndefined()) {
            p.Canvas.Guides = true;
            p.Canvas.Grid = Grid(Object(guides, Join(cp, "guides")), Join(cp, "guides"));
        }
        const QJsonValue flattened = canvas.value(QLatin1String("flattened"));
        if (!flattened.isUndefined())
            p.Canvas.Flattened = Layers(flattened, Join(cp, "flattened"));

        p.Layers = Layers(Need(Root, QString(), "layers"), QStringLiteral("layers"));
        return p;
    }

    const QString& FileName() const { return FFile; }

private:
    QString FFile;
    QString FFolder;
};

} // namespace

TProject ReadProjectBytes(const QByteArray& Bytes, const QString& ProjectFile) {
    const TProjectReader reader(ProjectFile);
    const QString file = reader.FileName();
    const auto notOurs = [&] {
        return EProjectError(
            QStringLiteral("\"%1\" is not a Tessellon project.").arg(file).toStdString());
    };
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(Bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        // A file that names our format near its start was one of ours.
        if (!Bytes.left(4096).contains(kProjectFormatName))
            throw notOurs();
        reader.Damaged(QStringLiteral("%1 at byte %2").arg(error.errorString()).arg(error.offset));
    }
    if (!doc.isObject())
        throw notOurs();
    const QJsonObject root = doc.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(kProjectFormatName))
        throw notOurs();
    const QJsonValue version = root.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) ||
        version.toDouble() < 1)
        reader.Damaged(QStringLiteral("its format version is not a whole number from 1 up"));
    if (version.toDouble() > kProjectFormatVersion)
        throw EProjectError(
            QStringLiteral("\"%1\" was saved by a newer version of Tessellon (project format %2); "
                           "this version opens project format %3.")
                .arg(file)
                .arg(version.toDouble(), 0, 'f', 0)
                .arg(kProjectFormatVersion)
                .toStdString());
    return reader.Project(root);
}

TProject ReadProjectFile(const QString& ProjectFile) {
    // A pipe or a device is never opened: the open would wait for a writer,
    // and a read might never end.
    const QFileInfo info(ProjectFile);
    if (info.exists() && !info.isFile())
        throw EProjectError(QStringLiteral("Cannot open the project \"%1\": it is not a file.")
                                .arg(NativeName(ProjectFile))
                                .toStdString());
    QFile f(ProjectFile);
    if (!f.open(QIODevice::ReadOnly))
        throw EProjectError(QStringLiteral("Cannot open the project \"%1\": %2.")
                                .arg(NativeName(ProjectFile), f.errorString())
                                .toStdString());
    const auto tooLarge = [&] {
        return EProjectError(QStringLiteral("\"%1\" is too large to be a Tessellon project.")
                                 .arg(NativeName(ProjectFile))
                                 .toStdString());
    };
    if (f.size() > kProjectFileLimit)
        throw tooLarge();
    // Read up to the limit whatever the size said: a file may grow meanwhile.
    const QByteArray bytes = f.read(kProjectFileLimit + 1);
    if (bytes.size() > kProjectFileLimit)
        throw tooLarge();
    if (f.error() != QFileDevice::NoError)
        throw EProjectError(QStringLiteral("Cannot read the project \"%1\": %2.")
                                .arg(NativeName(ProjectFile), f.errorString())
                                .toStdString());
    return ReadProjectBytes(bytes, ProjectFile);
}

// ---- Files ----

std::vector<std::string> ProjectFiles(const TProject& Project) {
    std::vector<std::string> files;
    std::set<std::string> seen;
    const auto add = [&](const std::string& file) {
        if (seen.insert(file).second)
            files.push_back(file);
    };
    for (const std::string& file : Project.Pictures)
        add(file);
    for (const auto* layers : {&Project.Canvas.Flattened, &Project.Layers})
        for (const TLayerRecord& layer : *layers)
            if (layer.Source.Kind == TLayerSource::TKind::Picture)
                add(layer.Source.File);
    return files;
}

std::vector<std::string> MissingFiles(const std::vector<std::string>& Files) {
    std::vector<std::string> missing;
    for (const std::string& file : Files)
        if (!QFileInfo(QString::fromStdString(file)).isFile())
            missing.push_back(file);
    return missing;
}

std::map<std::string, std::string> FindByName(const std::vector<std::string>& Missing,
                                              const QString& Folder) {
    std::map<std::string, std::string> found;
    const QDir dir(Folder);
    for (const std::string& file : Missing) {
        const QString name = QFileInfo(QString::fromStdString(file)).fileName();
        if (name.isEmpty())
            continue;
        const QString candidate = dir.filePath(name);
        if (QFileInfo(candidate).isFile())
            found[file] = QDir::toNativeSeparators(QDir::cleanPath(candidate)).toStdString();
    }
    return found;
}

void RelinkProjectFiles(TProject& Project, const std::map<std::string, std::string>& NewPaths) {
    const auto relink = [&](std::string& file) {
        const auto found = NewPaths.find(file);
        if (found != NewPaths.end())
            file = found->second;
    };
    for (std::string& file : Project.Pictures)
        relink(file);
    for (auto* layers : {&Project.Canvas.Flattened, &Project.Layers})
        for (TLayerRecord& layer : *layers)
            if (layer.Source.Kind == TLayerSource::TKind::Picture)
                relink(layer.Source.File);
}
