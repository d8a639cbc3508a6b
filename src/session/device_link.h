// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

#include "engine/protocol/report_framing.h"
#include "session/retry_backoff.h"

// The link to the module: the list of HID devices, the choice of the module
// among them (the last device named "VOLTRIX" in list order), its reader,
// and the commands sent to it.
//
// A module listed with access that will not open (its node went away between
// the listing and the open, or is not there yet) is not a change of the
// devices: the list stays as it is, and the link tries to open the module
// again after a wait that doubles from kFirstRetry up to kLongestRetry. A
// change of the devices lists and tries again at once.
//
// Threads: a DeviceLink and its controller live on one thread, the link's;
// every member is called there, the report handler runs there, and the
// signals are emitted there. droppedReports() and connected() may be read
// from any thread.

namespace voltrix {

class DeviceController;
class HidBackend;
class HidDevice;

// The order the device list is shown in, and so the order in which the last
// module is found: alphabetical without regard to case, ties by case.
bool deviceListOrder(const QString& left, const QString& right);

class DeviceLink : public QObject {
    Q_OBJECT

public:
    using ReportHandler = std::function<void(std::span<const std::uint8_t> data)>;
    // Calls `retry` on the link's thread after `wait`, unless the link is
    // gone by then.
    using RetryTimer = std::function<void(std::chrono::milliseconds wait, std::function<void()> retry)>;

    static constexpr std::chrono::milliseconds kFirstRetry{500};
    static constexpr std::chrono::milliseconds kLongestRetry{10000};

    struct Options {
        // Waits before another attempt to open the module; empty: a timer of
        // the link's own. Tests give theirs, to see the waits and end them.
        RetryTimer retryTimer;
        // Where the module's readers count the reports as they read them;
        // none if empty.
        std::shared_ptr<std::atomic<std::uint32_t>> readCount;
    };

    // `backend` must outlive the link. `onReport` gets each input report of
    // the connected module without its report ID.
    DeviceLink(HidBackend& backend, ReportHandler onReport, QObject* parent = nullptr);
    DeviceLink(HidBackend& backend, ReportHandler onReport, Options options,
               QObject* parent = nullptr);
    ~DeviceLink() override;

    // Starts watching the devices; the first listing follows as soon as the
    // link's event loop runs.
    void start();
    // Stops every reader and the watching; the link stays readable, idle.
    void stop();

    bool connected() const { return connected_.load(std::memory_order_relaxed); }
    // Reports the readers had to drop since the link was made, over every
    // device object the module had (a reconnection gives it a new one).
    std::uint64_t droppedReports() const;

    // The path of the connected module, empty when none is; and how many
    // devices the controller holds. On the link's thread.
    std::string connectedPath() const;
    std::size_t deviceCount() const;
    // Failures of the devices (reads that failed, opens refused); any thread.
    std::uint64_t failureCount() const { return failures_.load(std::memory_order_relaxed); }

    // Sends one command to the connected module, if any.
    void send(CommandKind kind, std::span<const std::uint8_t> payload);


signals:
    // The devices now present, by name in list order, and whether the module
    // among them is connected: after every change of the devices, and when a
    // module that would not open is connected at a later attempt.
    void devicesListed(const QStringList& names, bool moduleConnected);

private:
    // The controller's change handler: lists the devices again and connects
    // the module, if one is present.
    void JvHidDeviceController1DeviceChange();
    bool JvHidDeviceController1Enumerate(HidDevice& device, int index);
    // Makes `device` the current one and starts reading it; whether it reads.
    bool connectModule(HidDevice* device);
    void disconnect();
    void takeDroppedCount();
    void takeFailureCount();
    // Another attempt to open the module, after the backoff's next wait.
    void scheduleRetry();
    void retryOpen();
    void cancelRetry();

    std::unique_ptr<DeviceController> JvHidDeviceController1;
    ReportHandler onReport_;
    std::vector<HidDevice*> listed_;  // checked out, in list order
    std::vector<std::pair<QString, HidDevice*>> entries_;  // of the listing under way
    HidDevice* current_device = nullptr;
    CommandSender sender_;
    std::atomic<bool> connected_{false};
    // Drops of device objects given back, and of the current one as last seen.
    std::atomic<std::uint64_t> retiredDrops_{0};
    std::atomic<std::uint64_t> currentDrops_{0};
    std::atomic<std::uint64_t> failures_{0};  // as the controller last counted

    RetryTimer retryTimer_;
    std::shared_ptr<std::atomic<std::uint32_t>> readCount_;
    RetryBackoff backoff_{kFirstRetry, kLongestRetry};
    HidDevice* unopened_ = nullptr;  // the module to open again, listed and checked out
    std::uint64_t retryRound_ = 0;   // a retry of an earlier round is void
    QStringList names_;              // as last listed
};

}  // namespace voltrix
