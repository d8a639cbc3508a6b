// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/recorded_chart.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include <QCoreApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include "ui/chart/chart_view.h"
#include "ui/chart/column_spans.h"
#include "ui/chart/span_painter.h"
#include "engine/text/units.h"
#include "ui/viewer/span_canvas.h"
#include "ui/viewer/time_axis.h"

namespace voltrix {
namespace {

const QColor kPlotBackground(40, 40, 40);
const QColor kGridColour(90, 90, 90);
const QColor kCursorColour(255, 255, 255, 180);
// Outputs 1 to 6, top to bottom, each in its own lane.
const QRgb kOutputColours[kOutputCount] = {qRgb(255, 96, 96),  qRgb(96, 255, 96),
                                          qRgb(96, 160, 255), qRgb(255, 255, 96),
                                          qRgb(255, 96, 255), qRgb(96, 255, 255)};
constexpr double kLaneLow = 0.2;   // LO within a lane of height 1
constexpr double kLaneHigh = 0.8;  // HI
// Beyond this a pixel is off the widget whatever its size: an infinite
// value is drawn as a line to the edge.
constexpr double kFarPixel = 1e5;
// Fewer pixels than this between two lines is no jump in time.
constexpr double kGapPixels = 3;

// The affine map of one linear axis from coordinates to pixels.
struct PixelMap {
    explicit PixelMap(const QCPAxis* axis) {
        const QCPRange range = axis->range();
        origin = axis->coordToPixel(range.lower);
        lower = range.lower;
        scale = range.size() > 0 ? (axis->coordToPixel(range.upper) - origin) / range.size() : 0;
    }
    double operator()(double coordinate) const {
        // NaN stays NaN, and so ends the line.
        return std::clamp(origin + (coordinate - lower) * scale, -kFarPixel, kFarPixel);
    }
    double origin = 0;
    double lower = 0;
    double scale = 0;
};

}  // namespace

// What both kinds of trace share: they draw from the chart's data, which
// QCustomPlot knows nothing of, so they neither take part in selection nor
// in fitting the axes, and they fill whole pixels.
class RecordedTrace : public QCPAbstractPlottable {
public:
    RecordedTrace(RecordedChart* chart, QCPAxis* keyAxis, QCPAxis* valueAxis)
        : QCPAbstractPlottable(keyAxis, valueAxis), chart_(chart) {
        setSelectable(QCP::stNone);
        // Spans are whole pixels: blending would only blur them, and cost.
        setAntialiased(false);
    }

    double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }
    QCPRange getKeyRange(bool& found, QCP::SignDomain) const override {
        found = false;
        return {};
    }
    QCPRange getValueRange(bool& found, QCP::SignDomain, const QCPRange&) const override {
        found = false;
        return {};
    }

protected:
    void drawLegendIcon(QCPPainter*, const QRectF&) const override {}

    RecordedChart* chart_;
    ColumnSpanBuilder spans_;
    SpanPainter painter_;
};

// The quantities of one lane, in their order, each over the ones before.
class QuantitiesTrace : public RecordedTrace {
public:
    QuantitiesTrace(RecordedChart* chart, int lane, QCPAxisRect* rect)
        : RecordedTrace(chart, rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft)),
          lane_(lane) {}

protected:
    void draw(QCPPainter* painter) override;

private:
    // The column spans of `quantity` in `spans_`: from lines read back, or
    // from the index's blocks.
    void buildSpans(const RecordedData& data, std::size_t quantity);
    void buildSpans(const RecordedIndex& index, std::size_t quantity);

    int lane_;
    SpanCanvas canvas_;
};

// The six outputs as step lines, one lane each.
class OutputsTrace : public RecordedTrace {
public:
    using RecordedTrace::RecordedTrace;

protected:
    void draw(QCPPainter* painter) override;

private:
    // The outputs of a pixel column's lines: the first and last line's, those
    // HI on every line and on any.
    struct Column {
        bool present = false;
        std::uint8_t first = 0;
        std::uint8_t all = 0xFF;
        std::uint8_t any = 0;
        std::uint8_t last = 0;
        void add(std::uint8_t f, std::uint8_t a, std::uint8_t y, std::uint8_t l) {
            first = present ? first : f;
            present = true;
            all &= a;
            any |= y;
            last = l;
        }
    };
    struct Point {
        bool present = false;
        double x = 0;
        std::uint8_t states = 0;
    };
    struct PerLine {
        double x = 0;
        std::uint8_t states = 0;
    };
    std::vector<Column> columns_;
    // The lines just outside the range, so that the steps reach the edges.
    struct {
        Point before;
        Point after;
    } ends_;
    // Fewer lines than pixels: each line's step.
    std::vector<PerLine> perLine_;
};

