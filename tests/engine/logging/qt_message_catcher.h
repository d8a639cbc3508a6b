// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Catches what Qt would print on standard error (its warnings and the
// program's own qDebug/qWarning) while it lives, from any thread, so that a
// test can see what would have flooded the journal.

namespace voltrix::testing {

class QtMessageCatcher {
public:
    QtMessageCatcher() {
        std::lock_guard lock(mutex());
        caught().clear();
        previous_ = qInstallMessageHandler(&QtMessageCatcher::handle);
    }
    ~QtMessageCatcher() { qInstallMessageHandler(previous_); }
    QtMessageCatcher(const QtMessageCatcher&) = delete;
    QtMessageCatcher& operator=(const QtMessageCatcher&) = delete;

    QStringList messages() const {
        std::lock_guard lock(mutex());
        return caught();
    }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message) {
        std::lock_guard lock(mutex());
        caught().append(message);
    }
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static QStringList& caught() {
        static QStringList list;
        return list;
    }

    QtMessageHandler previous_ = nullptr;
};

}  // namespace voltrix::testing
