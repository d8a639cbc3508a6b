// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

class QListWidget;
class QPlainTextEdit;
class QTimer;
class QWidget;

// The window's side of the device link: the device list, the connection and
// report-rate panels of the status bar, the module's write acknowledgements
// in the message panel, and the requests the window sends
// on its own (the temperature every 5 s, the diagnostics on a click).
//
// Lives on the window's thread; the session tells it of every listing.

namespace voltrix {

class MeasurementSession;
class StatusPanels;

class DeviceLinkView : public QObject {
    Q_OBJECT

public:
    // Finds its controls in `window` (a missing one throws MissingControl)
    // and starts its timers, which are the window's children. The window
    // handles FreqTimer's ticks, which serve the logging panel too.
    DeviceLinkView(QWidget* window, MeasurementSession& session, StatusPanels& panels,
                   QObject* parent = nullptr);

    // The devices present, by name in list order, and whether the module is
    // connected.
    void showDevices(const QStringList& names, bool moduleConnected);

    // The report rate of the last interval.
    void FreqTimerTimer();
    // Asks for the temperature.
    void Timer1Timer();
    // Asks for the diagnostics.
    void DebugMemoClick();

    QTimer* freqTimer() const { return FreqTimer; }

private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    MeasurementSession& session_;
    StatusPanels& panels_;
    QListWidget* ListBox1;
    QPlainTextEdit* DebugMemo;
    QWidget* memoViewport_ = nullptr;
    QTimer* FreqTimer;
    QTimer* Timer1;
};

}  // namespace voltrix
