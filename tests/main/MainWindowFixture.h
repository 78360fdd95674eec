// Helpers for driving the real main window offscreen: one QApplication for the
// whole test executable (made on first use, deleted after the last test), temporary
// settings and program folders, generated picture files, and message boxes
// answered by the test.
#pragma once

#include "main/uDesktopLauncher.h"
#include "main/TExplorerPanel.h"
#include "CommUnit/TPictureOpenDialog.h"
#include "layout/uWizard.h"
#include "main/uLogWindow.h"
#include "main/uMain.h"
#include "main/uOpenPicturesDialog.h"
#include "main/uProjectCommands.h"
#include "main/uSaveDialog.h"
#include "main/uTextInput.h"
#include "settings/uIniOption.h"
#include "tests/engine/GuiApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

inline QApplication* MainTestApp() {
    EnsureGuiApplication();
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    // Closing a window in a test must not end anything.
    app->setQuitOnLastWindowClosed(false);
    return app;
}

// Answers the next modal message box with Button as soon as it is shown, for as
// long as it lives, and keeps what the box showed.
class TMessageBoxAnswerer {
public:
    explicit TMessageBoxAnswerer(QMessageBox::StandardButton Button) : FButton(Button) {
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
        FTimer.start(5);
    }
    TMessageBoxAnswerer(const TMessageBoxAnswerer&) = delete;
    TMessageBoxAnswerer& operator=(const TMessageBoxAnswerer&) = delete;

    bool Seen = false;
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;

private:
    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        FTimer.stop();
        Seen = true;
        Title = box->windowTitle();
        Text = box->text();
        Icon = box->icon();
        Buttons = box->standardButtons();
        if (QAbstractButton* b = box->button(FButton))
            b->click();
        else
            box->reject();
    }

    QMessageBox::StandardButton FButton;
    QTimer FTimer;
};

// Stands in for the printer of the log window: keeps what it was given to print.
class TFakeLogPrinter : public TLogPrinter {
public:
    bool HasPrinter = false;
    QString Title;
    QStringList Printed;
    bool Available() const override { return HasPrinter; }
    void PrintLines(const QString& T, const QStringList& Lines) override {
        Title = T;
        Printed = Lines;
    }
};

// Opens and starts nothing: no test reaches a browser or another program.
class TNoLauncher : public TDesktopLauncher {
public:
    bool OpenUrl(const QUrl&) override { return true; }
    bool StartProgram(const QString&, const QStringList&) override { return true; }
};

// Closes every modal dialog that opens while it lives, as Cancel would: for
// tests that run commands only to see that they run.
class TCloseEveryModal {
public:
    TCloseEveryModal() {
        QObject::connect(&FTimer, &QTimer::timeout, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                d->reject();
        });
        FTimer.start(5);
    }

private:
    QTimer FTimer;
};

// Runs Body on the first modal window of type T once it is shown, then closes
// that window if Body left it open.
template <typename T> class TWhenModal {
public:
    explicit TWhenModal(std::function<void(T&)> Body) : FBody(std::move(Body)) {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!w)
                return;
            FTimer.stop();
            Ran = true;
            FBody(*w);
            if (w->isVisible())
                w->reject();
        });
        FTimer.start(5);
    }
    bool Ran = false;

private:
    std::function<void(T&)> FBody;
    QTimer FTimer;
};

// Lets pending events run until Done() holds or about a second has passed.
template <typename F> bool WaitFor(F Done) {
    for (int i = 0; i < 200 && !Done(); ++i)
        QTest::qWait(5);
    return Done();
}

class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir settingsDir;
    QTemporaryDir appDir;
    QTemporaryDir pictureDir;
    TIniOption savedOption = IniOption;

    void SetUp() override {
        MainTestApp();
        IniOption = TIniOption();
        ASSERT_TRUE(settingsDir.isValid() && appDir.isValid() && pictureDir.isValid());
    }
    void TearDown() override { IniOption = savedOption; }

    std::string SettingsFolder() const { return settingsDir.path().toStdString() + "/"; }
    std::string AppFolder() const { return appDir.path().toStdString() + "/"; }
    QString SetupIni() const { return settingsDir.filePath(QStringLiteral("Setup.ini")); }

    void WriteSetupIni(const QString& Text) const {
        QFile f(SetupIni());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Text.toLatin1());
    }
    QString ReadSetupIni() const {
        QFile f(SetupIni());
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromLatin1(f.readAll());
    }

    // A window created on the temporary folders and shown. No test opens a real
    // file dialog or prints: the save dialogs cancel and the printer is a stand-in
    // until a test says otherwise.
    // TWindow may be a test's own kind of main window.
    template <typename TWindow = TfrmMain> std::unique_ptr<TWindow> Start() {
        auto win = std::make_unique<TWindow>(SettingsFolder(), AppFolder());
        win->SavePicDlg->Chooser = [](TSaveDialog&) { return false; };
        win->OpenPicDlg->Chooser = [](TPictureOpenDialog&, const QString&) { return false; };
        win->Launcher = std::make_shared<TNoLauncher>();
        win->ExplorerPanel->FolderChooser = [](const QString&, QString&) { return false; };
        win->frmTextInput->FontDlg->Chooser = [](TFont&) { return false; };
        // A real drag would wait for the mouse: tests drop by sending events.
        win->ExplorerPanel->DragRunner = [](QDrag&) { return Qt::IgnoreAction; };
        win->frmWizard->SampleDlg->Chooser = [](TPictureOpenDialog&, const QString&) {
            return false;
        };
        win->frmWizard->OpenPicDlg->Chooser = [](TPictureOpenDialog&, const QString&) {
            return false;
        };
        win->Projects->SaveDlg->Chooser = [](TSaveDialog&) { return false; };
        win->Projects->OpenDlg->Chooser = [](TPictureOpenDialog&, const QString&) { return false; };
        win->Projects->FolderChooser = [](const QString&, QString&) { return false; };
        win->LogWindowServices.Printer = std::make_shared<TFakeLogPrinter>();
        win->LogWindowServices.SaveChooser = [](TSaveDialog&) { return false; };
        win->LogWindowServices.Run = [](TFoLog&) {};
        win->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(win.get()) || win->isMinimized());
        QCoreApplication::processEvents();
        return win;
    }

    // Picture files of one colour each, written as PNG.
    std::vector<std::string> Pictures(int Count, int W = 30, int H = 20) {
        std::vector<std::string> files;
        for (int i = 0; i < Count; ++i) {
            QImage img(W, H, QImage::Format_RGB32);
            img.fill(QColor(20 * i, 120, 220));
            const QString name = pictureDir.filePath(QStringLiteral("pic%1.png").arg(i));
            EXPECT_TRUE(img.save(name, "PNG"));
            files.push_back(name.toStdString());
        }
        return files;
    }
};

// A window already started, and its document.
class StartedWindowTest : public MainWindowTest {
protected:
    std::unique_ptr<TfrmMain> win;
    TMergeDocument* doc = nullptr;

    void SetUp() override {
        MainWindowTest::SetUp();
        win = Start();
        doc = &win->Document();
    }
};
