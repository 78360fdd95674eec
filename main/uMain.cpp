#include "main/uMain.h"

#include "settings/uAppPaths.h"
#include "settings/uIniOption.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>

#include <exception>

namespace {
const char* const kCaption = "Tessellon V2.8.1";
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(kCaption));
    try {
        LoadIniOption(DataPath());
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QApplication::applicationName(),
                              QString::fromStdString(e.what()));
    }
    CorrectOutputOptions(IniOption);
    RestoreWindow();
}

TfrmMain::~TfrmMain() {
    StoreWindow();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    StoreWindow();
    event->accept();
}

void TfrmMain::RestoreWindow() {
    resize(IniOption.WinWidth > 0 ? IniOption.WinWidth : 750,
           IniOption.WinHeight > 0 ? IniOption.WinHeight : 550);
    if (IniOption.WinState == 2)
        setWindowState(Qt::WindowMaximized);
}

void TfrmMain::StoreWindow() {
    if (stored_)
        return;
    stored_ = true;
    if (!isMaximized() && !isMinimized()) {
        IniOption.WinWidth = frameGeometry().width();
        IniOption.WinHeight = frameGeometry().height();
    }
    IniOption.WinState = isMaximized() ? 2 : (isMinimized() ? 1 : 0);
    try {
        SaveIniOption(DataPath());
    } catch (...) {
        // A settings file that cannot be written at exit is not reported; the
        // program ends and the changes of this run are lost.
    }
}
