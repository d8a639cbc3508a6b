// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/column_layout_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "engine/recorded/line_parser.h"
#include "engine/recorded/recorded_file_probe.h"
#include "ui/chart/chart_view.h"

namespace voltrix {
namespace {

constexpr std::size_t kMaxCandidates = 12;

}  // namespace

QString ColumnLayoutDialog::columnName(LogColumn column) {
    switch (column) {
        case LogColumn::Date:
            return tr("Data");
        case LogColumn::Time:
            return tr("Czas");
        case LogColumn::Counter:
            return tr("Licznik");
        case LogColumn::CounterModulo:
            return tr("Licznik modulo");
        case LogColumn::Output:
            return tr("Stany wyjść (6 pól)");
        default: {
            // The quantities, named as on the chart.
            const int quantity = static_cast<int>(column) - static_cast<int>(LogColumn::Adc1);
            return QCoreApplication::translate("Chart", chartSeriesTitle(quantity).toUtf8());
        }
    }
}

ColumnLayoutDialog::ColumnLayoutDialog(const RecordedLayout& stored, std::vector<std::string> lines,
                                       QWidget* parent)
    : QDialog(parent), lines_(std::move(lines)) {
    setObjectName(QStringLiteral("ColumnLayoutDialog"));
    setWindowTitle(tr("Kolumny pliku"));
    auto* layout = new QVBoxLayout(this);
    const std::size_t fields = lines_.empty() ? 0 : countLineFields(lines_.front());
    auto* intro = new QLabel(tr("Zapisany wybór kolumn ma %1 pól, a linie pliku mają %2. "
                                "Wybierz kolumny, które plik zawiera.")
                                 .arg(stored.fieldCount())
                                 .arg(fields),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    candidateBox_ = new QComboBox(this);
    candidateBox_->setObjectName(QStringLiteral("column_candidates"));
    if (!lines_.empty()) {
        candidates_ = layoutsForLine(lines_.front(), stored, kMaxCandidates);
    }
    for (const RecordedLayout& candidate : candidates_) {
        QStringList names;
        for (std::size_t c = 0; c < kLogColumnCount; ++c) {
            if (candidate.has(static_cast<LogColumn>(c))) {
                names << columnName(static_cast<LogColumn>(c));
            }
        }
        candidateBox_->addItem(names.join(QStringLiteral(", ")));
    }
    candidateBox_->setEnabled(!candidates_.empty());
    layout->addWidget(candidateBox_);

    auto* grid = new QGridLayout;
    for (std::size_t c = 0; c < kLogColumnCount; ++c) {
        auto* box = new QCheckBox(columnName(static_cast<LogColumn>(c)), this);
        box->setObjectName(QStringLiteral("column_%1").arg(c));
        boxes_[c] = box;
        grid->addWidget(box, static_cast<int>(c % 10), static_cast<int>(c / 10));
        connect(box, &QCheckBox::toggled, this, &ColumnLayoutDialog::updateState);
    }
    layout->addLayout(grid);

    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("column_state"));
    layout->addWidget(state_);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(candidateBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < candidates_.size()) {
            chooseLayout(candidates_[static_cast<std::size_t>(index)]);
        }
    });
    chooseLayout(candidates_.empty() ? stored : candidates_.front());
}

RecordedLayout ColumnLayoutDialog::chosenLayout() const {
    RecordedLayout::Columns columns;
    for (std::size_t c = 0; c < kLogColumnCount; ++c) {
        columns.set(c, boxes_[c]->isChecked());
    }
    return RecordedLayout(columns);
}

void ColumnLayoutDialog::chooseLayout(const RecordedLayout& layout) {
    for (std::size_t c = 0; c < kLogColumnCount; ++c) {
        const QSignalBlocker quiet(boxes_[c]);
        boxes_[c]->setChecked(layout.has(static_cast<LogColumn>(c)));
    }
    updateState();
}

void ColumnLayoutDialog::updateState() {
    const RecordedLayout chosen = chosenLayout();
    const bool fits = layoutFits(chosen, lines_);
    state_->setText(fits ? tr("Ten wybór odczytuje linie pliku (%1 pól).").arg(chosen.fieldCount())
                         : tr("Ten wybór nie odczytuje linii pliku (%1 pól).")
                               .arg(chosen.fieldCount()));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(fits);
}

}  // namespace voltrix
