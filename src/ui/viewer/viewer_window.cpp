// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/viewer_window.h"

#include <cmath>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "engine/recorded/read_error_text.h"
#include "engine/recorded/recorded_file_probe.h"
#include "engine/recorded/recorded_file_set.h"
#include "engine/text/format_value.h"
#include "ui/chart/chart_view.h"
#include "ui/viewer/column_layout_dialog.h"
#include "ui/viewer/recorded_chart.h"
#include "ui/viewer/viewer_choices.h"

namespace voltrix {
namespace {

constexpr int kReadoutDecimals = 3;

std::filesystem::path toPath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}

QString quantityTitle(std::size_t quantity) {
    return QCoreApplication::translate("Chart",
                                       chartSeriesTitle(static_cast<int>(quantity)).toUtf8());
}

}  // namespace

ViewerWindow::ViewerWindow(const RecordedLayout& storedLayout, const QString& choicesPath,
                           QWidget* parent)
    : QMainWindow(parent),
      choicesPath_(choicesPath),
      storedLayout_(storedLayout),
      layout_(storedLayout),
      progressQueued_(std::make_shared<std::atomic<bool>>(false)) {
    setObjectName(QStringLiteral("ViewerWindow"));
    setWindowTitle(QStringLiteral("VOLTRIX - View"));
    resize(1280, 800);
    progressTimer_ = new QTimer(this);
    progressTimer_->setSingleShot(true);
    connect(progressTimer_, &QTimer::timeout, this, [this] { progressArrived(); });

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    auto* ticks = new QGridLayout;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        auto* box = new QCheckBox(quantityTitle(q), central);
        box->setObjectName(QStringLiteral("viewer_quantity_%1").arg(q + 1));
        box->setChecked(true);
        QPalette palette = box->palette();
        palette.setColor(QPalette::WindowText, chartSeriesColour(static_cast<int>(q)).darker(130));
        box->setPalette(palette);
        ticks->addWidget(box, static_cast<int>(q / 4), static_cast<int>(q % 4));
        connect(box, &QCheckBox::toggled, this,
                [this, q](bool on) { chart_->setQuantityShown(q, on); });
        quantityBoxes_[q] = box;
    }
    outputsBox_ = new QCheckBox(tr("Stany wyjść"), central);
    outputsBox_->setObjectName(QStringLiteral("viewer_outputs"));
    outputsBox_->setChecked(true);
    ticks->addWidget(outputsBox_, 3, 2);
    connect(outputsBox_, &QCheckBox::toggled, this, [this](bool on) { chart_->setOutputsShown(on); });
    column->addLayout(ticks);

    chart_ = new RecordedChart(central);
    column->addWidget(chart_, 1);
    readout_ = new QLabel(central);
    readout_->setObjectName(QStringLiteral("viewer_readout"));
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    readout_->setWordWrap(true);
    column->addWidget(readout_);
    setCentralWidget(central);
    connect(chart_, &RecordedChart::cursorMoved, this, &ViewerWindow::showCursor);

    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("viewer_counts"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("viewer_progress"));
    progress_->setRange(0, 1000);
    progress_->setMaximumWidth(240);
    progress_->setVisible(false);
    statusBar()->addWidget(counts_, 1);
    statusBar()->addPermanentWidget(progress_);
    buildActions();

    const ViewerChoices choices = readViewerChoices(choicesPath_);
    chart_->setHeightSteps(choices.heightSteps);
    setLaneLayout(choices.layout);
    connect(chart_, &RecordedChart::lanesChanged, this, [this] {
        if (!choicesPath_.isEmpty()) {
            writeViewerChoices(choicesPath_, {chart_->laneLayout(), chart_->heightSteps()});
        }
    });
}

ViewerWindow::~ViewerWindow() {
    // The loader's thread ends before the chart that reads its data.
    chart_->setLoader(nullptr);
    loader_.reset();
}

