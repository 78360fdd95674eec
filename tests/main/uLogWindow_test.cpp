#include "main/uLogWindow.h"

#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableWidget>
#include <QToolBar>

namespace {

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class ActivityLog : public MainWindowTest {
protected:
    QString LogFile() const { return settingsDir.filePath(QStringLiteral("Log.dat")); }
    void WriteLog(const QByteArray& bytes) const {
        QFile f(LogFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Two entries, one with a ">" in its action, the second line ended by LF alone.
    const QByteArray twoEntries = "[9/12/2009 10:15:02 AM]Create New Picture>/p/a.jpg\r\n"
                                  "[9/13/2009 8:00:00 PM]Less>>More>/p/b>c.png\n";
};

TEST_F(ActivityLog, OpenedAtTheFirstShowingAndWrittenOnceMoreAtExit) {
    WriteLog(twoEntries);
    auto win = std::make_unique<TfrmMain>(SettingsFolder(), AppFolder());
    win->SavePicDlg->Chooser = [](TSaveDialog&) { return false; };
    EXPECT_FALSE(win->LogFileMain.Active());
    EXPECT_TRUE(win->LogFileMain.Entries().empty());
    win->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
    EXPECT_TRUE(win->LogFileMain.Active());
    EXPECT_TRUE(win->LogFileMain.AutoSave());
    EXPECT_EQ(win->LogFileMain.FileName(), LogFile());
    EXPECT_EQ(win->LogFileMain.SizeLimit(), 1000u);
    ASSERT_EQ(win->LogFileMain.Entries().size(), 2u);
    EXPECT_EQ(win->LogFileMain.Entries()[1].Action, QStringLiteral("Less>More"));
    EXPECT_EQ(win->LogFileMain.Entries()[1].Description, QStringLiteral("/p/b>c.png"));

    ASSERT_TRUE(QFile::remove(LogFile()));
    win->close();
    win.reset();
    EXPECT_EQ(ReadFile(LogFile()),
              QByteArray("[9/12/2009 10:15:02 AM]Create New Picture>/p/a.jpg\r\n"
                         "[9/13/2009 8:00:00 PM]Less>>More>/p/b>c.png\r\n"));
}

TEST_F(ActivityLog, ShowLogsListsTheEntriesAndSavesAndPrintsThem) {
    WriteLog(twoEntries);
    auto win = Start();
    auto printer = std::make_shared<TFakeLogPrinter>();
    win->LogWindowServices.Printer = printer;
    const QString csv = settingsDir.filePath(QStringLiteral("export.csv"));
    const QString dat = settingsDir.filePath(QStringLiteral("export.dat"));
    const QByteArray expected = "[9/12/2009 10:15:02 AM] Create New Picture > /p/a.jpg\r\n"
                                "[9/13/2009 8:00:00 PM] Less>More > /p/b>c.png\r\n";
    {
        // An existing export is replaced without a question.
        QFile f(dat);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("older and longer than the new text, which replaces all of it ............");
    }

    bool ran = false;
    win->LogWindowServices.Run = [&](TFoLog& log) {
        ran = true;
        EXPECT_EQ(log.windowTitle(), QStringLiteral("Show Logs"));
        EXPECT_EQ(log.size(), QSize(521, 402));
        EXPECT_EQ(log.minimumSize(), QSize(300, 300));
        QTableWidget* list = log.ListView1;
        ASSERT_EQ(list->columnCount(), 3);
        EXPECT_EQ(list->horizontalHeaderItem(0)->text(), QStringLiteral("Date Time"));
        EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QStringLiteral("Action"));
        EXPECT_EQ(list->horizontalHeaderItem(2)->text(), QStringLiteral("Description"));
        EXPECT_EQ(list->columnWidth(0), 115);
        EXPECT_EQ(list->columnWidth(1), 160);
        EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
        ASSERT_EQ(list->rowCount(), 2);
        EXPECT_EQ(list->item(0, 0)->text(), QStringLiteral("9/12/2009 10:15:02 AM"));
        EXPECT_EQ(list->item(1, 1)->text(), QStringLiteral("Less>More"));
        EXPECT_EQ(list->item(1, 2)->text(), QStringLiteral("/p/b>c.png"));

        EXPECT_EQ(log.Save->text(), QStringLiteral("Save"));
        EXPECT_EQ(log.Save->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        EXPECT_EQ(log.Print->text(), QStringLiteral("&Print"));
        EXPECT_EQ(log.Print->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        EXPECT_EQ(log.SaveDialog1->nameFilters(),
                  QStringList(
                      {QStringLiteral("CSV File (*.csv)"), QStringLiteral("Binary File (*.dat)")}));
        EXPECT_EQ(log.SaveDialog1->defaultSuffix(), QStringLiteral("csv"));

        // Both file types get the same text lines.
        for (const auto& [file, index] : {std::pair{csv, 1}, std::pair{dat, 2}}) {
            log.SaveDialog1->Chooser = [file = file, index = index](TSaveDialog& d) {
                d.FileName = file;
                d.FilterIndex = index;
                return true;
            };
            TMessageBoxAnswerer none(QMessageBox::Ok);
            log.Save->trigger();
            EXPECT_FALSE(none.Seen) << none.Text.toStdString();
            EXPECT_EQ(ReadFile(file), expected);
        }

        // No printer: a message, nothing printed.
        {
            TMessageBoxAnswerer box(QMessageBox::Ok);
            log.Print->trigger();
            EXPECT_TRUE(box.Seen);
            EXPECT_EQ(box.Text, QString::fromLatin1(NoPrinterMessage));
            EXPECT_TRUE(printer->Printed.isEmpty());
        }
        printer->HasPrinter = true;
        log.Print->trigger();
        EXPECT_EQ(printer->Printed,
                  QString::fromLatin1(expected).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts));
    };
    win->Action(QStringLiteral("ActShowLogs"))->trigger();
    EXPECT_TRUE(ran);
}

TEST_F(ActivityLog, ClearLogsEmptiesTheListAndTheFile) {
    WriteLog(twoEntries);
    auto win = Start();
    {
        TMessageBoxAnswerer box(QMessageBox::Ok);
        win->Action(QStringLiteral("ActClearLogs"))->trigger();
        EXPECT_FALSE(box.Seen) << "no question, no message";
    }
    EXPECT_TRUE(win->LogFileMain.Entries().empty());
    EXPECT_TRUE(QFileInfo(LogFile()).isFile());
    EXPECT_EQ(ReadFile(LogFile()), QByteArray());

    // Shown modally for real this time, and freed once closed.
    win->LogWindowServices.Run = nullptr;
    int rows = -1;
    TWhenModal<TFoLog> form([&](TFoLog& log) { rows = log.ListView1->rowCount(); });
    win->Action(QStringLiteral("ActShowLogs"))->trigger();
    EXPECT_TRUE(form.Ran);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(win->findChildren<TFoLog*>().isEmpty());

    // A file that cannot be written is reported; the entries are gone all the same.
    win->LogFileMain.SetActive(true);
    ASSERT_TRUE(QFile::remove(LogFile()));
    ASSERT_TRUE(QDir().mkpath(LogFile()));
    try {
        win->LogFileMain.AppendEntry(QStringLiteral("d"), QStringLiteral("a"), QStringLiteral("p"));
    } catch (const std::exception&) {
    }
    ASSERT_EQ(win->LogFileMain.Entries().size(), 1u);
    TMessageBoxAnswerer box(QMessageBox::Ok);
    win->Action(QStringLiteral("ActClearLogs"))->trigger();
    EXPECT_TRUE(box.Seen);
    EXPECT_EQ(box.Icon, QMessageBox::Critical);
    EXPECT_TRUE(box.Text.contains(QStringLiteral("Log.dat"))) << box.Text.toStdString();
    EXPECT_TRUE(win->LogFileMain.Entries().empty());
}

TEST_F(ActivityLog, ALogFileThatCannotBeReadIsReportedAndKeptInMemoryOnly) {
    ASSERT_TRUE(QDir().mkpath(LogFile()));
    TMessageBoxAnswerer box(QMessageBox::Ok);
    auto win = Start();
    ASSERT_TRUE(WaitFor([&] { return box.Seen; }));
    EXPECT_TRUE(box.Text.contains(QStringLiteral("Log.dat"))) << box.Text.toStdString();
    EXPECT_TRUE(win->LogFileMain.Active());
    EXPECT_TRUE(win->LogFileMain.Entries().empty());
    // Held in memory only: the file it could not read is left alone.
    EXPECT_FALSE(win->LogFileMain.AutoSave());
    win->LogFileMain.AppendEntry(QStringLiteral("d"), QStringLiteral("a"), QStringLiteral("p"));
    EXPECT_EQ(win->LogFileMain.Entries().size(), 1u);
    EXPECT_TRUE(QFileInfo(LogFile()).isDir());
}

} // namespace
