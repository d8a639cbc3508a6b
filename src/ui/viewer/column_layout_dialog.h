// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <vector>

#include <QDialog>

#include "engine/recorded/recorded_layout.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;

// Asks which columns a measurement file holds when the stored selection does
// not read its lines: the selections under which its first measurement line
// parses (`lines` are a probe's), the closest to the stored one first, and a
// check box per column to set by hand. OK only while the chosen selection
// reads the file's lines.

namespace voltrix {

class ColumnLayoutDialog : public QDialog {
    Q_OBJECT

public:
    ColumnLayoutDialog(const RecordedLayout& stored, std::vector<std::string> lines,
                       QWidget* parent = nullptr);

    RecordedLayout chosenLayout() const;
    void chooseLayout(const RecordedLayout& layout);

    // The name of a column as the dialog shows it.
    static QString columnName(LogColumn column);

private:
    void updateState();

    std::vector<std::string> lines_;
    std::vector<RecordedLayout> candidates_;
    std::array<QCheckBox*, kLogColumnCount> boxes_{};
    QComboBox* candidateBox_ = nullptr;
    QLabel* state_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace voltrix
