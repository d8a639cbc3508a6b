// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/device_link_view.h"

#include <QEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>

#include "engine/parameters/parameters.h"
#include "engine/protocol/report_receiver.h"
#include "engine/text/format_value.h"
#include "engine/text/string_table.h"
#include "session/measurement_session.h"
#include "ui/window/required_child.h"
#include "ui/window/status_panels.h"

namespace voltrix {

DeviceLinkView::DeviceLinkView(QWidget* window, MeasurementSession& session, StatusPanels& panels,
                               QObject* parent)
    : QObject(parent),
      session_(session),
      panels_(panels),
      ListBox1(requiredChild<QListWidget>(window, "ListBox1")),
      DebugMemo(requiredChild<QPlainTextEdit>(window, "DebugMemo")),
      FreqTimer(new QTimer(window)),
      Timer1(new QTimer(window)) {
    // The session gives the names in list order.
    ListBox1->setSortingEnabled(false);
    connect(&session_, &MeasurementSession::devicesListed, this, &DeviceLinkView::showDevices);
    connect(&session_, &MeasurementSession::acknowledged, this,
            [this](std::uint8_t paramId, std::uint8_t channel) {
                panels_.setText(StatusPanel::Message, acknowledgementText(paramId, channel));
            });

    FreqTimer->setObjectName(QStringLiteral("FreqTimer"));
    // The rate divides by the nominal interval, so the ticks must keep it.
    FreqTimer->setTimerType(Qt::PreciseTimer);
    FreqTimer->start(333);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &DeviceLinkView::Timer1Timer);
    Timer1->start(5000);

    memoViewport_ = DebugMemo->viewport();
    memoViewport_->installEventFilter(this);
}

bool DeviceLinkView::eventFilter(QObject* watched, QEvent* event) {
    // Compared by address alone: while the window is destroyed the memo is
    // half gone when its viewport's last events pass through here.
    if (watched == memoViewport_ && event->type() == QEvent::MouseButtonPress) {
        DebugMemoClick();
    }
    return QObject::eventFilter(watched, event);
}

void DeviceLinkView::showDevices(const QStringList& names, bool moduleConnected) {
    ListBox1->clear();
    ListBox1->addItems(names);
    if (!names.isEmpty()) {
        panels_.setText(StatusPanel::Message, lookup(Ids::IDS_10));
    }
    panels_.setText(StatusPanel::Connection, lookup(moduleConnected ? Ids::IDS_7 : Ids::IDS_8));
}

// The input report rate: reports of the last interval per millisecond, that
// is thousands per second.
void DeviceLinkView::FreqTimerTimer() {
    panels_.setText(StatusPanel::ReportRate,
                    reportRateText(session_.takeReportCount(), FreqTimer->interval(),
                                   systemDecimalSeparator()));
}

void DeviceLinkView::Timer1Timer() {
    session_.RequestParameter(static_cast<std::uint8_t>(ParamId::Temperature), 0);
}

void DeviceLinkView::DebugMemoClick() {
    session_.RequestParameter(static_cast<std::uint8_t>(ParamId::DiagStats), 0);
}

}  // namespace voltrix