void QuantitiesTrace::draw(QCPPainter* painter) {
    if (lane_ >= chart_->laneCount_) {
        return;
    }
    applyDefaultAntialiasingHint(painter);
    const RecordedData* detail = chart_->shownDetail();
    const auto snapshot = chart_->snapshot();
    if (!snapshot || snapshot->index().size() == 0) {
        return;
    }
    const RecordedIndex& index = snapshot->index();
    const std::array<bool, kQuantityCount>& drawn = chart_->lanes_[lane_].quantities;
    const bool onCanvas = SpanCanvas::canPaintOn(*painter) && !painter->antialiasing();
    if (onCanvas) {
        canvas_.begin(clipRect());
    }
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        if (!drawn[q] || !index.layout().hasQuantity(q)) {
            continue;
        }
        if (detail != nullptr) {
            buildSpans(*detail, q);
        } else {
            buildSpans(index, q);
        }
        const QColor colour = chartSeriesColour(static_cast<int>(q));
        if (onCanvas) {
            canvas_.add(spans_.lines(), colour);
        } else {
            painter_.draw(*painter, spans_.lines(), QPen(colour, RecordedChart::kLineWidth));
        }
    }
    if (onCanvas) {
        canvas_.end(*painter);
    }
}

void QuantitiesTrace::buildSpans(const RecordedData& data, std::size_t quantity) {
    const std::span<const float> values = data.values(quantity);
    const std::span<const double> x = data.x();
    const PixelMap keyPixel(keyAxis());
    const PixelMap valuePixel(valueAxis());
    const std::vector<std::size_t>& starts = chart_->columnStarts(data);
    const int width = static_cast<int>(starts.size()) - 1;
    const double left = keyAxis()->axisRect()->left();
    const std::size_t first = starts.front();
    const std::size_t last = starts.back();
    spans_.clear();
    const auto addLine = [&](std::size_t i) {
        spans_.add({keyPixel(x[i]), valuePixel(values[i])});
    };
    // The lines just outside the range too, so that the line reaches the edges.
    if (first > 0) {
        addLine(first - 1);
    }
    if (last - first <= 2 * static_cast<std::size_t>(width)) {
        // A jump in time breaks the line, as in the blocks.
        const double gapPixels = std::max(
            kGapPixels, 4.0 * width / static_cast<double>(std::max<std::size_t>(last - first, 1)));
        for (std::size_t i = first; i < last; ++i) {
            if (i > 0 && keyPixel(x[i]) - keyPixel(x[i - 1]) > gapPixels) {
                spans_.breakLine();
            }
            addLine(i);
        }
    } else {
        int lastFilled = -1;
        for (int c = 0; c < width; ++c) {
            const std::size_t a = starts[c];
            const std::size_t b = starts[c + 1];
            if (a == b) {
                continue;
            }
            if (lastFilled >= 0 && c - lastFilled > kGapPixels) {
                spans_.breakLine();  // a run of columns without a line: a jump in time
            }
            lastFilled = c;
            const MinMax range = data.minMax(quantity, a, b);
            if (range.empty()) {
                spans_.breakLine();
                continue;
            }
            // First, lowest, highest, last: the column's span, joined to its
            // neighbours where the data goes on.
            const double cx = left + c + 0.5;
            if (!std::isnan(values[a])) {
                spans_.add({cx, valuePixel(values[a])});
            }
            spans_.add({cx, valuePixel(range.min)});
            spans_.add({cx, valuePixel(range.max)});
            if (!std::isnan(values[b - 1])) {
                spans_.add({cx, valuePixel(values[b - 1])});
            }
        }
    }
    if (last < data.size()) {
        addLine(last);
    }
}

void QuantitiesTrace::buildSpans(const RecordedIndex& index, std::size_t quantity) {
    const RecordedChart::ShownUnits shown = chart_->shownUnits(index);
    const std::vector<IndexBlock>& blocks = *shown.level.units;
    const std::size_t first = shown.first;
    const std::size_t last = shown.last;
    const PixelMap keyPixel(keyAxis());
    const PixelMap valuePixel(valueAxis());
    const int width = std::max(keyAxis()->axisRect()->width(), 1);
    const double left = keyAxis()->axisRect()->left();
    spans_.clear();
    const auto addValue = [&](double x, float v) {
        if (!std::isnan(v)) {
            spans_.add({x, valuePixel(v)});
        }
    };
    // The blocks of one pixel column.
    int column = -1;
    MinMax range;
    float firstValue = 0;
    float lastValue = 0;
    const auto flush = [&] {
        if (column < 0) {
            return;
        }
        if (range.empty()) {
            spans_.breakLine();
        } else {
            const double cx = left + column + 0.5;
            addValue(cx, firstValue);
            spans_.add({cx, valuePixel(range.min)});
            spans_.add({cx, valuePixel(range.max)});
            addValue(cx, lastValue);
        }
        column = -1;
    };
    // Where the time jumps (a recording stopped and started again, the next
    // file of a split set) the line breaks: a step of several times the
    // units' mean spacing on the screen.
    const double gapPixels =
        std::max(kGapPixels, 4.0 * width / static_cast<double>(std::max<std::size_t>(last - first, 1)));
    double previousEnd = std::numeric_limits<double>::quiet_NaN();
    if (first > 0) {
        previousEnd = keyPixel(blocks[first - 1].lastX);
        addValue(previousEnd, blocks[first - 1].last[quantity]);
    }
    for (std::size_t b = first; b < last; ++b) {
        const IndexBlock& block = blocks[b];
        const double start = keyPixel(block.firstX);
        const double end = keyPixel(block.lastX);
        if (start - previousEnd > gapPixels) {
            flush();
            spans_.breakLine();
        }
        const int c = std::clamp(static_cast<int>(std::floor(start - left)), 0, width - 1);
        if (c != column) {
            flush();
            column = c;
            range = MinMax();
            firstValue = block.first[quantity];
        }
        range.add(block.range[quantity]);
        lastValue = block.last[quantity];
        if (end - start > gapPixels) {
            // The jump is inside the unit: its last line stands after it.
            flush();
            spans_.breakLine();
            addValue(end, block.last[quantity]);
        }
        previousEnd = end;
    }
    flush();
    if (last < blocks.size()) {
        if (keyPixel(blocks[last].firstX) - previousEnd > gapPixels) {
            spans_.breakLine();
        }
        addValue(keyPixel(blocks[last].firstX), blocks[last].first[quantity]);
    }
}

