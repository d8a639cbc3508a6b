// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart/chart_view.h"

#include <cmath>

#include <QCoreApplication>
#include <QResizeEvent>
#include <QStaticText>

#include "ui/chart/column_spans.h"
#include "ui/chart/span_painter.h"

namespace voltrix {
namespace {

struct SeriesLook {
    const char* title;
    QRgb colour;
};

// The order is the quantity order of the module: ADC values, ADC averages,
// encoder positions, encoder velocities, math channels.
const SeriesLook kSeries[kQuantityCount] = {
    {QT_TRANSLATE_NOOP("Chart", "wartość ADC1"), qRgb(255, 0, 0)},
    {QT_TRANSLATE_NOOP("Chart", "wartość ADC2"), qRgb(0, 128, 0)},
    {QT_TRANSLATE_NOOP("Chart", "wartość ADC3"), qRgb(255, 255, 0)},
    {QT_TRANSLATE_NOOP("Chart", "wartość ADC4"), qRgb(0, 0, 255)},
    {QT_TRANSLATE_NOOP("Chart", "wartość ADC 1 (uśredniona)"), qRgb(255, 255, 255)},
    {QT_TRANSLATE_NOOP("Chart", "wartość ADC 2 (uśredniona)"), qRgb(128, 128, 128)},
    {QT_TRANSLATE_NOOP("Chart", "wartość ADC 3 (uśredniona)"), qRgb(255, 0, 255)},
    {QT_TRANSLATE_NOOP("Chart", "wartość ADC 4 (uśredniona)"), qRgb(0, 128, 128)},
    {QT_TRANSLATE_NOOP("Chart", "pozycja ENKODER 1"), qRgb(0, 0, 128)},
    {QT_TRANSLATE_NOOP("Chart", "pozycja ENKODER 2"), qRgb(128, 0, 0)},
    {QT_TRANSLATE_NOOP("Chart", "prędkość ENKODER 1"), qRgb(0, 255, 0)},
    {QT_TRANSLATE_NOOP("Chart", "prędkość ENKODER 2"), qRgb(0, 255, 255)},
    {QT_TRANSLATE_NOOP("Chart", "wartość MATH 1"), qRgb(128, 128, 0)},
    {QT_TRANSLATE_NOOP("Chart", "wartość MATH 2"), qRgb(128, 0, 128)},
};

// A dark plot area: every series colour, white and yellow included, shows on
// it.
const QColor kPlotBackground(40, 40, 40);
const QColor kGridColour(90, 90, 90);

// A series drawn as column spans while its pen is one pixel wide without
// antialiasing: ten minutes of points in a few hundred columns are then a
// few hundred short lines, mapped straight from the data. Anything else (a
// wider pen, markers, a fill, a selection, a log axis) draws as usual.
class DenseGraph : public QCPGraph {
public:
    using QCPGraph::QCPGraph;

protected:
    void draw(QCPPainter* painter) override {
        if (!drawsAsSpans(painter)) {
            QCPGraph::draw(painter);
            return;
        }
        const QCPRange keys = keyAxis()->range();
        const QCPRange values = valueAxis()->range();
        // Both axes are linear, so a pixel is an affine function of the
        // coordinate.
        const double keyPixel = keyAxis()->coordToPixel(keys.lower);
        const double keyScale = (keyAxis()->coordToPixel(keys.upper) - keyPixel) / keys.size();
        const double valuePixel = valueAxis()->coordToPixel(values.lower);
        const double valueScale =
            (valueAxis()->coordToPixel(values.upper) - valuePixel) / values.size();
        spans_.clear();
        // One point beyond each end of the window, so the line reaches the edges.
        const auto end = mDataContainer->findEnd(keys.upper);
        for (auto it = mDataContainer->findBegin(keys.lower); it != end; ++it) {
            spans_.add({keyPixel + (it->key - keys.lower) * keyScale,
                        valuePixel + (it->value - values.lower) * valueScale});
        }
        spanPainter_.draw(*painter, spans_.lines(), mPen);
    }

private:
    bool drawsAsSpans(QCPPainter* painter) const {
        applyDefaultAntialiasingHint(painter);
        const auto linear = [](const QCPAxis* axis) {
            return axis && axis->scaleType() == QCPAxis::stLinear && axis->range().size() > 0;
        };
        return lineStyle() == lsLine && scatterStyle().isNone() && brush() == Qt::NoBrush &&
               !selected() && mPen.style() == Qt::SolidLine && mPen.widthF() <= 1 &&
               !painter->antialiasing() && !painter->modes().testFlag(QCPPainter::pmVectorized) &&
               linear(keyAxis()) && linear(valueAxis()) &&
               keyAxis()->orientation() == Qt::Horizontal;
    }

