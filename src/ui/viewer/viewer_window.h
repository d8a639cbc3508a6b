// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <memory>

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

#include "engine/recorded/recorded_file_loader.h"
#include "engine/recorded/recorded_layout.h"
#include "engine/text/units.h"
#include "ui/viewer/recorded_chart.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QProgressBar;
class QTimer;

// voltrix-view's window: a recorded measurement file on a chart, loaded on
// the loader's thread while the window stays responsive, with a tick per
// quantity and for the outputs, a cursor that reads every value at its x,
// following a growing file, and saving the shown range as a picture or as a
// measurement file of its own.

namespace voltrix {

class ViewerWindow : public QMainWindow {
    Q_OBJECT

public:
    // `storedLayout`: the columns the window's settings log, used for a
    // file unless they do not read it. `choicesPath`: the viewer's own
    // settings file (see viewer_choices.h), read here and written when a
    // choice changes; empty keeps nothing.
    explicit ViewerWindow(const RecordedLayout& storedLayout, const QString& choicesPath = QString(),
                          QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // Opens `path`, asking for its columns when the stored ones do not read
    // it (unless `layout` is given). False when it cannot be read or the
    // operator cancelled; the reason is shown.
    bool openFile(const QString& path, std::optional<RecordedLayout> layout = std::nullopt);
    // Opens several files, or a folder, as the files of one split recording:
    // one timeline in time order.
    bool openFiles(const QStringList& paths, std::optional<RecordedLayout> layout = std::nullopt);
    // Where the index of each file read is kept for the next open; empty
    // (the default) keeps none.
    void setIndexCacheFolder(const QString& folder) { cacheFolder_ = folder; }
    // The files shown: one, or a split recording's in time order.
    QStringList files() const { return files_; }
    void setFollowing(bool follow);
    // One value axis, a lane per quantity or a lane per unit.
    void setLaneLayout(LaneLayout layout);
    // The user's units from the window's settings: quantities of one unit
    // share a lane by unit.
    void setUnits(const UserUnitTexts& units);

    RecordedChart* chart() const { return chart_; }
    const RecordedFileLoader* loader() const { return loader_.get(); }
    QString filePath() const { return path_; }
    const RecordedLayout& fileLayout() const { return layout_; }
    // The text of the cursor's readout and of the line counts.
    QString readout() const;
    QString countsText() const;
    QString countsText(const RecordedLoadProgress& state) const;
    // Why the file was given up, in the window's language where it can be.
    QString loadProblemText(const RecordedLoadProgress& state) const;

    // Saves the shown range: as a PNG or PDF picture by the name's suffix,
    // or its lines as a measurement file. An error text, empty on success.
    QString savePicture(const QString& path);
    QString saveLines(const QString& path);

private:
    void buildActions();
    void startLoader();
    void progressArrived();
    void showCursor(double x);
    void askOpen();
    void askOpenFolder();
    // The columns of the file at `path`: `layout` or the stored ones when
    // they read it, else the operator's choice; nullopt when it cannot be
    // read or the operator cancelled (the reason is shown).
    std::optional<RecordedLayout> columnsFor(const QString& path,
                                             std::optional<RecordedLayout> layout);
    void askColumns();
    // A stream's head is read and the columns do not read it.
    void askStreamColumns();
    void closeFile();
    void enableFileActions();
    void askSavePicture();
    void askSaveLines();
    void showProblem(const QString& text);

    QString choicesPath_;
    RecordedLayout storedLayout_;
    RecordedLayout layout_;
    QString path_;
    QStringList files_;  // path_ first
    QString cacheFolder_;
    bool stream_ = false;        // path_ is a pipe, a FIFO or a device: read once
    bool streamAsked_ = false;   // its columns were asked for
    QString shownError_;  // the loader's error last shown, once
    bool following_ = false;
    std::unique_ptr<RecordedFileLoader> loader_;
    // At most one progress call queued to this thread at a time.
    std::shared_ptr<std::atomic<bool>> progressQueued_;

    RecordedChart* chart_ = nullptr;
    std::array<QCheckBox*, kQuantityCount> quantityBoxes_{};
    QCheckBox* outputsBox_ = nullptr;
    QLabel* readout_ = nullptr;
    QLabel* counts_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QAction* followAction_ = nullptr;
    QAction* columnsAction_ = nullptr;
    QAction* saveLinesAction_ = nullptr;
    QActionGroup* laneLayouts_ = nullptr;
    // While a long file is read its counts show a few times a second and
    // the chart is redrawn twice a second, not at each chunk: the parsers
    // keep the cores.
    static constexpr int kProgressShownMs = 200;
    static constexpr int kGrowthRedrawMs = 500;
    QElapsedTimer lastProgressShown_;
    QElapsedTimer lastGrowthShown_;
    QTimer* progressTimer_ = nullptr;
};

}  // namespace voltrix