void OutputsTrace::draw(QCPPainter* painter) {
    if (!chart_->outputsShown_) {
        return;
    }
    applyDefaultAntialiasingHint(painter);
    const RecordedData* detail = chart_->shownDetail();
    const auto snapshot = chart_->snapshot();
    if (!snapshot || snapshot->index().size() == 0 ||
        !snapshot->index().layout().has(LogColumn::Output)) {
        return;
    }
    const PixelMap keyPixel(keyAxis());
    const int width = std::max(keyAxis()->axisRect()->width(), 1);
    const double left = keyAxis()->axisRect()->left();
    columns_.assign(static_cast<std::size_t>(width), Column{});
    ends_ = {};
    perLine_.clear();
    if (detail != nullptr) {
        const RecordedData& data = *detail;
        const std::span<const std::uint8_t> outputs = data.outputs();
        const std::span<const double> x = data.x();
        const std::vector<std::size_t>& starts = chart_->columnStarts(data);
        const std::size_t first = starts.front() > 0 ? starts.front() - 1 : 0;
        const std::size_t last = std::min(starts.back() + 1, outputs.size());
        if (last - first <= 2 * static_cast<std::size_t>(width)) {
            for (std::size_t i = first; i < last; ++i) {
                perLine_.push_back({keyPixel(x[i]), outputs[i]});
            }
        } else {
            for (int c = 0; c < width; ++c) {
                Column& column = columns_[static_cast<std::size_t>(c)];
                for (std::size_t i = starts[c]; i < starts[c + 1]; ++i) {
                    column.add(outputs[i], outputs[i], outputs[i], outputs[i]);
                }
            }
            if (first < starts.front()) {
                ends_.before = {true, keyPixel(x[first]), outputs[first]};
            }
            if (starts.back() < outputs.size()) {
                ends_.after = {true, keyPixel(x[starts.back()]), outputs[starts.back()]};
            }
        }
    } else {
        const RecordedChart::ShownUnits shown = chart_->shownUnits(snapshot->index());
        const std::vector<IndexBlock>& blocks = *shown.level.units;
        const std::size_t first = shown.first;
        const std::size_t last = shown.last;
        for (std::size_t b = first; b < last; ++b) {
            const IndexBlock& block = blocks[b];
            const int c = std::clamp(static_cast<int>(std::floor(keyPixel(block.firstX) - left)),
                                     0, width - 1);
            columns_[static_cast<std::size_t>(c)].add(block.outputsFirst, block.outputsAll,
                                                      block.outputsAny, block.outputsLast);
        }
        if (first > 0) {
            ends_.before = {true, keyPixel(blocks[first - 1].lastX), blocks[first - 1].outputsLast};
        }
        if (last < blocks.size()) {
            ends_.after = {true, keyPixel(blocks[last].firstX), blocks[last].outputsFirst};
        }
    }
    // Where the time jumps the step lines break, as the quantities do: a step
    // of several times the mean spacing of what is drawn.
    const auto present = static_cast<std::size_t>(std::count_if(
        columns_.begin(), columns_.end(), [](const Column& column) { return column.present; }));
    const double gapPixels = std::max(
        kGapPixels, 4.0 * width / static_cast<double>(std::max<std::size_t>(
                                      perLine_.empty() ? present : perLine_.size(), 1)));
    for (std::size_t n = 0; n < kOutputCount; ++n) {
        const std::uint8_t bit = static_cast<std::uint8_t>(1u << n);
        const double lane = static_cast<double>(kOutputCount - 1 - n);
        const double low = valueAxis()->coordToPixel(lane + kLaneLow);
        const double high = valueAxis()->coordToPixel(lane + kLaneHigh);
        const auto level = [&](std::uint8_t states) { return (states & bit) != 0 ? high : low; };
        spans_.clear();
        double previousX = std::numeric_limits<double>::quiet_NaN();
        const auto breakAtGap = [&](double x) {
            if (x - previousX > gapPixels) {
                spans_.breakLine();
            }
            previousX = x;
        };
        for (std::size_t i = 0; i < perLine_.size(); ++i) {
            const double before = previousX;
            breakAtGap(perLine_[i].x);
            if (i > 0 && !(perLine_[i].x - before > gapPixels)) {
                spans_.add({perLine_[i].x, level(perLine_[i - 1].states)});  // the step
            }
            spans_.add({perLine_[i].x, level(perLine_[i].states)});
        }
        if (ends_.before.present) {
            breakAtGap(ends_.before.x);
            spans_.add({ends_.before.x, level(ends_.before.states)});
        }
        for (int c = 0; c < width; ++c) {
            const Column& column = columns_[static_cast<std::size_t>(c)];
            if (!column.present) {
                continue;
            }
            const double cx = left + c + 0.5;
            breakAtGap(cx);
            spans_.add({cx, level(column.first)});
            if ((column.all & bit) == 0 && (column.any & bit) != 0) {
                spans_.add({cx, low});
                spans_.add({cx, high});
            }
            spans_.add({cx, level(column.last)});
        }
        if (ends_.after.present) {
            breakAtGap(ends_.after.x);
            spans_.add({ends_.after.x, level(ends_.after.states)});
        }
        painter_.draw(*painter, spans_.lines(), QPen(QColor(kOutputColours[n]), 1));
    }
}