void ViewerWindow::buildActions() {
    QToolBar* bar = addToolBar(tr("Plik"));
    bar->setObjectName(QStringLiteral("viewer_toolbar"));
    bar->setMovable(false);
    const auto add = [&](const char* objectName, const QString& text, auto slot) {
        QAction* action = bar->addAction(text);
        action->setObjectName(QString::fromLatin1(objectName));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("viewer_open", tr("Otwórz…"), [this] { askOpen(); })->setShortcut(QKeySequence::Open);
    add("viewer_open_folder", tr("Otwórz folder…"), [this] { askOpenFolder(); });
    columnsAction_ = add("viewer_columns", tr("Kolumny…"), [this] { askColumns(); });
    followAction_ = add("viewer_follow", tr("Śledź plik"), [this](bool on) { setFollowing(on); });
    followAction_->setCheckable(true);
    add("viewer_whole", tr("Cały plik"), [this] { chart_->showWholeFile(); });
    add("viewer_save_picture", tr("Zapisz obraz…"), [this] { askSavePicture(); });
    saveLinesAction_ = add("viewer_save_lines", tr("Zapisz linie…"), [this] { askSaveLines(); });

    QMenu* view = menuBar()->addMenu(tr("Widok"));
    view->setObjectName(QStringLiteral("viewer_view_menu"));
    laneLayouts_ = new QActionGroup(this);
    const auto addLayout = [&](const char* objectName, const QString& text, LaneLayout layout) {
        QAction* action = view->addAction(text);
        action->setObjectName(QString::fromLatin1(objectName));
        action->setCheckable(true);
        action->setData(static_cast<int>(layout));
        action->setChecked(layout == chart_->laneLayout());
        laneLayouts_->addAction(action);
        connect(action, &QAction::triggered, this, [this, layout] { setLaneLayout(layout); });
    };
    addLayout("viewer_layout_one", tr("Jedna oś"), LaneLayout::OneAxis);
    addLayout("viewer_layout_lanes", tr("Osobne pasy"), LaneLayout::Lanes);
    addLayout("viewer_layout_units", tr("Pasy według jednostek"), LaneLayout::LanesByUnit);
}

void ViewerWindow::setUnits(const UserUnitTexts& units) {
    chart_->setUnitGroups(recordedUnitGroups(units));
}

void ViewerWindow::setLaneLayout(LaneLayout layout) {
    for (QAction* action : laneLayouts_->actions()) {
        if (action->data().toInt() == static_cast<int>(layout)) {
            action->setChecked(true);
        }
    }
    chart_->setLaneLayout(layout);
}

// A stream cannot be read again: not for other columns, another follow
// mode, or saving its lines.
void ViewerWindow::enableFileActions() {
    for (QAction* action : {columnsAction_, saveLinesAction_, followAction_}) {
        action->setEnabled(!stream_);
    }
}

bool ViewerWindow::openFile(const QString& path, std::optional<RecordedLayout> layout) {
    if (QFileInfo(path).isDir()) {
        return openFiles({path}, layout);
    }
    if (isStreamFile(toPath(path))) {
        // Its head is read once, by the loader, which keeps it for the parse.
        path_ = path;
        files_ = QStringList{path};
        layout_ = layout.value_or(storedLayout_);
        stream_ = true;
        enableFileActions();
        setWindowTitle(QStringLiteral("%1 - VOLTRIX - View").arg(QFileInfo(path).fileName()));
        startLoader();
        return true;
    }
    const std::optional<RecordedLayout> chosen = columnsFor(path, layout);
    if (!chosen) {
        return false;
    }
    path_ = path;
    files_ = QStringList{path};
    layout_ = *chosen;
    stream_ = false;
    enableFileActions();
    setWindowTitle(QStringLiteral("%1 - VOLTRIX - View").arg(QFileInfo(path).fileName()));
    startLoader();
    return true;
}

bool ViewerWindow::openFiles(const QStringList& paths, std::optional<RecordedLayout> layout) {
    if (paths.size() == 1 && !QFileInfo(paths.front()).isDir()) {
        return openFile(paths.front(), layout);
    }
    std::vector<std::filesystem::path> opened;
    for (const QString& path : paths) {
        opened.push_back(toPath(path));
    }
    const RecordedFileSetResult set = resolveRecordedFiles(opened, layout.value_or(storedLayout_));
    if (!set.error.isEmpty() || set.files.empty()) {
        showProblem(tr("Nie można odczytać pliku %1: %2")
                        .arg(paths.join(QStringLiteral(", ")), set.error));
        return false;
    }
    QStringList files;
    for (const std::filesystem::path& file : set.files) {
        files << QString::fromStdString(file.string());
    }
    if (files.size() == 1) {
        return openFile(files.front(), layout);
    }
    // The first file tells the columns of them all.
    const std::optional<RecordedLayout> chosen = columnsFor(files.front(), layout);
    if (!chosen) {
        return false;
    }
    path_ = files.front();
    files_ = files;
    layout_ = *chosen;
    stream_ = false;
    enableFileActions();
    setWindowTitle(QStringLiteral("%1 (+%2) - VOLTRIX - View")
                       .arg(QFileInfo(path_).fileName())
                       .arg(files.size() - 1));
    startLoader();
    return true;
}

std::optional<RecordedLayout> ViewerWindow::columnsFor(const QString& path,
                                                      std::optional<RecordedLayout> layout) {
    const RecordedFileProbe probe = probeRecordedFile(toPath(path));
    if (!probe.error.empty()) {
        showProblem(tr("Nie można odczytać pliku %1: %2")
                        .arg(path, readErrorCause(probe.errorCode,
                                                  QString::fromStdString(probe.error))));
        return std::nullopt;
    }
    if (probe.noMeasurementLines()) {
        // No selection reads any: there is nothing to choose columns by.
        showProblem(tr("Na początku pliku %1 nie ma linii pomiarowych").arg(path));
        return std::nullopt;
    }
    RecordedLayout chosen = layout.value_or(storedLayout_);
    if (!layout && !layoutFits(chosen, probe.lines)) {
        ColumnLayoutDialog dialog(chosen, probe.lines, this);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        chosen = dialog.chosenLayout();
    }
    return chosen;
}

void ViewerWindow::setFollowing(bool follow) {
    following_ = follow;
    {
        const QSignalBlocker quiet(followAction_);
        followAction_->setChecked(follow);
    }
    if (!path_.isEmpty() && !stream_) {
        startLoader();
    }
}

void ViewerWindow::startLoader() {
    chart_->setLoader(nullptr);
    loader_.reset();
    progressTimer_->stop();
    lastProgressShown_.invalidate();  // a new file's first lines show at once
    lastGrowthShown_.invalidate();
    // A fresh flag: a call queued by the old loader must not hold up the new one.
    progressQueued_ = std::make_shared<std::atomic<bool>>(false);
    RecordedFileLoader::Options options;
    options.follow = following_;
    options.confirmLayout = stream_;
    options.parserThreads = ChunkParserPool::defaultThreads();
    if (!stream_ && !cacheFolder_.isEmpty()) {
        options.cacheFolder = toPath(cacheFolder_);
    }
    std::vector<std::filesystem::path> files;
    for (const QString& file : files_) {
        files.push_back(toPath(file));
    }
    streamAsked_ = false;
    const std::shared_ptr<std::atomic<bool>> queued = progressQueued_;
    // Called on the loader's thread: one queued call at a time reads the
    // newest state there.
    loader_ = std::make_unique<RecordedFileLoader>(
        std::move(files), layout_, options, [this, queued](const RecordedLoadProgress&) {
            if (!queued->exchange(true)) {
                QMetaObject::invokeMethod(
                    this,
                    [this, queued] {
                        queued->store(false);
                        if (queued == progressQueued_) {
                            progressArrived();
                        }
                    },
                    Qt::QueuedConnection);
            }
        });
    progress_->setVisible(true);
    progress_->setValue(0);
    chart_->setLoader(loader_.get());
    progressArrived();
}

void ViewerWindow::progressArrived() {
    if (!loader_) {
        return;
    }
    const RecordedLoadProgress state = loader_->progress();
    if (state.layoutWanted && !streamAsked_) {
        streamAsked_ = true;
        askStreamColumns();
        return;
    }
    if (!state.error.empty() && QString::fromStdString(state.error) != shownError_) {
        shownError_ = QString::fromStdString(state.error);
        showProblem(tr("Nie można odczytać pliku %1: %2").arg(path_, loadProblemText(state)));
    }
    // The first lines show at once; then the counts a few times a second
    // and the chart twice a second, until the file is read: each redraw of
    // the chart takes a core from the parsers.
    const bool settled = state.caughtUp || state.finished;
    const auto due = [&](const QElapsedTimer& last, int ms) {
        return settled || !last.isValid() || last.elapsed() >= ms;
    };
    if (due(lastProgressShown_, kProgressShownMs)) {
        lastProgressShown_.restart();
        if (state.stream) {
            progress_->setRange(0, 0);  // no end known: busy
        } else {
            const double share = state.fileSize > 0 ? static_cast<double>(state.bytesRead) /
                                                          static_cast<double>(state.fileSize)
                                                    : 1.0;
            progress_->setRange(0, 1000);
            progress_->setValue(static_cast<int>(std::lround(std::min(share, 1.0) * 1000)));
        }
        progress_->setVisible(!settled);
        counts_->setText(countsText(state));
    }
    if (due(lastGrowthShown_, kGrowthRedrawMs)) {
        if (state.lines > 0) {
            lastGrowthShown_.restart();
        }
        chart_->dataGrew();
    }
    if (settled) {
        progressTimer_->stop();
    } else if (!progressTimer_->isActive()) {
        progressTimer_->start(kProgressShownMs);  // what came meanwhile
    }
}

QString ViewerWindow::loadProblemText(const RecordedLoadProgress& state) const {
    switch (state.problem) {
        case RecordedLoadProblem::NoWriter:
            return tr("to kolejka FIFO, do której nikt nie pisze");
        case RecordedLoadProblem::NotLines:
            return tr("to nie są linie tekstu (%1 MB bez końca linii)")
                .arg(RecordedFileLoader::Options{}.chunkBytes >> 20);
        case RecordedLoadProblem::TooLarge:
            return tr("nie jest zwykłym plikiem i podał ponad %1 MB; strumień bez końca "
                      "czyta się ze „Śledź plik”")
                .arg(RecordedFileLoader::Options{}.maxStreamBytes >> 20);
        case RecordedLoadProblem::None:
        case RecordedLoadProblem::System:
            break;
    }
    return readErrorCause(state.errorCode, QString::fromStdString(state.error));
}

QString ViewerWindow::countsText() const {
    return loader_ ? countsText(loader_->progress()) : QString();
}

QString ViewerWindow::countsText(const RecordedLoadProgress& state) const {
    QString text = tr("Linie: %1, pominięte: %2").arg(state.lines).arg(state.skippedLines);
    if (following_) {
        text += tr(" (śledzony)");
    }
    return text;
}

void ViewerWindow::showCursor(double x) {
    if (!loader_ || !std::isfinite(x)) {
        readout_->clear();
        return;
    }
    // The lines of the blocks around x, read back.
    std::size_t first = 0;
    std::size_t last = 0;
    XSource source = XSource::LineNumber;
    {
        const auto snapshot = loader_->snapshot();
        const RecordedIndex& index = snapshot.index();
        source = index.xSource();
        if (index.size() > 0) {
            const std::size_t block = std::min(index.blockAtOrAfter(x), index.blocks().size() - 1);
            first = index.firstLineOf(block > 0 ? block - 1 : 0);
            last = index.endLineOf(block);
        }
    }
    RecordedData data;
    std::string error;
    if (first >= last || !loader_->readLines(first, last, data, error) || data.size() == 0) {
        readout_->clear();
        return;
    }
    const std::size_t i = data.nearestLine(x);
    const QString separator = systemDecimalSeparator();
    QStringList parts;
    parts << describeX(data.x()[i], source);
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        if (chart_->quantityShown(q) && !data.values(q).empty()) {
            parts << QStringLiteral("%1: %2").arg(
                         quantityTitle(q),
                         FormatValue(data.values(q)[i], kReadoutDecimals, separator));
        }
    }
    if (chart_->outputsShown() && data.layout().has(LogColumn::Output)) {
        QStringList states;
        for (std::size_t n = 0; n < kOutputCount; ++n) {
            states << QStringLiteral("OUT%1 %2").arg(n + 1).arg(
                          (data.outputs()[i] >> n) & 1 ? QStringLiteral("HI") : QStringLiteral("LO"));
        }
        parts << states.join(QLatin1Char(' '));
    }
    readout_->setText(parts.join(QStringLiteral("   ")));
}

