// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

// File permissions as an ordinary user meets them. Root writes through any
// permission bits, so where the tests run as root, the process takes the
// identity of `nobody` while an OrdinaryUser lives (the saved user ID keeps
// the way back); elsewhere the tests already are an ordinary user. The
// change of identity is Linux's (setresuid); on other POSIX systems tests as
// root are inactive. Windows has none of this, and builds no test using it.

namespace voltrix::testing {

class OrdinaryUser {
public:
    static constexpr uid_t kNobody = 65534;

    OrdinaryUser() {
        if (::geteuid() != 0) {
            active_ = true;
            return;
        }
#if defined(__linux__)
        // Without the group change, files of group root stay writable
        // through their group bits; the tests use no such bits.
        if (::setresgid(kNobody, kNobody, 0) == 0) {
            switchedGroup_ = true;
        }
        if (::setresuid(kNobody, kNobody, 0) == 0) {
            switchedUser_ = true;
            active_ = true;
        }
#endif
    }

    ~OrdinaryUser() {
#if defined(__linux__)
        if (switchedUser_) {
            [[maybe_unused]] const int ignored = ::setresuid(0, 0, 0);
        }
        if (switchedGroup_) {
            [[maybe_unused]] const int ignored = ::setresgid(0, 0, 0);
        }
#endif
    }

    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;

    // False when running as root without the right to change identity.
    bool active() const { return active_; }

    // Makes `path` belong to the user the tests act as, as the user's own
    // files do. Call before the identity changes.
    static void owns(const QString& path) {
        if (::geteuid() == 0) {
            [[maybe_unused]] const int ignored =
                ::chown(QFile::encodeName(path).constData(), kNobody, kNobody);
        }
    }

private:
    bool active_ = false;
    bool switchedUser_ = false;
    bool switchedGroup_ = false;
};

// Gives `path` other permission bits for a while; the old ones come back at
// the end, so that the temporary directory can be removed.
class ScopedMode {
public:
    ScopedMode(const QString& path, mode_t mode) : path_(QFile::encodeName(path)) {
        struct stat status {};
        if (::stat(path_.constData(), &status) == 0) {
            old_ = status.st_mode & 07777;
            ::chmod(path_.constData(), mode);
        }
    }
    ~ScopedMode() {
        if (old_) {
            ::chmod(path_.constData(), *old_);
        }
    }

    ScopedMode(const ScopedMode&) = delete;
    ScopedMode& operator=(const ScopedMode&) = delete;

private:
    QByteArray path_;
    std::optional<mode_t> old_;
};

}  // namespace voltrix::testing