RecordedChart::RecordedChart(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("RecordedChart"));
    setAutoAddPlottableToLegend(false);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    shown_.fill(true);
    unitGroups_ = recordedUnitGroups({});

    outputsRect_ = new QCPAxisRect(this);
    plotLayout()->addElement(1, 0, outputsRect_);
    outputsRect_->setMinimumSize(0, kOutputsBandHeight);
    outputsRect_->setMaximumSize(QWIDGETSIZE_MAX, kOutputsBandHeight);
    auto* margins = new QCPMarginGroup(this);
    outputsRect_->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
    // The lanes beyond the first wait outside the layout until they are shown.
    for (std::size_t n = 0; n < lanes_.size(); ++n) {
        lanes_[n].rect = n == 0 ? axisRect() : new QCPAxisRect(this);
        lanes_[n].rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        if (n > 0) {
            lanes_[n].rect->setVisible(false);
        }
    }

    QCPAxis* outputsX = outputsRect_->axis(QCPAxis::atBottom);
    QCPAxis* outputsY = outputsRect_->axis(QCPAxis::atLeft);
    outputsY->setRange(0, kOutputCount);
    auto lanes = QSharedPointer<QCPAxisTickerText>::create();
    for (std::size_t n = 0; n < kOutputCount; ++n) {
        lanes->addTick(static_cast<double>(kOutputCount - 1 - n) + 0.5,
                       QStringLiteral("OUT%1").arg(n + 1));
    }
    outputsY->setTicker(lanes);
    outputsY->grid()->setVisible(false);
    outputsX->setTickLabels(false);

    // Every x axis follows the first lane's, and it them: one time for all.
    std::vector<QCPAxis*> linked;
    for (QCPAxisRect* rect : rects()) {
        rect->setBackground(kPlotBackground);
        rect->setRangeDrag(Qt::Horizontal);
        rect->setRangeZoom(Qt::Horizontal);
        for (QCPAxis* axis : rect->axes()) {
            axis->grid()->setPen(QPen(kGridColour, 0, Qt::DotLine));
        }
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        rect->setRangeDragAxes(x, nullptr);
        rect->setRangeZoomAxes(x, nullptr);
        if (x != xAxis) {
            linked.push_back(x);
            connect(x, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                    [this](const QCPRange& range) {
                        if (xAxis->range() != range) {
                            xAxis->setRange(range);
                        }
                    });
        }
    }
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this, linked](const QCPRange& range) {
                for (QCPAxis* x : linked) {
                    if (x->range() != range) {
                        x->setRange(range);
                    }
                }
                xRangeChanged(range);
            });

    for (std::size_t n = 0; n < lanes_.size(); ++n) {
        new QuantitiesTrace(this, static_cast<int>(n), lanes_[n].rect);  // owned by the plot
    }
    new OutputsTrace(this, outputsX, outputsY);  // owned by the plot

    // The cursor on a layer of its own, so that moving it repaints only it.
    addLayer(QStringLiteral("cursor"), layer(QStringLiteral("main")), QCustomPlot::limAbove);
    layer(QStringLiteral("cursor"))->setMode(QCPLayer::lmBuffered);
    const auto makeCursor = [this](QCPAxisRect* rect) {
        auto* line = new QCPItemStraightLine(this);
        line->setLayer(QStringLiteral("cursor"));
        line->setClipAxisRect(rect);
        line->setPen(QPen(kCursorColour, 1));
        for (QCPItemPosition* point : {line->point1, line->point2}) {
            point->setAxisRect(rect);
            point->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        }
        line->setVisible(false);
        return line;
    };
    // A lane's name inside its corner: a rotated axis label outgrows a lane
    // that is lower than the name is long.
    const auto makeName = [this](QCPAxisRect* rect) {
        auto* name = new QCPItemText(this);
        name->setClipToAxisRect(true);
        name->setClipAxisRect(rect);
        name->position->setType(QCPItemPosition::ptAxisRectRatio);
        name->position->setAxisRect(rect);
        name->position->setCoords(0, 0);
        name->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
        name->setPadding(QMargins(4, 1, 4, 1));
        name->setColor(Qt::white);
        name->setBrush(QColor(0, 0, 0, 160));
        name->setVisible(false);
        return name;
    };
    for (Lane& lane : lanes_) {
        lane.cursor = makeCursor(lane.rect);
        lane.name = makeName(lane.rect);
    }
    outputsCursorLine_ = makeCursor(outputsRect_);
    arrangeLanes();
}