QString ViewerWindow::readout() const {
    return readout_->text();
}

QString ViewerWindow::savePicture(const QString& path) {
    const bool pdf = path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
    const bool saved = pdf ? chart_->savePdf(path, chart_->width(), chart_->height())
                           : chart_->savePng(path, chart_->width(), chart_->height());
    return saved ? QString() : tr("Nie można zapisać obrazu %1").arg(path);
}

QString ViewerWindow::saveLines(const QString& path) {
    if (!loader_) {
        return tr("Nie otwarto pliku");
    }
    if (stream_) {
        return tr("%1 nie jest zwykłym plikiem: jego linii nie można odczytać ponownie").arg(path_);
    }
    const auto [first, last] = chart_->shownLines();
    const RecordedExportResult result = loader_->exportLines(first, last, toPath(path));
    return result.ok() ? QString() : tr("Nie można zapisać linii do %1: %2").arg(path, result.error);
}

void ViewerWindow::askOpen() {
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, tr("Plik pomiarowy"), QFileInfo(path_).absolutePath(),
        tr("Pliki pomiarowe (*.csv *.txt);;Wszystkie pliki (*)"));
    if (!paths.isEmpty()) {
        openFiles(paths);
    }
}

void ViewerWindow::askOpenFolder() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("Folder z plikami pomiarowymi"), QFileInfo(path_).absolutePath());
    if (!folder.isEmpty()) {
        openFiles({folder});
    }
}

