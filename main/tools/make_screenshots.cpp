// Takes the pictures of the user manual from the real program: the main window
// is driven offscreen through its commands and dialogs, on a grid and an empty
// picture made of generated pictures, and each view is written as a PNG into
// the folder given as the only argument. Run it with QT_QPA_PLATFORM=offscreen
// from the build folder, beside the program's welcome pictures
// (scripts/make-screenshots.sh does both).
#include "CommUnit/TPictureOpenDialog.h"
#include "CommUnit/TThumbnailViewer.h"
#include "engine/TImgView32.h"
#include "layout/uResetPic.h"
#include "layout/uWizard.h"
#include "main/TExplorerPanel.h"
#include "main/TLeftPanel.h"
#include "main/uDesktopLauncher.h"
#include "main/uMain.h"
#include "main/uTextInput.h"
#include "pictures/uPicLib.h"
#include "settings/uAppPaths.h"
#include "settings/uOption.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QSlider>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Opens nothing: the screenshots never reach a browser or another program.
class TNoLauncher : public TDesktopLauncher {
public:
    bool OpenUrl(const QUrl&) override { return true; }
    bool StartProgram(const QString&, const QStringList&) override { return true; }
};

QString gOutput;

void Fail(const QString& Why) {
    std::fprintf(stderr, "make_screenshots: %s\n", Why.toLocal8Bit().constData());
    std::exit(1);
}

// Lets the program run until Done holds; fails after Seconds.
void WaitUntil(const std::function<bool()>& Done, const char* What, int Seconds = 20) {
    QElapsedTimer clock;
    clock.start();
    while (!Done()) {
        if (clock.elapsed() > Seconds * 1000)
            Fail(QStringLiteral("timed out waiting for ") + QString::fromLatin1(What));
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

void Settle(int Ms = 150) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < Ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Writes the widget as it is painted now, at its own size, with the strongest
// compression: the manual ships these files.
void Shot(QWidget* Widget, const char* Name) {
    Settle();
    const QImage image = Widget->grab().toImage().convertToFormat(QImage::Format_RGB888);
    QImageWriter writer(QDir(gOutput).filePath(QString::fromLatin1(Name)), "png");
    // Qt's PNG writer takes its zlib level from the quality: 0 packs hardest.
    writer.setQuality(0);
    if (!writer.write(image))
        Fail(QStringLiteral("cannot write ") + QString::fromLatin1(Name) + QStringLiteral(": ") +
             writer.errorString());
    std::printf("%s %dx%d\n", Name, image.width(), image.height());
}

// Runs Body on the first modal window of type T once it is up, while Trigger
// (which opens it) waits for it to close.
template <typename T> void OnModal(const std::function<void()>& Trigger,
                                   const std::function<void(T&)>& Body) {
    bool ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!w || ran)
            return;
        ran = true;
        poll.stop();
        Settle();
        Body(*w);
        if (w->isVisible())
            w->reject();
    });
    // The New command first asks whether to save the current picture: no.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            if (QAbstractButton* no = box->button(QMessageBox::No))
                no->click();
    });
    answer.start(20);
    poll.start(20);
    Trigger();
    if (!ran)
        Fail(QStringLiteral("a dialog did not open"));
}

