// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/qt_messages.h"

#include <cstdio>
#include <mutex>

#include "programs/record/repeat_filter.h"

namespace voltrix {
namespace {

// Qt calls the handler from any thread (the writer's too).
std::mutex filterMutex;
RepeatFilter filter;

void print(const QStringList& lines) {
    for (const QString& line : lines) {
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    }
    std::fflush(stderr);
}

void sayOnce(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QString line = qFormatLogMessage(type, context, message);
    std::lock_guard lock(filterMutex);
    // The last words before an abort are always said.
    print(type == QtFatalMsg ? filter.finish() + QStringList{line}
                             : filter.pass(QString::number(type) + QLatin1Char(' ') + message,
                                           line));
}

}  // namespace

QtMessagesSaidOnce::QtMessagesSaidOnce() : previous_(qInstallMessageHandler(sayOnce)) {}

QtMessagesSaidOnce::~QtMessagesSaidOnce() {
    qInstallMessageHandler(previous_);
    std::lock_guard lock(filterMutex);
    print(filter.finish());
}

}  // namespace voltrix
