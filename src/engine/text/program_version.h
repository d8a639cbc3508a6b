// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's version, as the window shows it and --version prints it.
// The build reads it from here too (the package version), so this is the
// only place to change it.

namespace voltrix {

inline constexpr char kProgramVersion[] = "1.03a";

// The window's caption: the edition, then the version.
inline constexpr char kCaptionPrefix[] = "VOLTRIX PC [STANDARD] - ";

}  // namespace voltrix
