#include "CommUnit/TPictureOpenDialog.h"

TPictureOpenDialog::TPictureOpenDialog(QWidget* Parent, bool Multiple) : QFileDialog(Parent) {
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(Multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    setSizeGripEnabled(true);
}

QStringList TPictureOpenDialog::NameFiltersOf(const QString& Filter) {
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString masks =
            parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        const QString shown = QLatin1Char('(') + masks + QLatin1Char(')');
        filters << (description.endsWith(shown) ? description
                                                : description + QLatin1Char(' ') + shown);
    }
    return filters;
}

bool TPictureOpenDialog::Execute(const QString& Folder) {
    Files.clear();
    if (Chooser)
        return Chooser(*this, Folder) && !Files.isEmpty();
    setDirectory(Folder);
    if (exec() != QDialog::Accepted)
        return false;
    Files = selectedFiles();
    return !Files.isEmpty();
}