// A small flat scene: sky, a sun or moon, two rows of hills and a few shapes,
// in one of eight colour schemes. Flat colours keep the manual's files small.
QImage Scene(int Index, int W, int H) {
    struct TScheme {
        QColor Sky, Sun, Far, Near, Extra;
    };
    const TScheme schemes[] = {
        {QColor(0xF6, 0xC2, 0x8B), QColor(0xFF, 0xF1, 0xB8), QColor(0xC9, 0x6A, 0x5A),
         QColor(0x7A, 0x3E, 0x48), QColor(0x4A, 0x2A, 0x3A)},
        {QColor(0x9E, 0xD8, 0xF0), QColor(0xFF, 0xE0, 0x6A), QColor(0x3F, 0x8F, 0xC0),
         QColor(0x1E, 0x5F, 0x8C), QColor(0xF2, 0xE2, 0xB0)},
        {QColor(0xCF, 0xE8, 0xC8), QColor(0xFF, 0xFF, 0xE8), QColor(0x6D, 0xA5, 0x5B),
         QColor(0x2F, 0x6B, 0x3A), QColor(0x8B, 0x5A, 0x2B)},
        {QColor(0x22, 0x2B, 0x4E), QColor(0xF0, 0xF0, 0xD8), QColor(0x3B, 0x47, 0x78),
         QColor(0x17, 0x1C, 0x33), QColor(0xFF, 0xD8, 0x6A)},
        {QColor(0xFA, 0xE3, 0xB0), QColor(0xFF, 0xB3, 0x47), QColor(0xE0, 0xA8, 0x60),
         QColor(0xB8, 0x72, 0x3A), QColor(0x5E, 0x8C, 0x3A)},
        {QColor(0xE4, 0xEE, 0xF6), QColor(0xFF, 0xFF, 0xFF), QColor(0xB7, 0xC9, 0xDA),
         QColor(0xF7, 0xFA, 0xFC), QColor(0x4C, 0x6A, 0x86)},
        {QColor(0xB5, 0xE2, 0xFA), QColor(0xFF, 0xEE, 0x88), QColor(0x9C, 0xD3, 0x6B),
         QColor(0x59, 0xA8, 0x45), QColor(0xE8, 0x5D, 0x75)},
        {QColor(0xD9, 0xC5, 0xE8), QColor(0xFF, 0xD1, 0xE0), QColor(0x8E, 0x7C, 0xB5),
         QColor(0x4B, 0x3F, 0x72), QColor(0xF4, 0xA2, 0x61)},
    };
    const TScheme& s = schemes[Index % 8];
    QImage image(W, H, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), s.Sky);
    p.setPen(Qt::NoPen);
    p.setBrush(s.Sun);
    const double r = H * 0.13;
    p.drawEllipse(QPointF(W * (0.2 + 0.08 * (Index % 7)), H * 0.28), r, r);
    auto hills = [&](double Base, double Height, double Phase, const QColor& Colour) {
        QPainterPath path(QPointF(0, H));
        for (int x = 0; x <= W; x += W / 8)
            path.lineTo(x, H * Base - H * Height * (0.5 + 0.5 * std::sin(x * 6.0 / W + Phase)));
        path.lineTo(W, H);
        path.closeSubpath();
        p.setBrush(Colour);
        p.drawPath(path);
    };
    hills(0.68, 0.22, Index * 1.3, s.Far);
    hills(0.86, 0.14, Index * 0.7 + 2.0, s.Near);
    p.setBrush(s.Extra);
    switch (Index % 4) {
    case 0: // a sail
        p.drawPolygon(QPolygonF({QPointF(W * 0.70, H * 0.40), QPointF(W * 0.70, H * 0.70),
                                 QPointF(W * 0.86, H * 0.70)}));
        break;
    case 1: // a house
        p.drawRect(QRectF(W * 0.62, H * 0.55, W * 0.16, H * 0.20));
        p.drawPolygon(QPolygonF({QPointF(W * 0.60, H * 0.55), QPointF(W * 0.70, H * 0.43),
                                 QPointF(W * 0.80, H * 0.55)}));
        break;
    case 2: // a tree
        p.drawEllipse(QPointF(W * 0.74, H * 0.50), W * 0.07, H * 0.14);
        p.drawRect(QRectF(W * 0.735, H * 0.60, W * 0.012, H * 0.15));
        break;
    default: // stars or birds
        for (int i = 0; i < 5; ++i)
            p.drawEllipse(QPointF(W * (0.5 + 0.09 * i), H * (0.12 + 0.05 * (i % 2))), 2.5, 2.5);
        break;
    }
    return image;
}

std::vector<std::string> MakePictures(const QString& Folder) {
    const char* const names[] = {"sunset", "harbour", "forest", "night",
                                 "dunes",  "snow",    "meadow", "dusk"};
    std::vector<std::string> files;
    QDir().mkpath(Folder);
    for (int i = 0; i < 8; ++i) {
        const QString file =
            QDir(Folder).filePath(QString::fromLatin1(names[i]) + QStringLiteral(".png"));
        if (!Scene(i, 320, 240).save(file, "PNG"))
            Fail(QStringLiteral("cannot write ") + file);
        files.push_back(file.toStdString());
    }
    return files;
}

