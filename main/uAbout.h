// The about box: the program's version, the logo beside the program when there
// is one, and links to the home page and the support address.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TDesktopLauncher;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    // AppFolder is where "leftlogo.bmp" is looked for; the links open
    // through Launcher.
    TfrmAbout(QWidget* Parent, const QString& AppFolder, TDesktopLauncher& Launcher);

    QLabel* ImageLeft;
    QLabel* Image1;
    QLabel* LabelVer;
    QLabel* LinkLabelUrl;
    QLabel* LinkLabelUrlEmail;
    QPushButton* btnAboutYes;

    // The title picture, 240 x 23, drawn on a transparent ground at Scale
    // device pixels per pixel.
    static QImage TitlePicture(qreal Scale = 1);
};
