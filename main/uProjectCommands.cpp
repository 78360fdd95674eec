#include "main/uProjectCommands.h"

#include "CommUnit/TPictureOpenDialog.h"
#include "document/uProjectFile.h"
#include "main/uSaveDialog.h"
#include "settings/uIniOption.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <algorithm>

const char* const ProjectFilter = "Tessellon Project (*.tessellon)|*.tessellon";

bool IsProjectFileName(const std::string& File) {
    return QString::fromStdString(File).endsWith(QStringLiteral(".tessellon"), Qt::CaseInsensitive);
}

QString ProjectCaption(const QString& ProgramTitle, const QString& ProjectFile, bool Unsaved) {
    if (ProjectFile.isEmpty())
        return ProgramTitle;
    return QFileInfo(ProjectFile).completeBaseName() + (Unsaved ? QStringLiteral("*") : QString()) +
           QStringLiteral(" - ") + ProgramTitle;
}

namespace {

void PutLayout(TIniOption& Option, const TMergeLayout& Layout) {
    Option.RowNumber = Layout.Grid.RowNumber;
    Option.ColNumber = Layout.Grid.ColNumber;
    Option.ResizeWidth = Layout.Grid.ResizeWidth;
    Option.ResizeHeight = Layout.Grid.ResizeHeight;
    Option.Space = Layout.Grid.Space;
    Option.ResizeType = Layout.ResizeType;
    Option.FillColor = Layout.FillColor;
    Option.NewBg = Layout.NewBg;
    Option.NewWidth = Layout.NewWidth;
    Option.NewHeight = Layout.NewHeight;
}

} // namespace

bool EditLayoutInOption(TIniOption& Option, TMergeLayout& Layout,
                        const std::function<bool()>& Edit) {
    const TMergeLayout own = TMergeLayout::FromOption(Option);
    PutLayout(Option, Layout);
    bool answer = false;
    try {
        answer = Edit();
    } catch (...) {
        Layout = TMergeLayout::FromOption(Option);
        PutLayout(Option, own);
        throw;
    }
    Layout = TMergeLayout::FromOption(Option);
    PutLayout(Option, own);
    return answer;
}

QString FileLines(const QStringList& Files, int Limit) {
    QStringList lines = Files.mid(0, Limit);
    if (Files.size() > Limit)
        lines << QStringLiteral("... and %1 more").arg(Files.size() - Limit);
    return lines.join(QLatin1Char('\n'));
}

namespace {

QStringList ToStrings(const std::vector<std::string>& Files) {
    QStringList list;
    for (const std::string& f : Files)
        list << QString::fromStdString(f);
    return list;
}

} // namespace

TProjectCommands::TProjectCommands(QWidget* Owner, TMergeDocument& Document)
    : FOwner(Owner), FDocument(Document) {
    SaveDlg = new TSaveDialog(Owner, QString::fromLatin1(ProjectFilter), QStringLiteral("*.tessellon"));
    SaveDlg->setObjectName(QStringLiteral("SaveProjectDlg"));
    SaveDlg->setWindowTitle(QStringLiteral("Save Project"));
    SaveDlg->FolderMustExist = true;
    OpenDlg = new TPictureOpenDialog(Owner, false);
    OpenDlg->setObjectName(QStringLiteral("OpenProjectDlg"));
    OpenDlg->setWindowTitle(QStringLiteral("Open Project"));
    OpenDlg->setNameFilters(TPictureOpenDialog::NameFiltersOf(QString::fromLatin1(ProjectFilter)));
}

// The dialogs belong to the owner window.
TProjectCommands::~TProjectCommands() = default;

bool TProjectCommands::Open(const QString& Folder) {
    const QString folder = Attached() ? QFileInfo(FFile).absolutePath() : Folder;
    if (!OpenDlg->Execute(folder))
        return false;
    return OpenFile(OpenDlg->Files.first());
}

bool TProjectCommands::OpenFile(const QString& File) {
    TProject project = ReadProjectFile(File);
    const QString name = QFileInfo(File).completeBaseName();
    const std::vector<std::string> missing = MissingFiles(ProjectFiles(project));
    // The pictures the user already heard are left out.
    QStringList told;
    bool relinked = false;
    if (!missing.empty()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Missing Pictures"),
                        QStringLiteral("The project \"%1\" uses pictures that cannot be found:\n\n"
                                       "%2\n\nLook for them in another folder? Pictures that "
                                       "are not found are left out.")
                            .arg(name, FileLines(ToStrings(missing))),
                        QMessageBox::Yes | QMessageBox::No, FOwner);
        box.setDefaultButton(QMessageBox::Yes);
        const QString start = QFileInfo(File).absolutePath();
        QString folder;
        const bool look = box.exec() == QMessageBox::Yes;
        const bool chosen =
            look && (FolderChooser
                         ? FolderChooser(start, folder)
                         : !(folder = QFileDialog::getExistingDirectory(
                                 FOwner, QStringLiteral("Look for the Pictures in"), start))
                                .isEmpty());
        if (chosen) {
            const auto found = FindByName(missing, folder);
            RelinkProjectFiles(project, found);
            relinked = !found.empty();
        } else {
            told = ToStrings(missing);
        }
    }

    std::vector<std::string> leftOut;
    if (!FDocument.OpenProject(project, leftOut))
        return false;
    FFile = QFileInfo(File).absoluteFilePath();
    FLayout = project.Layout;
    SaveDlg->FileName = FFile;
    // Relinked or left out: the file no longer holds the document as it is.
    if (relinked || !leftOut.empty())
        FDocument.MarkProjectUnsaved();

    QStringList tell;
    for (const QString& file : ToStrings(leftOut))
        if (!told.contains(file))
            tell << file;
    if (!tell.isEmpty())
        QMessageBox(QMessageBox::Information, QStringLiteral("Pictures Left Out"),
                    QStringLiteral("These pictures of the project \"%1\" could not be read and "
                                   "are left out:\n\n%2")
                        .arg(name, FileLines(tell)),
                    QMessageBox::Ok, FOwner)
            .exec();
    return true;
}

bool TProjectCommands::SaveAs() {
    if (!SaveDlg->Execute())
        return false;
    QString file = SaveDlg->FileName;
    if (QFileInfo(file).suffix().isEmpty())
        file += QString::fromLatin1(kProjectExtension);
    SaveTo(file);
    return true;
}

void TProjectCommands::SaveTo(const QString& File) {
    WriteProjectFile(FDocument.Project(), File);
    FFile = QFileInfo(File).absoluteFilePath();
    SaveDlg->FileName = FFile;
    FDocument.MarkProjectSaved();
}

void TProjectCommands::Detach() {
    FFile.clear();
    FLayout.reset();
    FDocument.MarkProjectUnsaved();
}
