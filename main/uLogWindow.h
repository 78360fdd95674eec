// The log window: the entries of the activity log in a list, which can be saved
// as text lines or printed.
#pragma once

#include "document/TLogFile.h"
#include "main/uSaveDialog.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QTableWidget;
class QToolBar;
class TFoLog;

// Where the log window prints: the default printer, or a stand-in.
class TLogPrinter {
public:
    virtual ~TLogPrinter() = default;
    // Whether there is a printer to print on.
    virtual bool Available() const = 0;
    // Prints the lines as plain text, one line per row. Throws on failure.
    virtual void PrintLines(const QString& Title, const QStringList& Lines) = 0;
};

// The system's default printer, in its default font.
class TDefaultLogPrinter : public TLogPrinter {
public:
    bool Available() const override;
    void PrintLines(const QString& Title, const QStringList& Lines) override;
};

// What the log window uses from outside; empty members take the real ones.
struct TLogWindowServices {
    std::shared_ptr<TLogPrinter> Printer;
    // Stands in for the window's save dialog (see TSaveDialog::Chooser).
    TSaveDialog::TChooser SaveChooser;
    // Runs in place of showing the filled window modally.
    std::function<void(TFoLog&)> Run;
};

// Shown when "&Print" finds no printer.
extern const char* const NoPrinterMessage;

class TFoLog : public QDialog {
    Q_OBJECT
public:
    explicit TFoLog(QWidget* Parent = nullptr, TLogWindowServices Services = {});

    QToolBar* ToolBar1;
    QTableWidget* ListView1;
    // "Save" (Ctrl+S) and "&Print" (Ctrl+P).
    QAction* Save;
    QAction* Print;
    TSaveDialog* SaveDialog1;

    // Adds one row: date and time, action, description.
    void AddRow(const TLogEntry& Entry);
    // The rows of the list, top first.
    std::vector<TLogEntry> Rows() const;

    // "Save": asks for a file and writes the rows in the export format.
    void SaveExecute();
    // "&Print": prints the rows in the export format; with no printer, says so.
    void PrintExecute();

private:
    TLogWindowServices FServices;
};

// Creates the log window with Caption and a row per entry, oldest first, shows
// it modally and frees it when it closes.
void ShowLogWindow(QWidget* Owner, const TLogFile& Log, const QString& Caption,
                   const TLogWindowServices& Services = {});