    // Kept between redraws for their room.
    ColumnSpanBuilder spans_;
    SpanPainter spanPainter_;
};

// A legend entry with a check box in front of the series' colour symbol.
class CheckableLegendItem : public QCPAbstractLegendItem {
public:
    CheckableLegendItem(QCPLegend* legend, QCPGraph* graph)
        : QCPAbstractLegendItem(legend), graph_(graph) {}

    QCPGraph* graph() const { return graph_; }

protected:
    static constexpr int kBox = ChartView::kLegendBox;
    static constexpr int kSymbol = ChartView::kLegendSymbol;
    static constexpr int kGap = ChartView::kLegendGap;

    QSize minimumOuterSizeHint() const override {
        const QSize text = laidOutName().size().toSize();
        return {mMargins.left() + kBox + kGap + kSymbol + kGap + text.width() + mMargins.right(),
                mMargins.top() + qMax(kBox, text.height()) + mMargins.bottom()};
    }

    void draw(QCPPainter* painter) override {
        const QRect r = mRect;
        const int midY = r.center().y();
        const QRect box(r.left(), midY - kBox / 2, kBox, kBox);
        painter->setPen(QPen(Qt::black));
        painter->setBrush(Qt::white);
        painter->drawRect(box);
        if (graph_->visible()) {
            painter->drawLine(QLineF(box.left() + 2, midY, box.left() + 4, box.bottom() - 2));
            painter->drawLine(
                QLineF(box.left() + 4, box.bottom() - 2, box.right() - 2, box.top() + 2));
        }
        // The colour on a dark strip, so that light colours show as well.
        const int symbolLeft = box.right() + kGap;
        painter->fillRect(QRectF(symbolLeft, midY - 3, kSymbol, 6), kPlotBackground);
        painter->setPen(QPen(graph_->pen().color(), 2));
        painter->drawLine(QLineF(symbolLeft + 1, midY, symbolLeft + kSymbol - 1, midY));
        painter->setPen(QPen(mTextColor));
        painter->setFont(mFont);
        const QStaticText& name = laidOutName();
        painter->drawStaticText(
            QPointF(symbolLeft + kSymbol + kGap, r.top() + (r.height() - name.size().height()) / 2),
            name);
    }

private:
    // The series' name, laid out once rather than at every redraw, since
    // the layout of the chart asks for its size each time as well.
    const QStaticText& laidOutName() const {
        if (name_.text() != graph_->name() || nameFont_ != mFont) {
            name_.setText(graph_->name());
            name_.setTextFormat(Qt::PlainText);
            name_.prepare(QTransform(), mFont);
            nameFont_ = mFont;
        }
        return name_;
    }

    QCPGraph* graph_;
    mutable QStaticText name_;
    mutable QFont nameFont_;
};

}  // namespace

QColor chartSeriesColour(int index) {
    return QColor(kSeries[index].colour);
}

QString chartSeriesTitle(int index) {
    return QString::fromUtf8(kSeries[index].title);
}

ChartView::ChartView(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("Chart"));
    setAutoAddPlottableToLegend(false);
    for (int i = 0; i < static_cast<int>(kQuantityCount); ++i) {
        auto* graph = new DenseGraph(xAxis, yAxis);
        graph->setPen(QPen(chartSeriesColour(i), kLineWidth));
        graph->setLineStyle(QCPGraph::lsLine);
        graph->setScatterStyle(QCPScatterStyle::ssNone);
        // Only for the usual drawing, which DenseGraph leaves to QCPGraph
        // for a wider pen, a fill or a selection.
        graph->setAdaptiveSampling(true);
        // Old points are removed once a minute and the rest moved to the
        // front at once (see takePoint); left to itself the container would
        // keep the removed room and grow into ever larger blocks for half an
        // hour before it settles.
        graph->data()->setAutoSqueeze(false);
        graph->data()->add(QVector<QCPGraphData>(kMaxPoints), true);
        graph->data()->clear();  // keeps the room
        series_[i] = graph;
    }