void RecordedChart::setLoader(const RecordedFileLoader* loader) {
    loader_ = loader;
    xSourceApplied_ = false;
    followEnd_ = true;
    columns_ = {};
    setCursorX(std::numeric_limits<double>::quiet_NaN());
    arrangeLanes();
    dataGrew();
}

std::optional<RecordedFileLoader::Snapshot> RecordedChart::snapshot() const {
    if (loader_ == nullptr) {
        return std::nullopt;
    }
    return loader_->snapshot();
}

void RecordedChart::setQuantityShown(std::size_t quantity, bool shown) {
    shown_[quantity] = shown;
    arrangeLanes();
}

void RecordedChart::setOutputsShown(bool shown) {
    outputsShown_ = shown;
    arrangeLanes();
}

void RecordedChart::setLaneLayout(LaneLayout layout) {
    laneLayout_ = layout;
    arrangeLanes();
    emit lanesChanged();
}

double RecordedChart::laneStretch(int lane) const {
    return plotLayout()->rowStretchFactors().value(lane, 1);
}

void RecordedChart::changeLaneHeight(int lane, int steps) {
    if (lane < 0 || lane >= laneCount_) {
        return;
    }
    const auto& quantities = lanes_[static_cast<std::size_t>(lane)].quantities;
    const auto first = std::find(quantities.begin(), quantities.end(), true);
    if (first == quantities.end()) {
        return;
    }
    int& step = heightSteps_[static_cast<std::size_t>(first - quantities.begin())];
    step = std::clamp(step + steps, kFewestHeightSteps, kMostHeightSteps);
    arrangeLanes();
    emit lanesChanged();
}

void RecordedChart::equalLaneHeights() {
    heightSteps_.fill(0);
    arrangeLanes();
    emit lanesChanged();
}

void RecordedChart::setHeightSteps(const std::array<int, kQuantityCount>& steps) {
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        heightSteps_[q] = std::clamp(steps[q], kFewestHeightSteps, kMostHeightSteps);
    }
    arrangeLanes();
}

void RecordedChart::contextMenuEvent(QContextMenuEvent* event) {
    int lane = -1;
    for (int n = 0; n < laneCount_; ++n) {
        if (lanes_[static_cast<std::size_t>(n)].rect->outerRect().contains(event->pos())) {
            lane = n;
        }
    }
    if (laneLayout_ == LaneLayout::OneAxis || lane < 0) {
        QCustomPlot::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("viewer_lane_menu"));
    const auto add = [&](const char* objectName, const QString& text, auto slot) {
        QAction* action = menu.addAction(text);
        action->setObjectName(QString::fromLatin1(objectName));
        connect(action, &QAction::triggered, this, slot);
    };
    add("viewer_lane_taller", QCoreApplication::translate("Viewer", "Wyższy pas"),
        [this, lane] { changeLaneHeight(lane, 1); });
    add("viewer_lane_shorter", QCoreApplication::translate("Viewer", "Niższy pas"),
        [this, lane] { changeLaneHeight(lane, -1); });
    add("viewer_lane_equal", QCoreApplication::translate("Viewer", "Równe wysokości pasów"),
        [this] { equalLaneHeights(); });
    menu.exec(event->globalPos());
}

void RecordedChart::setUnitGroups(const std::array<int, kQuantityCount>& groups) {
    unitGroups_ = groups;
    arrangeLanes();
}

std::vector<QCPAxisRect*> RecordedChart::rects() const {
    std::vector<QCPAxisRect*> all;
    for (const Lane& lane : lanes_) {
        all.push_back(lane.rect);
    }
    all.push_back(outputsRect_);
    return all;
}

std::array<bool, kQuantityCount> RecordedChart::quantitiesInFile() const {
    std::array<bool, kQuantityCount> inFile;
    inFile.fill(true);
    if (const auto snap = snapshot()) {
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            inFile[q] = snap->index().layout().hasQuantity(q);
        }
    }
    return inFile;
}

