// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Which `config.ini` the program uses, decided once at start-up.
//
// The program's own, beside it, as long as the program may write it: the file
// itself (even where its folder takes no new files) or, while there is none,
// a new file in its folder. Otherwise the user's, in the user's configuration
// directory. A user's file that does not exist yet starts as a copy of the
// program's where that one can be read, so that neither what an administrator
// set up for a read-only installation nor what the user had before the file
// became read-only is lost. Once the user's file exists, it is the one in use.
//
// A program's file that is refused (a folder, a file too large or that cannot
// be read; see IniFile) is never written and so never used: its settings go
// to the user's file, and the operator is told.

namespace voltrix {

// The two folders the choice is made between, by the system's conventions:
// the program's own folder, and the user's configuration folder
// (QStandardPaths::AppConfigLocation: ~/.config/VOLTRIX - PC on Linux,
// %LOCALAPPDATA%\VOLTRIX - PC on Windows, ~/Library/Preferences/VOLTRIX - PC
// on macOS). On macOS the program lies inside its application bundle, which
// must never be written (that would break its signature), so the user's
// folder stands for both there. Needs the application's name set.
struct SettingsDirectories {
    QString program;
    QString user;
};
SettingsDirectories standardSettingsDirectories();

struct SettingsLocation {
    QString path;  // the file in use
    // The program's file, when it was refused or the user's file was just
    // started from it: the operator should know the settings are elsewhere.
    QString setAside;
};

// Creates `userDirectory` when the user's file is chosen. When the copy for
// the user cannot be written either, the program's file is still the one
// read (its saves then fail).
SettingsLocation chooseSettingsLocation(const QString& programDirectory,
                                        const QString& userDirectory);

// The file the window reads at start-up, found without making, copying or
// writing anything, for a program that only reads it: the program's own when
// the window may keep it there, else the user's when there is one, else the
// program's own when there is one. Empty when there is no file at all.
QString existingSettingsPath(const QString& programDirectory, const QString& userDirectory);

// The status bar's note on a set-aside file, in the active language; empty
// when there is none.
QString setAsideMessage(const SettingsLocation& location);

}  // namespace voltrix
