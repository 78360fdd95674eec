#include "main/uLogWindow.h"

#include "main/uErrorMessage.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeySequence>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <stdexcept>

const char* const NoPrinterMessage =
    "There is no printer to print the log on. Install a printer and set it as the default, "
    "then try again.";

namespace {

const char* const kExportFilter = "CSV File (*.csv)|*.csv|Binary File (*.dat)|*.dat";
constexpr int kWidth = 521;
constexpr int kHeight = 402;
constexpr int kMinSide = 300;
constexpr int kDateTimeWidth = 115;
constexpr int kActionWidth = 160;

} // namespace

bool TDefaultLogPrinter::Available() const {
    return !QPrinterInfo::defaultPrinter().isNull();
}

void TDefaultLogPrinter::PrintLines(const QString& Title, const QStringList& Lines) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw std::runtime_error(NoPrinterMessage);
    QPrinter printer(info);
    printer.setDocName(Title);
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error(QStringLiteral("The printer \"%1\" cannot print.")
                                     .arg(info.printerName())
                                     .toStdString());
    const QRect page = painter.viewport();
    const int lineHeight = QFontMetrics(painter.font(), &printer).lineSpacing();
    int y = 0;
    for (const QString& line : Lines) {
        if (y > 0 && y + lineHeight > page.height()) {
            if (!printer.newPage())
                throw std::runtime_error("The printer cannot start a new page.");
            y = 0;
        }
        painter.drawText(QRect(0, y, page.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         line);
        y += lineHeight;
    }
    if (!painter.end())
        throw std::runtime_error("The log could not be printed.");
}

TFoLog::TFoLog(QWidget* Parent, TLogWindowServices Services)
    : QDialog(Parent), FServices(std::move(Services)) {
    setObjectName(QStringLiteral("FoLog"));
    setSizeGripEnabled(true);
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma"),
                      QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    setFont(font);
    setMinimumSize(kMinSide, kMinSide);
    resize(kWidth, kHeight);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);

    Save = new QAction(QStringLiteral("Save"), this);
    Save->setObjectName(QStringLiteral("Save"));
    Save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Save->setToolTip(QStringLiteral("Save"));
    Save->setStatusTip(QStringLiteral("Save"));
    Print = new QAction(QStringLiteral("&Print"), this);
    Print->setObjectName(QStringLiteral("Print"));
    Print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Print->setToolTip(QStringLiteral("Print"));
    Print->setStatusTip(QStringLiteral("Print"));
    for (QAction* action : {Save, Print}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        ToolBar1->addAction(action);
    }
    connect(Save, &QAction::triggered, this,
            [this] { RunCommand(this, [this] { SaveExecute(); }); });
    connect(Print, &QAction::triggered, this,
            [this] { RunCommand(this, [this] { PrintExecute(); }); });

    ListView1 = new QTableWidget(0, 3, this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setHorizontalHeaderLabels(
        {QStringLiteral("Date Time"), QStringLiteral("Action"), QStringLiteral("Description")});
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setShowGrid(true);
    ListView1->setMouseTracking(true);
    ListView1->setWordWrap(false);
    ListView1->verticalHeader()->hide();
    ListView1->horizontalHeader()->setStretchLastSection(true);
    ListView1->horizontalHeader()->setHighlightSections(false);
    ListView1->setColumnWidth(0, kDateTimeWidth);
    ListView1->setColumnWidth(1, kActionWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(ListView1, 1);

    SaveDialog1 = new TSaveDialog(this, QString::fromLatin1(kExportFilter), QStringLiteral("csv"));
    SaveDialog1->SetConfirmOverwrite(false);
    SaveDialog1->Chooser = FServices.SaveChooser;

    if (const QScreen* s = Parent ? Parent->screen() : QApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        move(area.x() + (area.width() - kWidth) / 2, area.y() + (area.height() - kHeight) / 2);
    }
}

void TFoLog::AddRow(const TLogEntry& Entry) {
    const int row = ListView1->rowCount();
    ListView1->insertRow(row);
    const QString texts[3] = {Entry.DateTime, Entry.Action, Entry.Description};
    for (int column = 0; column < 3; ++column)
        ListView1->setItem(row, column, new QTableWidgetItem(texts[column]));
}

std::vector<TLogEntry> TFoLog::Rows() const {
    std::vector<TLogEntry> rows;
    auto text = [this](int row, int column) {
        const QTableWidgetItem* item = ListView1->item(row, column);
        return item ? item->text() : QString();
    };
    for (int row = 0; row < ListView1->rowCount(); ++row)
        rows.push_back(TLogEntry{text(row, 0), text(row, 1), text(row, 2)});
    return rows;
}

void TFoLog::SaveExecute() {
    if (!SaveDialog1->Execute())
        return;
    TLogFile::WriteExportFile(SaveDialog1->FileName, Rows());
}

void TFoLog::PrintExecute() {
    TLogPrinter* printer = FServices.Printer.get();
    TDefaultLogPrinter defaultPrinter;
    if (!printer)
        printer = &defaultPrinter;
    if (!printer->Available()) {
        QMessageBox::warning(this, windowTitle(), QString::fromLatin1(NoPrinterMessage));
        return;
    }
    QStringList lines;
    for (const TLogEntry& row : Rows())
        lines << TLogFile::ExportLine(row);
    printer->PrintLines(windowTitle(), lines);
}

void ShowLogWindow(QWidget* Owner, const TLogFile& Log, const QString& Caption,
                   const TLogWindowServices& Services) {
    TFoLog form(Owner, Services);
    form.setWindowTitle(Caption);
    for (const TLogEntry& entry : Log.Entries()) {
        form.AddRow(entry);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (Services.Run)
        Services.Run(form);
    else
        form.exec();
}
