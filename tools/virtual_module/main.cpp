// SPDX-License-Identifier: GPL-3.0-or-later
// voltrix-virtual-module: the virtual VOLTRIX module as a kernel HID device.
// The firmware model of the demo program runs behind /dev/uhid, so that the
// real program finds, opens and configures it through hidapi as it does the
// hardware.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <linux/input.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <QCoreApplication>

#include "device/virtual/report_schedule.h"
#include "device/virtual/virtual_module.h"
#include "virtual_module/module_descriptor.h"
#include "virtual_module/tool_options.h"
#include "virtual_module/uhid_bridge.h"
#include "virtual_module/uhid_device.h"

namespace voltrix {
namespace {

using Clock = ReportSchedule::Clock;

// SIGINT and SIGTERM arrive through a descriptor, so that the loop below ends
// and unplugs the device instead of dying with it.
int blockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &stopSignals, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "sigprocmask");
    }
    const int fd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), "signalfd");
    }
    return fd;
}

timespec toTimespec(Clock::duration duration) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
    return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

// Serves the kernel's events and streams measurements until a stop signal;
// returns the number of measurement reports sent.
std::uint64_t run(UhidDevice& device, UhidModuleBridge& bridge, VirtualModule& module,
                  const ToolOptions& options, int signalFd) {
    std::uint64_t sent = 0;
    const auto interval = [&]() -> Clock::duration {
        return options.interval.value_or(module.reportInterval());
    };
    // The measurement reports' schedule while the stream runs.
    ReportSchedule schedule(Clock::now());
    bool scheduled = false;
    for (;;) {
        if (!bridge.streaming()) {
            scheduled = false;
        } else if (!scheduled) {
            scheduled = true;
            schedule = ReportSchedule(Clock::now());
        }
        timespec timeout{};
        if (scheduled) {
            timeout = toTimespec(
                std::max(schedule.due(interval()) - Clock::now(), Clock::duration::zero()));
        }
        pollfd fds[] = {{device.fd(), POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (ppoll(fds, 2, scheduled ? &timeout : nullptr, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::system_error(errno, std::generic_category(), "ppoll");
        }
        if (fds[1].revents != 0) {
            return sent;
        }
        if ((fds[0].revents & (POLLERR | POLLHUP)) != 0) {
            throw std::system_error(EIO, std::generic_category(), "uhid control node failed");
        }
        if ((fds[0].revents & POLLIN) != 0) {
            while (const std::optional<uhid_event> event = device.readEvent()) {
                for (const uhid_event& reply : bridge.handle(*event)) {
                    device.send(reply);
                }
            }
        }
        const Clock::time_point now = Clock::now();
        if (scheduled && bridge.streaming() && now >= schedule.due(interval())) {
            if (const std::optional<uhid_event> report = bridge.nextMeasurement()) {
                device.send(*report);
                ++sent;
            }
            schedule.sent(now, interval());
        }
    }
}

int runTool(const ToolOptions& options) {
    const int signalFd = blockStopSignals();
    // A reader of --echo that went away must not end the module.
    signal(SIGPIPE, SIG_IGN);

    std::function<void(std::string_view)> echo;
    if (options.echo) {
        // One flushed line per report, so that a reader sees each at once.
        echo = [](std::string_view line) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        };
    }
    VirtualModule module;
    UhidModuleBridge bridge(module, echo);

    UhidDevice device;
    device.send(makeCreateEvent({.name = "VOLTRIX",
                                 .bus = BUS_USB,
                                 .vendorId = options.vendorId,
                                 .productId = options.productId},
                                moduleReportDescriptor()));
    std::fprintf(stderr,
                 "voltrix-virtual-module: VOLTRIX %04X:%04X plugged in; Ctrl-C unplugs it\n",
                 options.vendorId, options.productId);
    const std::uint64_t sent = run(device, bridge, module, options, signalFd);
    device.destroy();
    // Tests compare the count with what the program received.
    std::fprintf(stderr,
                 "voltrix-virtual-module: VOLTRIX unplugged after %llu measurement reports\n",
                 static_cast<unsigned long long>(sent));
    ::close(signalFd);
    return 0;
}

}  // namespace
}  // namespace voltrix

int main(int argc, char** argv) {
    // Qt's command line parser needs the application object for nothing but
    // the arguments; the module runs without an event loop.
    QCoreApplication app(argc, argv);
    const voltrix::ToolOptionsResult parsed =
        voltrix::parseToolOptions(QCoreApplication::arguments().mid(1));
    if (!parsed.text.empty()) {
        std::fputs(parsed.text.c_str(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr,
                     "voltrix-virtual-module: %s\nTry 'voltrix-virtual-module --help' for more "
                     "information.\n",
                     parsed.error.c_str());
        return 2;
    }
    try {
        return voltrix::runTool(*parsed.options);
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "voltrix-virtual-module: %s\n", error.what());
        if (error.code() == std::errc::no_such_file_or_directory) {
            std::fprintf(stderr, "The kernel has no uhid: try 'sudo modprobe uhid'.\n");
        } else if (error.code() == std::errc::permission_denied) {
            std::fprintf(stderr, "/dev/uhid belongs to root: run as root or with sudo.\n");
        }
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "voltrix-virtual-module: %s\n", error.what());
        return 1;
    }
}