void ViewerWindow::askColumns() {
    if (path_.isEmpty() || stream_) {
        return;
    }
    const RecordedFileProbe probe = probeRecordedFile(toPath(path_));
    ColumnLayoutDialog dialog(layout_, probe.lines, this);
    dialog.chooseLayout(layout_);
    if (dialog.exec() == QDialog::Accepted) {
        openFile(path_, dialog.chosenLayout());
    }
}

void ViewerWindow::askStreamColumns() {
    const RecordedFileProbe head = loader_->streamHead();
    if (head.noMeasurementLines()) {
        showProblem(tr("Na początku pliku %1 nie ma linii pomiarowych").arg(path_));
        closeFile();
        return;
    }
    ColumnLayoutDialog dialog(layout_, head.lines, this);
    if (dialog.exec() != QDialog::Accepted || !loader_) {
        closeFile();
        return;
    }
    layout_ = dialog.chosenLayout();
    loader_->chooseLayout(layout_);
}

void ViewerWindow::closeFile() {
    chart_->setLoader(nullptr);
    loader_.reset();
    path_.clear();
    stream_ = false;
    enableFileActions();
    setWindowTitle(QStringLiteral("VOLTRIX - View"));
    progress_->setVisible(false);
    counts_->clear();
}

void ViewerWindow::askSavePicture() {
    const QString path = QFileDialog::getSaveFileName(this, tr("Zapisz obraz"), QString(),
                                                      tr("Obraz PNG (*.png);;Dokument PDF (*.pdf)"));
    if (!path.isEmpty()) {
        if (const QString error = savePicture(path); !error.isEmpty()) {
            showProblem(error);
        }
    }
}

void ViewerWindow::askSaveLines() {
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Zapisz linie"), QString(), tr("Plik pomiarowy (*.csv *.txt)"));
    if (path.isEmpty()) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString error = saveLines(path);
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty()) {
        showProblem(error);
    }
}

void ViewerWindow::showProblem(const QString& text) {
    statusBar()->showMessage(text, 10000);
    if (isVisible()) {
        QMessageBox::warning(this, windowTitle(), text);
    }
}

}  // namespace voltrix