void RecordedChart::arrangeLanes() {
    for (Lane& lane : lanes_) {
        lane.quantities.fill(false);
    }
    inFile_ = quantitiesInFile();
    int count = 1;
    if (laneLayout_ == LaneLayout::OneAxis) {
        lanes_[0].quantities = shown_;
    } else {
        // The lane of each quantity (or unit) in the order of the quantities.
        std::array<int, kQuantityCount> laneOf;
        laneOf.fill(-1);
        int next = 0;
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            if (!shown_[q] || !inFile_[q]) {
                continue;
            }
            const std::size_t key = laneLayout_ == LaneLayout::LanesByUnit
                                        ? static_cast<std::size_t>(unitGroups_[q]) % kQuantityCount
                                        : q;
            if (laneOf[key] < 0) {
                laneOf[key] = next++;
            }
            lanes_[static_cast<std::size_t>(laneOf[key])].quantities[q] = true;
        }
        count = std::max(next, 1);
    }
    laneCount_ = count;

    QCPLayoutGrid* grid = plotLayout();
    for (QCPAxisRect* rect : rects()) {
        if (rect->layout() == grid) {
            grid->take(rect);
        }
    }
    grid->simplify();
    const bool oneAxis = laneLayout_ == LaneLayout::OneAxis;
    for (int n = 0; n < static_cast<int>(lanes_.size()); ++n) {
        Lane& lane = lanes_[static_cast<std::size_t>(n)];
        const bool shown = n < count;
        lane.rect->setVisible(shown);
        if (!shown) {
            lane.cursor->setVisible(false);
            lane.name->setVisible(false);
            continue;
        }
        grid->addElement(n, 0, lane.rect);
        // The time's labels under the last lane only, the lanes close together.
        const bool last = n == count - 1;
        lane.rect->axis(QCPAxis::atBottom)->setTickLabels(last);
        lane.rect->axis(QCPAxis::atBottom)->setLabel(last ? xLabel_ : QString());
        lane.rect->setAutoMargins(last ? QCP::msAll : QCP::msLeft | QCP::msRight | QCP::msTop);
        lane.rect->setMargins(QMargins(0, 0, 0, last ? 0 : 2));
        lane.rect->axis(QCPAxis::atLeft)->ticker()->setTickCount(oneAxis ? 5 : 3);
        QStringList names;
        if (!oneAxis) {
            for (std::size_t q = 0; q < kQuantityCount; ++q) {
                if (lane.quantities[q]) {
                    names << QCoreApplication::translate(
                        "Chart", chartSeriesTitle(static_cast<int>(q)).toUtf8());
                }
            }
        }
        lane.name->setText(names.join(QStringLiteral(", ")));
        lane.name->setVisible(!names.isEmpty());
        const auto first = std::find(lane.quantities.begin(), lane.quantities.end(), true);
        const int step = oneAxis || first == lane.quantities.end()
                             ? 0
                             : heightSteps_[static_cast<std::size_t>(first - lane.quantities.begin())];
        grid->setRowStretchFactor(n, std::pow(1.5, step));
    }
    outputsRect_->setVisible(outputsShown_);
    if (outputsShown_) {
        grid->addElement(count, 0, outputsRect_);
    }
    setCursorX(cursorX_);
    fitValueAxis();
    replot(rpQueuedReplot);
}

std::optional<QCPRange> RecordedChart::fullRange() const {
    const auto snap = snapshot();
    if (!snap || snap->index().size() == 0) {
        return std::nullopt;
    }
    QCPRange range(snap->index().firstX(), snap->index().lastX());
    if (range.size() <= 0) {
        range = QCPRange(range.lower - 0.5, range.lower + 0.5);
    }
    return range;
}

void RecordedChart::applyXSource(XSource source) {
    switch (source) {
        case XSource::DateTime:
        case XSource::TimeOfDay:
            xAxis->setTicker(
                QSharedPointer<TimeAxisTicker>::create(source == XSource::DateTime));
            xLabel_.clear();
            break;
        case XSource::Counter:
            xAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
            xLabel_ = QCoreApplication::translate("Viewer", "licznik raportów");
            break;
        case XSource::LineNumber:
            xAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
            xLabel_ = QCoreApplication::translate("Viewer", "numer linii");
            break;
    }
    outputsRect_->axis(QCPAxis::atBottom)->setTicker(xAxis->ticker());
    for (int n = 0; n < static_cast<int>(lanes_.size()); ++n) {
        QCPAxis* x = lanes_[static_cast<std::size_t>(n)].rect->axis(QCPAxis::atBottom);
        x->setTicker(xAxis->ticker());
        x->setLabel(n == laneCount_ - 1 ? xLabel_ : QString());
    }
}

void RecordedChart::dataGrew() {
    if (quantitiesInFile() != inFile_) {
        arrangeLanes();  // a stream's columns were chosen
    }
    const std::optional<QCPRange> full = fullRange();
    if (!full) {
        replot(rpQueuedReplot);
        return;
    }
    if (!xSourceApplied_) {
        xSourceApplied_ = true;
        applyXSource(snapshot()->index().xSource());
        showWholeFile();
        return;
    }
    if (followEnd_) {
        const double size = xAxis->range().size();
        const bool wasWhole = size >= full->size() || xAxis->range().lower <= full->lower;
        xAxis->setRange(wasWhole ? *full : QCPRange(full->upper - size, full->upper));
        followEnd_ = true;
    }
    fitValueAxis();
    replot(rpQueuedReplot);
}

void RecordedChart::showWholeFile() {
    if (const std::optional<QCPRange> full = fullRange()) {
        xAxis->setRange(*full);
        followEnd_ = true;
    }
    fitValueAxis();
    replot(rpQueuedReplot);
}

