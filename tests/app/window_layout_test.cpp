#include <gtest/gtest.h>

#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "app/window_fixture.h"
#include "display/chart_view.h"

namespace voltrix {
namespace {

using testing::WindowTest;

// The window as the user first sees it, in the language of selector entry
// `language`, laid out at its designed size.
class WindowLayoutTest : public WindowTest {
protected:
    std::unique_ptr<TFMain> openShown(int language) {
        auto window = open();
        chooseLanguage(*window, language);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QCoreApplication::processEvents();
        return window;
    }
};

constexpr int kLanguages[] = {0, 1};

TEST_F(WindowLayoutTest, EveryConfigurationTabIsInViewWithoutScrollArrows) {
    for (int language : kLanguages) {
        SCOPED_TRACE(language);
        auto window = openShown(language);
        ASSERT_EQ(window->size(), QSize(765, 570));
        showPage(*window, "TabSheet3");
        QTabBar* bar = find<QTabWidget>(*window, "PageControl2")->tabBar();
        for (int i = 0; i < bar->count(); ++i) {
            SCOPED_TRACE(bar->tabText(i).toStdString());
            EXPECT_GE(bar->tabRect(i).left(), 0);
            EXPECT_LE(bar->tabRect(i).right(), bar->rect().right());
        }
        for (QToolButton* arrow : bar->findChildren<QToolButton*>()) {
            EXPECT_FALSE(arrow->isVisible());
        }
    }
}

TEST_F(WindowLayoutTest, EveryChartLegendTitleShowsWhole) {
    for (int language : kLanguages) {
        SCOPED_TRACE(language);
        auto window = openShown(language);
        showPage(*window, "TabSheet2");
        ChartView* chart = window->chart();
        chart->replot(QCustomPlot::rpImmediateRefresh);
        // The legend's cells in the order the series were added.
        for (int i = 0; i < static_cast<int>(kQuantityCount); ++i) {
            QCPAbstractLegendItem* item = chart->legend->item(i);
            ASSERT_NE(item, nullptr);
            const QString title = chart->series(i)->name();
            SCOPED_TRACE(title.toStdString());
            const int titleWidth = QFontMetrics(item->font()).horizontalAdvance(title);
            EXPECT_GE(item->rect().width(), ChartView::kLegendTitleLeft + titleWidth);
            EXPECT_LE(item->outerRect().right(), chart->width());
        }
    }
}

}  // namespace
}  // namespace voltrix