    // The legend sits below the axes, in rows of series.
    legendRow_ = new QCPLayoutGrid;
    plotLayout()->addElement(1, 0, legendRow_);
    plotLayout()->setRowStretchFactor(1, 0.001);
    legendRow_->addElement(0, 0, legend);
    legend->setVisible(true);
    legend->setBrush(Qt::NoBrush);
    legend->setBorderPen(Qt::NoPen);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setWrap(kLegendColumns);
    for (QCPGraph* graph : series_) {
        legend->addItem(new CheckableLegendItem(legend, graph));
    }
    connect(this, &QCustomPlot::legendClick, this,
            [this](QCPLegend*, QCPAbstractLegendItem* item, QMouseEvent*) {
                if (auto* entry = dynamic_cast<CheckableLegendItem*>(item)) {
                    const int index =
                        static_cast<int>(std::find(series_.begin(), series_.end(), entry->graph()) -
                                         series_.begin());
                    setSeriesActive(index, !seriesActive(index));
                }
            });

    axisRect()->setBackground(kPlotBackground);
    for (QCPAxis* axis : {xAxis, yAxis}) {
        axis->grid()->setPen(QPen(kGridColour, 1, Qt::DotLine));
    }
    yAxis->setRange(0, 10);
    xAxis->setRange(0, 1);
    // Zoom and drag with the mouse; the next point taken restores the window.
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // The series are drawn without antialiasing: DenseGraph's column spans
    // need whole pixels, and at ten minutes of fourteen series (84,000
    // points) a smoothed line would look no better. The polyline hint only
    // speeds up the usual drawing, where DenseGraph falls back to it.
    setPlottingHint(QCP::phFastPolylines, true);
    setNotAntialiasedElements(QCP::aePlottables);
    retranslate();
}

bool ChartView::seriesActive(int index) const {
    return series_[index]->visible();
}

void ChartView::setSeriesActive(int index, bool active) {
    if (series_[index]->visible() == active) {
        return;
    }
    series_[index]->setVisible(active);
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartView::setTimeRange(double lower, double upper) {
    xAxis->setRange(lower, upper);
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartView::takePoint(const Measurement& m, int windowSeconds) {
    const double x = clock();
    for (std::size_t i = 0; i < kQuantityCount; ++i) {
        const double y = quantityValue(m, i);
        // Infinite values would stretch the axis without end: they are gaps.
        series_[i]->addData(x, std::isfinite(y) ? y : qQNaN());
    }
    ++pointsTaken_;
    if (pointsTaken_ % kPointsPerTrim == 0) {
        for (QCPGraph* graph : series_) {
            graph->data()->removeBefore(x - kKeptSeconds);
            graph->data()->squeeze(true, false);  // to the front, the room kept
        }
    }
    const double now = clock();
    if (now > windowSeconds) {
        xAxis->setRange(now - windowSeconds, now);
    } else {
        xAxis->setRange(0, windowSeconds);
    }
    fitValueAxis();
    replot(QCustomPlot::rpQueuedReplot);
}

// Fits the value axis to the shown series within the visible time window,
// with a small margin; a flat line gets a band around it.
void ChartView::fitValueAxis() {
    QCPRange range;
    bool any = false;
    for (QCPGraph* graph : series_) {
        if (!graph->visible()) {
            continue;
        }
        bool found = false;
        const QCPRange own = graph->getValueRange(found, QCP::sdBoth, xAxis->range());
        if (found) {
            range =
                any ? QCPRange(qMin(range.lower, own.lower), qMax(range.upper, own.upper)) : own;
            any = true;
        }
    }
    if (!any) {
        return;
    }
    const double span = range.upper - range.lower;
    const double margin = span > 0 ? span * 0.05 : qMax(1.0, qAbs(range.upper) * 0.1);
    yAxis->setRange(range.lower - margin, range.upper + margin);
}

void ChartView::resizeEvent(QResizeEvent* event) {
    fitLegendColumns(event->size().width());
    QCustomPlot::resizeEvent(event);
}

// Squeezed into too narrow a row the legend's columns would cut the titles
// short; fewer columns take another row instead.
void ChartView::fitLegendColumns(int width) {
    const auto outside = [](const QCPLayoutElement* element) {
        return element->margins().left() + element->margins().right();
    };
    const int available = width - outside(plotLayout()) - outside(legendRow_);
    for (int columns = kLegendColumns; columns >= 1; --columns) {
        legend->setWrap(columns);
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);
        if (legend->minimumOuterSizeHint().width() <= available) {
            return;
        }
    }
}

void ChartView::setAxisTitles(const QString& time, const QString& value) {
    xAxis->setLabel(time);
    yAxis->setLabel(value);
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartView::retranslate() {
    for (int i = 0; i < static_cast<int>(kQuantityCount); ++i) {
        series_[i]->setName(QCoreApplication::translate("Chart", kSeries[i].title));
    }
    legend->setMinimumSize(0, 0);
    fitLegendColumns(width());
    replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace voltrix