void WriteSettings(const QString& Folder, const QString& Pictures) {
    QDir().mkpath(Folder);
    QFile f(QDir(Folder).filePath(QStringLiteral("Setup.ini")));
    if (!f.open(QIODevice::WriteOnly))
        Fail(QStringLiteral("cannot write the settings"));
    const QString text = QStringLiteral("[Setup]\r\n"
                                        "ScrIniPath=%1/\r\n"
                                        "RowNumber=2\r\nColNumber=3\r\n"
                                        "ResizeWidth=160\r\nResizeHeight=120\r\nSpace=4\r\n"
                                        "ResizeType=1\r\nFillColor=16777215\r\n"
                                        "NewWidth=480\r\nNewHeight=320\r\n"
                                        "WinWidth=780\r\nWinHeight=560\r\n")
                             .arg(Pictures);
    f.write(text.toUtf8());
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2)
        Fail(QStringLiteral("usage: make_screenshots OUTPUT-FOLDER"));
    gOutput = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(gOutput);
    InstallPictureFileLoader();
    app.setQuitOnLastWindowClosed(false);

    QTemporaryDir work(QDir::temp().filePath(QStringLiteral("pictures-XXXXXX")));
    if (!work.isValid())
        Fail(QStringLiteral("no temporary folder"));
    const QString pictures = work.filePath(QStringLiteral("Holiday"));
    const std::vector<std::string> files = MakePictures(pictures);
    const QString settings = work.filePath(QStringLiteral("settings"));
    WriteSettings(settings, pictures);

    TfrmMain win(settings.toStdString() + "/", ProgramFilesPath());
    win.Launcher = std::make_shared<TNoLauncher>();
    win.show();
    WaitUntil([&] { return win.isVisible(); }, "the main window");
    Shot(&win, "welcome.png");
    TMergeDocument& doc = win.Document();

    // A grid through the wizard, page by page.
    OnModal<TfrmWizard>([&] { win.Action(QStringLiteral("ActFileNew"))->trigger(); },
                        [&](TfrmWizard& w) {
                            w.rbWizard->click();
                            w.feSampleFile->setText(QString::fromStdString(files[0]));
                            Shot(&w, "wizard-kind.png");
                            w.btnNext->click();
                            Shot(&w, "wizard-layout.png");
                            w.btnNext->click();
                            w.OpenPicDlg->Chooser = [&](TPictureOpenDialog& d, const QString&) {
                                for (int i = 0; i < 6; ++i)
                                    d.Files << QString::fromStdString(files[std::size_t(i)]);
                                return true;
                            };
                            w.btnAdd->click();
                            w.lvPictures->selectRow(1);
                            Shot(&w, "wizard-pictures.png");
                            w.btnFinish->click();
                        });
    WaitUntil([&] { return !doc.Busy() && doc.PicFileList.size() == 6; }, "the grid");

    // A layer chosen on the canvas, half transparent.
    TCustomLayer* chosen = win.ImgView->Layers().Items(4);
    win.SelectLayer(chosen);
    win.LeftPanel->LayerOpacity->setValue(170);
    win.LeftPanel->lvPicList->SetSelectedIndex(4);
    Shot(&win, "grid.png");

    // The grid's layout again, in the reset dialog; cancelled.
    OnModal<TfrmReset>([&] { win.Action(QStringLiteral("ActReset"))->trigger(); },
                       [&](TfrmReset& r) { Shot(&r, "reset.png"); });

    // A text over the grid, and the window it is typed in.
    win.Action(QStringLiteral("ActAddText"))->trigger();
    WaitUntil([&] { return win.frmTextInput->isVisible(); }, "the text window");
    win.frmTextInput->edtText->setText(QStringLiteral("Summer holiday"));
    Shot(win.frmTextInput, "text-input.png");
    win.frmTextInput->btnAdd->click();
    Shot(&win, "text-layer.png");

    // The explorer page with the pictures' folder.
    win.LeftPanel->TabBarLeft->setCurrentIndex(1);
    WaitUntil([&] { return win.ExplorerPanel->Model().Count() == 8; }, "the explorer");
    Settle(1500);
    Shot(&win, "explorer.png");

    // The options dialog.
    OnModal<TfrmOption>([&] { win.Action(QStringLiteral("ActStandardOption"))->trigger(); },
                        [&](TfrmOption& o) { Shot(&o, "options.png"); });

    // An empty picture with pictures dropped onto it.
    OnModal<TfrmWizard>([&] { win.Action(QStringLiteral("ActFileNew"))->trigger(); },
                        [&](TfrmWizard& w) {
                            w.rbEmpty->click();
                            w.btnFinish->click();
                        });
    WaitUntil([&] { return !doc.Busy() && doc.PicFileList.empty(); }, "the empty picture");
    const TRect r = win.ImgView->ViewportRect();
    const QPoint middle((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    const QPoint topLeft = win.ImgView->mapTo(win.plImgView, middle);
    win.DropTarDrop({QString::fromStdString(files[1])}, topLeft - QPoint(230, 150), {});
    win.DropTarDrop({QString::fromStdString(files[6])}, topLeft - QPoint(80, 100), {});
    WaitUntil([&] { return win.ImgView->Layers().Count() >= 3; }, "the drops");
    Shot(&win, "empty-picture.png");

    win.close();
    return 0;
}
