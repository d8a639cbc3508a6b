// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/compact_tabs.h"

#include <QProxyStyle>
#include <QTabBar>

namespace voltrix {
namespace {

class CompactTabStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return metric == PM_TabBarTabHSpace ? value / 2 : value;
    }
};

}  // namespace

void makeTabsCompact(QTabBar* bar) {
    auto* style = new CompactTabStyle;
    style->setParent(bar);  // a widget does not own the style it is given
    bar->setStyle(style);
}

}  // namespace voltrix
