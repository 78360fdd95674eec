#include "main/uMain.h"

#include "engine/TImgView32.h"
#include "main/TLeftPanel.h"
#include "main/TWelcomeImage.h"
#include "main/uActions.h"
#include "settings/TIniDocument.h"
#include "tests/document/TestFiles.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolBar>

#include <stdexcept>

namespace {

using StartUp = MainWindowTest;
using WindowDocument = MainWindowTest;

TEST_F(StartUp, FirstStartWithoutSettingsOpensTheWelcomePage) {
    auto win = Start();
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Tessellon V2.8.1"));
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Tessellon"));
    EXPECT_EQ(win->frameGeometry().size(), QSize(750, 550));
    EXPECT_FALSE(win->isMaximized());
    EXPECT_TRUE(win->CoolBarMain->isVisible());
    EXPECT_TRUE(win->ToolBarMain->isVisible());
    EXPECT_EQ(win->PageListMain->currentWidget(), win->plWelcome);
    EXPECT_EQ(win->LeftPanel->plLeft->currentWidget(), win->LeftPanel->lpProperties);
    EXPECT_EQ(win->LeftPanel->TabBarLeft->tabText(0), QStringLiteral("Properties "));
    EXPECT_EQ(win->LeftPanel->TabBarLeft->tabText(1), QStringLiteral("Explorer"));
    // No Desktop folder: the welcome page stays white, without a message.
    EXPECT_TRUE(win->ImageBG->Bitmap().IsEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The document at start, and the controls that wait for a canvas.
    EXPECT_TRUE(win->Document().Saved);
    EXPECT_FALSE(win->Document().GridMode);
    EXPECT_TRUE(win->ImgView->Bitmap().IsEmpty());
    for (QWidget* w : {static_cast<QWidget*>(win->LeftPanel->lbScale),
                       static_cast<QWidget*>(win->LeftPanel->ScaleCombo),
                       static_cast<QWidget*>(win->LeftPanel->cbCropped),
                       static_cast<QWidget*>(win->LeftPanel->lbOpacity),
                       static_cast<QWidget*>(win->LeftPanel->LayerOpacity)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(win->LeftPanel->ScaleCombo->currentText(), QStringLiteral("100%"));
    EXPECT_EQ(win->LeftPanel->LayerOpacity->value(), 255);
    EXPECT_EQ(win->StatusPanelText(0), QString());
    EXPECT_EQ(win->StatusPanelText(1), QString());
    // Centred on the screen's work area.
    const QRect area = win->screen()->availableGeometry();
    EXPECT_LE(std::abs(win->frameGeometry().center().x() - area.center().x()), 1);
    EXPECT_LE(std::abs(win->frameGeometry().center().y() - area.center().y()), 1);
}

TEST_F(StartUp, MaximizedWithoutToolbarAndStoredMaximizedAtExit) {
    WriteSetupIni(QStringLiteral("[Setup]\r\nWinState=2\r\nShowToolbar=0\r\nWinWidth=600\r\n"));
    auto win = Start();
    EXPECT_TRUE(win->isMaximized());
    EXPECT_FALSE(win->CoolBarMain->isVisible());
    ASSERT_TRUE(WaitFor([&] { return win->frameGeometry().width() != 600; }));
    const QSize maximized = win->frameGeometry().size();
    win->close();
    const QString ini = ReadSetupIni();
    EXPECT_TRUE(ini.contains(QStringLiteral("WinState=2\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("WinWidth=%1\r\n").arg(maximized.width())));
    EXPECT_TRUE(ini.contains(QStringLiteral("WinHeight=%1\r\n").arg(maximized.height())));
    EXPECT_TRUE(ini.contains(QStringLiteral("ShowToolbar=0\r\n")));
}

TEST_F(StartUp, SettingsRoundTripThroughAStartAndAnExit) {
    WriteSetupIni(QStringLiteral("[Other]\r\nKeep=yes\r\n\r\n"
                                 "[Setup]\r\nWinWidth=700\r\nWinHeight=500\r\nJpgCompress=150\r\n"
                                 "NewBg=-16777201\r\nMyKey=mine\r\n"));
    {
        auto win = Start();
        EXPECT_EQ(win->frameGeometry().size(), QSize(700, 500));
        EXPECT_EQ(IniOption.JpgCompress, 70);
        win->resize(win->size() - QSize(60, 20));
        QCoreApplication::processEvents();
        win->close();
    }
    const QString ini = ReadSetupIni();
    EXPECT_TRUE(ini.startsWith(QStringLiteral("[Other]\r\nKeep=yes\r\n\r\n[Setup]\r\n")));
    for (const char* line :
         {"WinWidth=640\r\n", "WinHeight=480\r\n", "WinState=0\r\n", "JpgCompress=70\r\n",
          "NewBg=-16777201\r\n", "MyKey=mine\r\n", "ShowToolbar=1\r\n"})
        EXPECT_TRUE(ini.contains(QString::fromLatin1(line))) << line;

    IniOption = TIniOption();
    auto again = Start();
    EXPECT_EQ(again->frameGeometry().size(), QSize(640, 480));
    EXPECT_EQ(IniOption.NewBg, -16777201);
}

TEST_F(StartUp, ASettingsFileThatCannotBeReadIsReportedAndTheWindowStillShows) {
    ASSERT_TRUE(QDir(settingsDir.path()).mkdir(QStringLiteral("Setup.ini")));
    TMessageBoxAnswerer box(QMessageBox::Ok);
    auto win = Start();
    ASSERT_TRUE(WaitFor([&] { return box.Seen; }));
    EXPECT_EQ(box.Icon, QMessageBox::Critical);
    EXPECT_TRUE(box.Text.contains(QStringLiteral("Setup.ini"))) << box.Text.toStdString();
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(win->PageListMain->currentWidget(), win->plWelcome);
    EXPECT_EQ(IniOption.WinWidth, 750);
    EXPECT_TRUE(win->Action(QStringLiteral("ActFileNew"))->isEnabled());
    EXPECT_FALSE(win->Action(QStringLiteral("ActSave"))->isEnabled());
}

TEST_F(StartUp, ASettingsFileThatCannotBeReadIsNotOverwrittenAtExit) {
    // Too large to be a settings file, yet the user's: it is left alone.
    QByteArray huge = "[Setup]\r\nWinWidth=640\r\n";
    huge.append(QByteArray(int(kMaxIniFileBytes), ';'));
    WriteFile(SetupIni(), huge);
    TMessageBoxAnswerer box(QMessageBox::Ok);
    auto win = Start();
    ASSERT_TRUE(WaitFor([&] { return box.Seen; }));
    EXPECT_TRUE(box.Text.contains(QStringLiteral("too large"))) << box.Text.toStdString();
    win->close();
    win.reset();
    EXPECT_EQ(ReadAll(SetupIni()), huge) << "the defaults of the run were not written over it";
}

TEST_F(StartUp, WelcomePictureFromTheDesktopFolder) {
    struct Case {
        const char* Name;
        const char* File;    // written into Desktop/ (null: nothing)
        bool Decodable;      // a real picture, or bytes no decoder reads
        const char* Setting; // the DesktopBg line (null: no key)
        bool Loaded;
        bool Error;
    };
    const Case cases[] = {
        {"default name finds the picture whatever its case", "MainBG1.bmp", true, nullptr, true,
         false},
        {"chosen picture", "MainBG3.bmp", true, "DesktopBg=MainBG3.bmp", true, false},
        {"missing picture stays white", "MainBG1.bmp", true, "DesktopBg=Nothing.bmp", false, false},
        {"empty name stays white", "MainBG1.bmp", true, "DesktopBg=", false, false},
        {"a name outside the folder stays white", nullptr, true, "DesktopBg=../outside.bmp", false,
         false},
        {"undecodable picture is reported", "MainBG1.bmp", false, nullptr, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QDir(appDir.path()).removeRecursively();
        QDir().mkpath(appDir.filePath(QStringLiteral("Desktop")));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(QColor(200, 30, 40));
        ASSERT_TRUE(picture.save(appDir.filePath(QStringLiteral("outside.bmp")), "BMP"));
        if (c.File) {
            const QString file = appDir.filePath(QStringLiteral("Desktop/") + c.File);
            if (c.Decodable) {
                ASSERT_TRUE(picture.save(file, "BMP"));
            } else {
                QFile f(file);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write("BM this is no bitmap at all");
            }
        }
        WriteSetupIni(
            QStringLiteral("[Setup]\r\n") +
            (c.Setting ? QString::fromLatin1(c.Setting) + QStringLiteral("\r\n") : QString()));
        IniOption = TIniOption();
        TMessageBoxAnswerer box(QMessageBox::Ok);
        auto win = Start();
        if (c.Error) {
            ASSERT_TRUE(WaitFor([&] { return box.Seen; }));
            EXPECT_FALSE(box.Text.isEmpty());
            EXPECT_EQ(box.Icon, QMessageBox::Critical);
        } else {
            QTest::qWait(20);
            EXPECT_FALSE(box.Seen) << box.Text.toStdString();
        }
        EXPECT_TRUE(win->isVisible());
        EXPECT_EQ(win->PageListMain->currentWidget(), win->plWelcome);
        TBitmap32& bg = win->ImageBG->Bitmap();
        if (c.Loaded) {
            ASSERT_EQ(bg.Width(), 40);
            ASSERT_EQ(bg.Height(), 30);
            EXPECT_EQ(bg.Bits()[0], 0xFFC81E28u);
            EXPECT_EQ(bg.DrawMode(), dmBlend);
        } else if (!c.Error) {
            EXPECT_TRUE(bg.IsEmpty());
        }
    }
}

TEST_F(WindowDocument, GridRebuildShowsTheCanvasAndItsDimension) {
    auto win = Start();
    TMergeDocument& doc = win->Document();
    doc.GridMode = true;
    doc.PicFileList = Pictures(8);
    win->RebuildPicture();
    EXPECT_EQ(win->PageListMain->currentWidget(), win->plImgView);
    EXPECT_EQ(win->StatusPanelText(0), QStringLiteral("Dimension(px): 486 x 890"));
    EXPECT_EQ(win->ImgView->Bitmap().Width(), 486);
    EXPECT_EQ(win->ImgView->Bitmap().Height(), 890);
    // Eight pictures and the selection frame around the last one.
    EXPECT_EQ(win->ImgView->Layers().Count(), 9);
    EXPECT_EQ(doc.SelectedLayer, win->ImgView->Layers().Items(7));
    EXPECT_TRUE(win->LeftPanel->lbScale->isEnabled());
    EXPECT_TRUE(win->LeftPanel->ScaleCombo->isEnabled());
    EXPECT_TRUE(win->LeftPanel->lbOpacity->isEnabled());
    EXPECT_TRUE(win->LeftPanel->LayerOpacity->isEnabled());
    EXPECT_TRUE(win->LeftPanel->cbCropped->isEnabled());
    EXPECT_EQ(win->LeftPanel->LayerOpacity->value(), 255);
    // The wait cursor is gone once the rebuild is over.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Selecting nothing disables the layer controls again.
    win->SelectLayer(nullptr);
    EXPECT_FALSE(win->LeftPanel->lbOpacity->isEnabled());
    EXPECT_FALSE(win->LeftPanel->LayerOpacity->isEnabled());
    EXPECT_FALSE(win->LeftPanel->cbCropped->isEnabled());

    // An empty canvas turns the zoom controls off.
    win->SetCanvas(0, 10, 0xFFFFFFFFu);
    EXPECT_FALSE(win->LeftPanel->lbScale->isEnabled());
    EXPECT_FALSE(win->LeftPanel->ScaleCombo->isEnabled());
    EXPECT_EQ(win->StatusPanelText(0), QStringLiteral("Dimension(px): 0 x 10"));
}

TEST_F(WindowDocument, RebuildComesBackAtTheChosenZoom) {
    auto win = Start();
    TMergeDocument& doc = win->Document();
    doc.GridMode = true;
    doc.PicFileList = Pictures(3);
    win->RebuildPicture();
    win->LeftPanel->ScaleCombo->setEditText(QStringLiteral("200%"));
    win->ImgView->SetScale(0.5f);
    win->RebuildPicture();
    EXPECT_FLOAT_EQ(win->ImgView->Scale(), 2.0f);
    EXPECT_EQ(win->LeftPanel->ScaleCombo->currentText(), QStringLiteral("200%"));

    // An empty picture takes the same road.
    doc.GridMode = false;
    win->RebuildPicture();
    EXPECT_EQ(win->StatusPanelText(0), QStringLiteral("Dimension(px): 480 x 640"));
    EXPECT_EQ(win->ImgView->Layers().Count(), 0);
    EXPECT_FLOAT_EQ(win->ImgView->Scale(), 2.0f);

    // A box text that is no zoom gives way to the zoom there is, which the
    // next rebuild keeps.
    win->LeftPanel->ScaleCombo->setEditText(QStringLiteral("abc"));
    EXPECT_EQ(win->LeftPanel->ScaleCombo->currentText(), QStringLiteral("200%"));
    win->RebuildPicture();
    EXPECT_FLOAT_EQ(win->ImgView->Scale(), 2.0f);
}

TEST_F(WindowDocument, ATimerThatFiresDuringARebuildWaitsForItsEnd) {
    auto win = Start();
    TMergeDocument& doc = win->Document();
    doc.GridMode = true;
    doc.PicFileList = Pictures(6);
    const std::vector<std::string> shorter = Pictures(2);
    // A timer whose tick changes the list and rebuilds, as the picture list's
    // reload timer does; it fires while the first rebuild shows its progress.
    QTimer timer;
    int ticks = 0;
    int layersAtTick = -1;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        timer.stop();
        ++ticks;
        layersAtTick = win->ImgView->Layers().Count();
        doc.PicFileList = shorter;
        win->RebuildPicture();
    });
    timer.start(0);
    win->RebuildPicture();
    EXPECT_EQ(ticks, 1);
    EXPECT_LT(layersAtTick, 6) << "the tick came during the rebuild";
    // The tick's rebuild ran once the first had ended: two pictures and the frame.
    EXPECT_EQ(win->ImgView->Layers().Count(), 3);
    EXPECT_FALSE(doc.Busy());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowDocument, AnErrorOfAViewHandlerIsShownInTheErrorBox) {
    auto win = Start();
    TMergeDocument& doc = win->Document();
    doc.GridMode = true;
    doc.PicFileList = Pictures(1);
    win->RebuildPicture();
    win->ImgView->OnMouseDown = [](TCustomImage32*, TMouseButton, TShiftState, int, int,
                                   TCustomLayer*) {
        throw std::runtime_error("the layer cannot be picked up");
    };
    TMessageBoxAnswerer box(QMessageBox::Ok);
    const TRect r = win->ImgView->BitmapRect();
    QTest::mousePress(win->ImgView, Qt::LeftButton, Qt::NoModifier,
                      QPoint(r.Left + 100, r.Top + 100));
    QTest::mouseRelease(win->ImgView, Qt::LeftButton, Qt::NoModifier,
                        QPoint(r.Left + 100, r.Top + 100));
    ASSERT_TRUE(WaitFor([&] { return box.Seen; }));
    EXPECT_EQ(box.Icon, QMessageBox::Critical);
    EXPECT_EQ(box.Text, QStringLiteral("the layer cannot be picked up"));
    EXPECT_TRUE(win->isVisible()) << "the program goes on";
}

TEST_F(WindowDocument, TheRenderedPictureIgnoresZoomScrollAndFrame) {
    auto win = Start();
    TMergeDocument& doc = win->Document();
    doc.GridMode = true;
    doc.PicFileList = Pictures(5);
    win->RebuildPicture();
    // A half-transparent, moved layer and a zoomed, scrolled view.
    auto* layer = dynamic_cast<TBitmapLayer*>(win->ImgView->Layers().Items(2));
    ASSERT_NE(layer, nullptr);
    layer->Bitmap().SetMasterAlpha(128);
    layer->SetLocation(TRectF{100.0f, 150.0f, 340.0f, 370.0f});
    win->ImgView->SetScale(2.0f);
    win->ImgView->Scroll(37, 51);

    TBitmap32 shown;
    doc.RenderMergedPicture(shown);
    EXPECT_EQ(doc.SelectedLayer, nullptr) << "saving drops the selection";

    // The same layers painted straight onto the canvas, as a tool without a window does.
    TBitmap32 expected;
    expected.SetSize(486, 890);
    TransferBlock(&expected, 0, 0, expected.BoundsRect(), &win->ImgView->Bitmap(),
                  win->ImgView->Bitmap().BoundsRect(), dmOpaque);
    for (int i = 0; i < win->ImgView->Layers().Count(); ++i) {
        auto* l = dynamic_cast<TBitmapLayer*>(win->ImgView->Layers().Items(i));
        if (l && l->Visible())
            TransferBlock(&expected, int(l->Location().Left), int(l->Location().Top),
                          expected.BoundsRect(), &l->Bitmap(), l->Bitmap().BoundsRect(), dmBlend);
    }
    ASSERT_EQ(shown.Width(), 486);
    ASSERT_EQ(shown.Height(), 890);
    EXPECT_TRUE(std::equal(shown.Bits(), shown.Bits() + 486 * 890, expected.Bits()));
}

TEST_F(WindowDocument, ClosingDuringARebuildWaitsForItToStop) {
    auto win = Start();
    TMergeDocument& doc = win->Document();
    IniOption.RowNumber = IniOption.ColNumber = 6;
    doc.GridMode = true;
    doc.LoadThreads = 1;
    doc.PicFileList = Pictures(36);
    // Runs in the first event round of the rebuild, as a close box or a signal would.
    QTimer::singleShot(0, win.get(), &QWidget::close);
    win->RebuildPicture();
    EXPECT_LT(win->ImgView->Layers().Count(), 36) << "the rebuild stops early";
    EXPECT_TRUE(WaitFor([&] { return !win->isVisible(); }));
    EXPECT_TRUE(ReadSetupIni().contains(QStringLiteral("RowNumber=6\r\n")));
}

} // namespace