void RecordedChart::xRangeChanged(const QCPRange& range) {
    if (const std::optional<QCPRange> full = fullRange()) {
        // Never wider than the file, nor off its ends.
        QCPRange clamped = range;
        if (clamped.size() > full->size()) {
            clamped = *full;
        } else if (clamped.lower < full->lower) {
            clamped = QCPRange(full->lower, full->lower + range.size());
        } else if (clamped.upper > full->upper) {
            clamped = QCPRange(full->upper - range.size(), full->upper);
        }
        if (clamped != range) {
            xAxis->setRange(clamped);  // comes back here
            return;
        }
        followEnd_ = range.upper >= full->upper;
    }
    fitValueAxis();
}

std::pair<std::size_t, std::size_t> RecordedChart::shownLines() const {
    if (loader_ == nullptr) {
        return {0, 0};
    }
    const QCPRange range = xAxis->range();
    std::size_t lowBlock = 0;
    std::size_t highBlock = 0;
    std::size_t lines = 0;
    std::array<std::pair<std::size_t, std::size_t>, 2> blockLines{};
    {
        const auto snap = loader_->snapshot();
        const RecordedIndex& index = snap.index();
        lines = index.size();
        lowBlock = index.blockAtOrAfter(range.lower);
        // The block where lines beyond the right edge begin.
        highBlock = index.blockAtOrAfter(std::nextafter(range.upper, HUGE_VAL));
        const auto linesOf = [&](std::size_t b) {
            return b < index.blocks().size() ? std::pair{index.firstLineOf(b), index.endLineOf(b)}
                                             : std::pair{lines, lines};
        };
        blockLines = {linesOf(lowBlock), linesOf(highBlock)};
    }
    // Within the edge blocks, line by line.
    const auto firstAtOrAfter = [&](std::pair<std::size_t, std::size_t> block, double x,
                                    bool after) {
        RecordedData read;
        std::string error;
        if (block.first >= block.second || !loader_->readLines(block.first, block.second, read, error)) {
            return block.first;
        }
        const std::span<const double> xs = read.x();
        const auto it = after ? std::upper_bound(xs.begin(), xs.end(), x)
                              : std::lower_bound(xs.begin(), xs.end(), x);
        return block.first + static_cast<std::size_t>(it - xs.begin());
    };
    const std::size_t first = firstAtOrAfter(blockLines[0], range.lower, false);
    // The line exactly at the right edge is shown too.
    const std::size_t last = std::max(first, firstAtOrAfter(blockLines[1], range.upper, true));
    return {first, std::min(last, lines)};
}

RecordedChart::ShownUnits RecordedChart::shownUnits(const RecordedIndex& index) const {
    const auto [first, last] = shownBlocks(index);
    const auto columns = static_cast<std::size_t>(std::max(axisRect()->width(), 1));
    // Many coarse blocks to a column still: the picture is the same.
    if (last - first < 2 * RecordedIndex::kCoarseFanOut * columns) {
        return {index.level(false), first, last};
    }
    const std::size_t fan = RecordedIndex::kCoarseFanOut;
    return {index.level(true), first / fan, (last + fan - 1) / fan};
}

std::pair<std::size_t, std::size_t> RecordedChart::shownBlocks(const RecordedIndex& index) const {
    const QCPRange range = xAxis->range();
    const std::size_t first = index.blockAtOrAfter(range.lower);
    const std::size_t last = std::min(index.blockAtOrAfter(range.upper) + 1, index.blocks().size());
    return {first, std::max(first, last)};
}

const RecordedData* RecordedChart::shownDetail() {
    if (loader_ == nullptr) {
        return nullptr;
    }
    const std::uint32_t reloads = loader_->progress().reloads;
    std::size_t want = 0;
    std::size_t wantEnd = 0;
    {
        const auto snap = loader_->snapshot();
        const RecordedIndex& index = snap.index();
        const auto [first, last] = shownBlocks(index);
        // Blocks at least two pixels apart are too coarse: each would be a
        // step of its own. But the blocks of days of lines are large: more
        // lines than a redraw can read back are drawn from the blocks still,
        // until a closer zoom.
        const std::size_t columns = static_cast<std::size_t>(std::max(axisRect()->width(), 1));
        if (index.size() == 0 || last - first > columns / 2 ||
            (last - first) * index.blockLines() > kMostLinesReadBack) {
            detail_ = Detail{};
            return nullptr;
        }
        // A block more on each side for the lines just outside the range.
        const std::size_t from = first > 0 ? first - 1 : 0;
        const std::size_t to = std::min(last + 1, index.blocks().size());
        const std::size_t needFirst = index.firstLineOf(from);
        const std::size_t needEnd = index.endLineOf(to - 1);
        const bool growing = needEnd == index.size() && detail_.indexLines != index.size();
        if (detail_.valid && detail_.reloads == reloads && detail_.first <= needFirst &&
            detail_.first + detail_.lines.size() >= needEnd && !growing) {
            return &detail_.lines;
        }
        // A quarter more on each side: a short pan reads nothing.
        const std::size_t span = (to - from) / 4 + 1;
        want = index.firstLineOf(from > span ? from - span : 0);
        wantEnd = index.endLineOf(std::min(to + span, index.blocks().size()) - 1);
        detail_.indexLines = index.size();
    }
    std::string error;
    if (!loader_->readLines(want, wantEnd, detail_.lines, error)) {
        detail_ = Detail{};
        return nullptr;  // the blocks still draw it
    }
    detail_.valid = true;
    detail_.first = want;
    detail_.reloads = reloads;
    ++detail_.serial;
    return &detail_.lines;
}

