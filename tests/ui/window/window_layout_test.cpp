// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "engine/protocol/report_receiver.h"
#include "engine/text/string_table.h"
#include "ui/chart/chart_view.h"
#include "ui/window/window_fixture.h"

namespace voltrix {
namespace {

using testing::WindowTest;

// The window as the user first sees it, in the language of selector entry
// `language`, laid out at its designed size.
class WindowLayoutTest : public WindowTest {
protected:
    // Every label that shows a math name, with the page it is on.
    struct NameLabel {
        const char* name;
        const char* page;
        const char* subPage;
    };
    static constexpr NameLabel kNameLabels[] = {
        {"math_name01", "TabSheet1", nullptr},     {"math_name02", "TabSheet1", nullptr},
        {"math_name11", "TabSheet3", "TabSheet5"}, {"math_name12", "TabSheet3", "TabSheet5"},
        {"math_name21", "TabSheet3", "TabSheet7"}, {"math_name22", "TabSheet3", "TabSheet7"},
    };

    // Brings the label's page to the front, so that it is laid out.
    static QLabel* shownLabel(TFMain& window, const NameLabel& label) {
        showPage(window, label.page, label.subPage);
        QCoreApplication::processEvents();
        return find<QLabel>(window, label.name);
    }

    static bool textFits(const QLabel& label) {
        return label.fontMetrics().horizontalAdvance(label.text()) <= label.contentsRect().width();
    }

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

// A name of `length` characters, of words as a real one would be (the
// settings file keeps no space at the end).
QString longName(int length) {
    QString name = QString::fromUtf8("Ciśnienie w zbiorniku ").repeated(length).left(length);
    name[length - 1] = QLatin1Char('A');
    return name;
}

enum class NameSource { SettingsFile, EditBox };

TEST_F(WindowLayoutTest, ALongMathNameIsCutShortInsteadOfWideningTheWindow) {
    for (int length : {120, 150}) {
        for (NameSource source : {NameSource::SettingsFile, NameSource::EditBox}) {
            SCOPED_TRACE(length);
            SCOPED_TRACE(static_cast<int>(source));
            const QString name = longName(length);
            if (source == NameSource::SettingsFile) {
                writeConfig(QStringLiteral("[Options]\nMathName1=%1\nMathName2=%1\n").arg(name));
            } else {
                writeConfig(QStringLiteral("[Options]\n"));
            }
            auto window = openShown(0);
            if (source == NameSource::EditBox) {
                showPage(*window, "TabSheet3", "TabSheet7");
                for (const auto& [edit, button] :
                     {std::pair{"math_name_1", "BitBtn48"}, std::pair{"math_name_2", "BitBtn50"}}) {
                    find<QLineEdit>(*window, edit)->setText(name);
                    QTest::mouseClick(find<QPushButton>(*window, button), Qt::LeftButton);
                }
                ASSERT_EQ(storedValue(QStringLiteral("MathName2")), name);
            }
            QCoreApplication::processEvents();
            EXPECT_TRUE(errors.empty());

            EXPECT_EQ(window->size(), QSize(765, 570));
            EXPECT_LE(window->minimumSizeHint().width(), 765);
            for (const NameLabel& shown : kNameLabels) {
                SCOPED_TRACE(shown.name);
                QLabel* label = shownLabel(*window, shown);
                EXPECT_TRUE(textFits(*label)) << label->text().toStdString();
                EXPECT_TRUE(label->text().startsWith(QLatin1Char('[') + name.left(5)));
                EXPECT_LT(label->text().size(), name.size());
                EXPECT_TRUE(label->toolTip().contains(name));
            }
            EXPECT_EQ(window->size(), QSize(765, 570));
        }
    }
}

// Where the window grows the names show more of themselves.
TEST_F(WindowLayoutTest, AMathNameShowsMoreOfItselfInAWiderWindow) {
    const QString name = longName(120);
    writeConfig(QStringLiteral("[Options]\nMathName1=%1\nMathName2=%1\n").arg(name));
    auto window = openShown(0);
    for (const NameLabel& shown : kNameLabels) {
        SCOPED_TRACE(shown.name);
        window->resize(765, 570);
        const QString narrow = shownLabel(*window, shown)->text();
        window->resize(1400, 570);
        QLabel* label = shownLabel(*window, shown);
        EXPECT_GT(label->text().size(), narrow.size());
        EXPECT_TRUE(textFits(*label)) << label->text().toStdString();
    }
}

// A short name shows whole, without a tooltip repeating it.
TEST_F(WindowLayoutTest, AShortMathNameShowsWhole) {
    writeConfig(QStringLiteral("[Options]\nMathName1=Pompa\nMathName2=Zawór\n"));
    auto window = openShown(0);
    for (const NameLabel& shown : kNameLabels) {
        SCOPED_TRACE(shown.name);
        QLabel* label = shownLabel(*window, shown);
        EXPECT_EQ(label->text(), QString::fromUtf8(shown.name[10] == '1' ? "[Pompa]" : "[Zawór]"));
        EXPECT_TRUE(label->toolTip().isEmpty());
    }
}

// Every text each status panel shows, in the active language.
std::vector<std::pair<StatusPanel, QString>> statusTexts() {
    return {
        {StatusPanel::Message, lookup(Ids::IDS_10)},
        {StatusPanel::Connection, lookup(Ids::IDS_7)},
        {StatusPanel::Connection, lookup(Ids::IDS_8)},
        {StatusPanel::ReportRate, reportRateText(12345, 1000, QStringLiteral("."))},
        {StatusPanel::Logging, lookup(Ids::IDS_319)},
        {StatusPanel::Logging, lookup(Ids::IDS_322)},
    };
}

// The designed size is the smallest; where the window grows, the chart
// takes the room.
TEST_F(WindowLayoutTest, TheDesignedSizeIsTheSmallestAndTheChartTakesAnyMore) {
    for (int language : kLanguages) {
        SCOPED_TRACE(language);
        auto window = openShown(language);
        EXPECT_EQ(window->size(), QSize(765, 570));
        EXPECT_EQ(window->minimumSize(), QSize(765, 570));
        // The content fits the designed size rather than being squeezed.
        EXPECT_LE(window->minimumSizeHint().width(), 765);
        EXPECT_LE(window->minimumSizeHint().height(), 570);

        window->resize(500, 400);
        EXPECT_EQ(window->size(), QSize(765, 570));

        showPage(*window, "TabSheet2");
        QCoreApplication::processEvents();
        const QSize designed = window->chart()->size();
        window->resize(1200, 800);
        QCoreApplication::processEvents();
        EXPECT_EQ(window->chart()->size(), designed + QSize(1200 - 765, 800 - 570));
    }
}

// At the designed size and larger every status panel shows its texts whole,
// and the language selector covers none of them.
TEST_F(WindowLayoutTest, StatusPanelsShowTheirTextsWholeAtAnySize) {
    for (int language : kLanguages) {
        auto window = openShown(language);
        auto* selector = find<QComboBox>(*window, "siLangCombo1");
        for (const QSize size : {QSize(765, 570), QSize(1200, 800)}) {
            window->resize(size);
            for (const auto& [panel, text] : statusTexts()) {
                SCOPED_TRACE(language);
                SCOPED_TRACE(size.width());
                SCOPED_TRACE(text.toStdString());
                window->statusPanels().setText(panel, text);
                QCoreApplication::processEvents();
                auto* label = find<QLabel>(
                    *window,
                    qPrintable(QStringLiteral("StatusPanel%1").arg(static_cast<int>(panel))));
                EXPECT_TRUE(label->isVisible());
                EXPECT_LE(label->fontMetrics().horizontalAdvance(text),
                          label->contentsRect().width());
                EXPECT_FALSE(label->geometry().intersects(selector->geometry()));
                EXPECT_LE(label->geometry().right(), window->statusBar()->rect().right());
            }
        }
    }
}

}  // namespace
}  // namespace voltrix
