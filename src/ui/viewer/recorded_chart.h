// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "engine/protocol/quantities.h"
#include "engine/recorded/recorded_file_loader.h"
#include "qcustomplot.h"

// The chart of a recorded measurement file: the fourteen quantities over x
// in the main area, the six outputs as step lines in a band below it. A
// long range is drawn from the loader's index under a short snapshot: each
// pixel column from the first, lowest, highest and last value of the blocks
// in it. When the blocks are too coarse for the range shown, its lines are
// read back from the file and drawn the same way, or point by point where
// there are fewer lines than pixels; both through the live chart's column
// spans. A jump in time (between the files of a split recording) is a gap.
//
// The quantities share one value axis, or each gets a lane of its own
// (or quantities of one unit share one), one above the other over the same
// x: a few volts are not flattened by positions in the thousands.
//
// Mouse: drag pans, the wheel zooms the x axis; keys: Left/Right pan,
// +/- zoom, Home shows the whole file. Each value axis fits what it shows.

namespace voltrix {

// How the quantities are laid out: one value axis for all, a lane each, or
// a lane for each unit.
enum class LaneLayout { OneAxis, Lanes, LanesByUnit };

class RecordedChart : public QCustomPlot {
    Q_OBJECT

public:
    explicit RecordedChart(QWidget* parent = nullptr);

    // The loader whose data is drawn; nullptr draws nothing. The loader
    // must outlive its use here.
    void setLoader(const RecordedFileLoader* loader);

    bool quantityShown(std::size_t quantity) const { return shown_[quantity]; }
    void setQuantityShown(std::size_t quantity, bool shown);
    bool outputsShown() const { return outputsShown_; }
    void setOutputsShown(bool shown);

    LaneLayout laneLayout() const { return laneLayout_; }
    void setLaneLayout(LaneLayout layout);
    // Quantities of equal number share a unit (see recordedUnitGroups).
    void setUnitGroups(const std::array<int, kQuantityCount>& groups);
    // The lanes shown, top to bottom: one at least, the first being
    // axisRect(). In each, the quantities it draws.
    int laneCount() const { return laneCount_; }
    QCPAxisRect* laneRect(int lane) const { return lanes_[lane].rect; }
    bool laneHasQuantity(int lane, std::size_t quantity) const {
        return lanes_[lane].quantities[quantity];
    }
    // Lanes are of equal height at first; each step makes one half as tall
    // again, or back (the lane's context menu). A lane's height goes with
    // its first quantity, in the quantities' order.
    void changeLaneHeight(int lane, int steps);
    void equalLaneHeights();
    double laneStretch(int lane) const;
    const std::array<int, kQuantityCount>& heightSteps() const { return heightSteps_; }
    void setHeightSteps(const std::array<int, kQuantityCount>& steps);
    static constexpr int kFewestHeightSteps = -2;
    static constexpr int kMostHeightSteps = 4;

    // The loader read more: the whole-file range grows, and while the
    // right edge is at the end of the data it stays there.
    void dataGrew();
    void showWholeFile();
    // Lines first..last-1 are in the shown x range.
    std::pair<std::size_t, std::size_t> shownLines() const;

    // The x under the cursor line, NaN while there is none.
    double cursorX() const { return cursorX_; }
    // Puts the cursor line at `x` (NaN hides it).
    void setCursorX(double x);

    // The axis of the outputs' band; for tests and pictures.
    QCPAxisRect* outputsRect() const { return outputsRect_; }

    // One pixel: the raster engine's fast path, as in the live chart.
    static constexpr double kLineWidth = 1;
    static constexpr int kOutputsBandHeight = 90;
    // The most lines a redraw reads back from the file (some 30 ms).
    static constexpr std::size_t kMostLinesReadBack = 250'000;

signals:
    void cursorMoved(double x);
    // The layout or a lane's height changed.
    void lanesChanged();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    friend class QuantitiesTrace;
    friend class OutputsTrace;

    struct Lane {
        QCPAxisRect* rect = nullptr;
        QCPItemStraightLine* cursor = nullptr;
        QCPItemText* name = nullptr;  // what the lane shows, inside its top left corner
        std::array<bool, kQuantityCount> quantities{};
    };

    std::optional<RecordedFileLoader::Snapshot> snapshot() const;
    // The lines of the shown range, read back when the index's blocks are
    // too coarse to draw it, with as many again on each side for panning;
    // nullptr when the blocks draw it. Call it with no snapshot alive.
    const RecordedData* shownDetail();
    void xRangeChanged(const QCPRange& range);
    // Puts the shown quantities into lanes and the lanes into the plot.
    void arrangeLanes();
    // The lanes, shown or not, and the outputs' band.
    std::vector<QCPAxisRect*> rects() const;
    // The quantities the loader's columns hold; all without a loader.
    std::array<bool, kQuantityCount> quantitiesInFile() const;
    void fitValueAxis();
    void applyXSource(XSource source);
    // The whole file's x range; empty when there is no line.
    std::optional<QCPRange> fullRange() const;
    // The first line of each pixel column of the main area from its left
    // edge, and one past the last; recomputed when the data, the range or
    // the width changed since the last call.
    const std::vector<std::size_t>& columnStarts(const RecordedData& data);
    // The blocks of the index in the shown range, and those just outside it.
    std::pair<std::size_t, std::size_t> shownBlocks(const RecordedIndex& index) const;
    // What a long range is drawn from: its blocks, or the coarse blocks when
    // there are many blocks to a pixel column; units first..last-1.
    struct ShownUnits {
        RecordedIndex::Level level;
        std::size_t first = 0;
        std::size_t last = 0;
    };
    ShownUnits shownUnits(const RecordedIndex& index) const;

    const RecordedFileLoader* loader_ = nullptr;
    std::array<bool, kQuantityCount> shown_{};
    bool outputsShown_ = true;
    bool followEnd_ = true;
    bool xSourceApplied_ = false;
    double cursorX_ = std::numeric_limits<double>::quiet_NaN();
    QCPAxisRect* outputsRect_ = nullptr;
    QCPItemStraightLine* outputsCursorLine_ = nullptr;
    LaneLayout laneLayout_ = LaneLayout::OneAxis;
    std::array<int, kQuantityCount> unitGroups_{};
    // One for each quantity, made once; the first laneCount_ are shown.
    std::array<Lane, kQuantityCount> lanes_{};
    int laneCount_ = 1;
    std::array<int, kQuantityCount> heightSteps_{};  // by a lane's first quantity
    std::array<bool, kQuantityCount> inFile_{};
    QString xLabel_;  // under the last lane

    // Lines read back for the shown range.
    struct Detail {
        bool valid = false;
        std::size_t first = 0;         // the index's number of its line 0
        std::size_t indexLines = 0;    // lines the index had when it was read
        std::uint32_t reloads = 0;     // the loader's count when it was read
        std::uint64_t serial = 0;      // tells one read from the next
        RecordedData lines{RecordedLayout{}};
    } detail_;

    struct ColumnCache {
        std::uint64_t serial = 0;
        std::size_t lines = 0;
        double lower = 0;
        double upper = 0;
        int left = 0;
        int width = 0;
        std::vector<std::size_t> starts;
    } columns_;
};

// The x of a line in words, by where x comes from: a date and time, a time
// of day, a report count or a line number.
QString describeX(double x, XSource source);

}  // namespace voltrix