void RecordedChart::fitValueAxis() {
    const RecordedData* detail = shownDetail();
    const auto snap = snapshot();
    if (!snap) {
        return;
    }
    const RecordedIndex& index = snap->index();
    const QCPRange range = xAxis->range();
    std::size_t first = 0;
    std::size_t last = 0;
    const ShownUnits units = shownUnits(index);
    if (detail != nullptr) {
        first = detail->indexAtOrAfter(range.lower);
        last = std::min(detail->indexAtOrAfter(range.upper) + 1, detail->size());
    } else {
        first = units.first;
        last = units.last;
    }
    for (int n = 0; n < laneCount_; ++n) {
        const Lane& lane = lanes_[static_cast<std::size_t>(n)];
        MinMax shown;
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            if (!lane.quantities[q] || !index.layout().hasQuantity(q) || first >= last) {
                continue;
            }
            MinMax values;
            if (detail != nullptr) {
                values = detail->minMax(q, first, last);
            } else {
                for (std::size_t b = first; b < last; ++b) {
                    values.add((*units.level.units)[b].range[q]);
                }
            }
            // An infinite value is drawn to the edge; it cannot set the scale.
            if (!values.empty() && std::isfinite(values.min) && std::isfinite(values.max)) {
                shown.add(values);
            }
        }
        if (shown.empty()) {
            continue;
        }
        const double low = shown.min;
        const double high = shown.max;
        const double margin =
            high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 0.5);
        lane.rect->axis(QCPAxis::atLeft)->setRange(low - margin, high + margin);
    }
}

const std::vector<std::size_t>& RecordedChart::columnStarts(const RecordedData& data) {
    const QCPRange range = xAxis->range();
    const int left = axisRect()->left();
    const int width = std::max(axisRect()->width(), 1);
    ColumnCache& cache = columns_;
    if (cache.starts.empty() || cache.serial != detail_.serial || cache.lines != data.size() ||
        cache.lower != range.lower || cache.upper != range.upper || cache.left != left ||
        cache.width != width) {
        cache.serial = detail_.serial;
        cache.lines = data.size();
        cache.lower = range.lower;
        cache.upper = range.upper;
        cache.left = left;
        cache.width = width;
        cache.starts.resize(static_cast<std::size_t>(width) + 1);
        for (int c = 0; c <= width; ++c) {
            cache.starts[c] = data.indexAtOrAfter(xAxis->pixelToCoord(left + c));
        }
    }
    return cache.starts;
}

void RecordedChart::setCursorX(double x) {
    cursorX_ = x;
    const bool visible = std::isfinite(x);
    std::vector<QCPItemStraightLine*> lines{outputsCursorLine_};
    for (int n = 0; n < laneCount_; ++n) {
        lines.push_back(lanes_[static_cast<std::size_t>(n)].cursor);
    }
    for (QCPItemStraightLine* line : lines) {
        line->setVisible(visible);
        if (visible) {
            line->point1->setCoords(x, 0);
            line->point2->setCoords(x, 1);
        }
    }
    layer(QStringLiteral("cursor"))->replot();
}

void RecordedChart::keyPressEvent(QKeyEvent* event) {
    const QCPRange range = xAxis->range();
    const double step = range.size() / 10;
    switch (event->key()) {
        case Qt::Key_Left:
            xAxis->moveRange(-step);
            break;
        case Qt::Key_Right:
            xAxis->moveRange(step);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            xAxis->scaleRange(0.5, std::isfinite(cursorX_) ? cursorX_ : range.center());
            break;
        case Qt::Key_Minus:
            xAxis->scaleRange(2.0, std::isfinite(cursorX_) ? cursorX_ : range.center());
            break;
        case Qt::Key_Home:
            showWholeFile();
            return;
        default:
            QCustomPlot::keyPressEvent(event);
            return;
    }
    replot(rpQueuedReplot);
}

void RecordedChart::mouseMoveEvent(QMouseEvent* event) {
    QCustomPlot::mouseMoveEvent(event);
    const QRect area = axisRect()->rect();
    const double px = event->position().x();
    if (px >= area.left() && px <= area.right()) {
        setCursorX(xAxis->pixelToCoord(px));
        emit cursorMoved(cursorX_);
    }
}

QString describeX(double x, XSource source) {
    const auto ms = std::llround(x * 1000);
    switch (source) {
        case XSource::DateTime:
            return dateText(ms) + QLatin1Char(' ') + timeOfDayText(ms, 3);
        case XSource::TimeOfDay:
            return elapsedTimeOfDayText(ms, 3);
        case XSource::Counter:
            return QCoreApplication::translate("Viewer", "raport %1").arg(std::llround(x));
        case XSource::LineNumber:
            return QCoreApplication::translate("Viewer", "linia %1").arg(std::llround(x));
    }
    return {};
}

}  // namespace voltrix
