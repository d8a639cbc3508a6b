// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/indicators/indicator_refresh.h"

#include <QFrame>
#include <QLineEdit>
#include <QTabWidget>

#include "engine/text/units.h"
#include "ui/window/required_child.h"

namespace voltrix {
namespace {

template <std::size_t N>
std::array<QLineEdit*, N> edits(QWidget* window, const char* pattern) {
    std::array<QLineEdit*, N> found{};
    for (std::size_t i = 0; i < N; ++i) {
        found[i] = requiredChild<QLineEdit>(window, QString::fromLatin1(pattern).arg(i + 1));
    }
    return found;
}

}  // namespace

IndicatorRefresh::IndicatorRefresh(QWidget* window)
    : mainPages_(requiredChild<QTabWidget>(window, QStringLiteral("PageControl1"))),
      configurationPages_(requiredChild<QTabWidget>(window, QStringLiteral("PageControl2"))),
      indicatorsPage_(requiredChild<QWidget>(window, QStringLiteral("TabSheet1"))),
      configurationPage_(requiredChild<QWidget>(window, QStringLiteral("TabSheet3"))),
      analogPage_(requiredChild<QWidget>(window, QStringLiteral("TabSheet5"))),
      encoderPage_(requiredChild<QWidget>(window, QStringLiteral("TabSheet6"))),
      mathPage_(requiredChild<QWidget>(window, QStringLiteral("TabSheet7"))),
      adc1_(edits<4>(window, "Edit1adc%1")),
      math1_(edits<2>(window, "Edit1math%1")),
      adc2_(edits<4>(window, "Edit2adc%1")),
      math2_(edits<2>(window, "Edit2math%1")),
      math3_(edits<2>(window, "Edit3math%1")) {
    for (int k = 0; k < 2; ++k) {
        enc1_[k] = {requiredChild<QLineEdit>(window, QStringLiteral("Edit1_encp%1").arg(k + 1)),
                    requiredChild<QLineEdit>(window, QStringLiteral("Edit1_encv%1").arg(k + 1))};
        enc2_[k] = {requiredChild<QLineEdit>(window, QStringLiteral("Edit2_encp%1").arg(k + 1)),
                    requiredChild<QLineEdit>(window, QStringLiteral("Edit2_encv%1").arg(k + 1))};
    }
    lampState_.fill(-1);
    for (int i = 0; i < static_cast<int>(kOutputCount); ++i) {
        lamps_[i] = requiredChild<QFrame>(window, QStringLiteral("Shape%1").arg(i + 1));
        setLamp(i, false);
    }
}

void IndicatorRefresh::tick(const Measurement& m, const UnitTexts& units, int decimals,
                            const QString& separator) {
    m_ = &m;
    units_ = &units;
    decimals_ = decimals;
    separator_ = separator;
    // Pages are told apart by their objects, never by their captions.
    QWidget* page = mainPages_->currentWidget();
    if (page == indicatorsPage_) {
        showAdc(adc1_);
        showMath(math1_);
        showEncoders(enc1_);
        for (int i = 0; i < static_cast<int>(kOutputCount); ++i) {
            setLamp(i, m.outputOn(i));
        }
    } else if (page == configurationPage_) {
        QWidget* subPage = configurationPages_->currentWidget();
        if (subPage == encoderPage_) {
            showEncoders(enc2_);
        } else if (subPage == analogPage_) {
            showAdc(adc2_);
            showMath(math2_);
        } else if (subPage == mathPage_) {
            showMath(math3_);
        }
    }
}

void IndicatorRefresh::showAdc(const std::array<QLineEdit*, 4>& edits) {
    for (std::size_t i = 0; i < edits.size(); ++i) {
        const AdcReading& adc = m_->adc[i];
        edits[i]->setText(indicatorText(adc.average, decimals_, separator_,
                                        adcUnitSuffix(adc.mode, units_->adc[i])));
    }
}

void IndicatorRefresh::showMath(const std::array<QLineEdit*, 2>& edits) {
    for (std::size_t i = 0; i < edits.size(); ++i) {
        edits[i]->setText(
            indicatorText(m_->math[i], decimals_, separator_, mathUnitSuffix(units_->math[i])));
    }
}

void IndicatorRefresh::showEncoders(const std::array<EncoderEdits, 2>& edits) {
    for (std::size_t k = 0; k < edits.size(); ++k) {
        const EncoderReading& enc = m_->enc[k];
        edits[k].position->setText(indicatorText(enc.position, decimals_, separator_,
                                                 encoderPositionSuffix(enc.mode, units_->enc[k])));
        edits[k].velocity->setText(indicatorText(enc.velocity, decimals_, separator_,
                                                 encoderVelocitySuffix(enc.mode, units_->enc[k])));
    }
}

void IndicatorRefresh::setLamp(int output, bool on) {
    if (lampState_[output] == static_cast<int>(on)) {
        return;  // restyling a widget is not free; only changes are painted
    }
    lampState_[output] = on;
    const QColor fill = on ? QColor(255, 0, 0) : QColor(192, 192, 192);
    lamps_[output]->setProperty("lampOn", on);
    lamps_[output]->setStyleSheet(
        QStringLiteral("QFrame { background-color: %1; border: 1px solid black;"
                       " border-radius: 15px; }")
            .arg(fill.name()));
}

}  // namespace voltrix
