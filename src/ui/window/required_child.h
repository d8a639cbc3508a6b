// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

#include <QObject>
#include <QString>

// The one way the window and its panels find a control of the forms by its
// object name. Controls are looked up once, while the window is built; a
// missing one (a form edited out of step with the code) is a fault of the
// build, so it stops the program at start-up, in release builds too, naming
// the control, rather than leaving a null pointer for later.

namespace voltrix {

class MissingControl : public std::logic_error {
public:
    explicit MissingControl(const QString& name)
        : std::logic_error("missing control " + name.toStdString()) {}
};

// The descendant of `root` named `name` that is a `Widget`; throws
// MissingControl when there is none.
template <typename Widget>
Widget* requiredChild(const QObject* root, const QString& name) {
    auto* found = root->findChild<Widget*>(name);
    if (found == nullptr) {
        throw MissingControl(name);
    }
    return found;
}

template <typename Widget>
Widget* requiredChild(const QObject* root, const char* name) {
    return requiredChild<Widget>(root, QString::fromLatin1(name));
}

}  // namespace voltrix
