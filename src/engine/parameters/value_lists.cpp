// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/parameters/value_lists.h"

#include <span>

#include <QCoreApplication>

#include "engine/parameters/parameters.h"

namespace voltrix {
namespace {

// The Polish texts are the sources; English comes from the translation
// catalogue, one context per kind of list. Registers and output sources have
// contexts of their own because some of their English texts differ in trailing
// blanks although the Polish ones are the same. Lists whose texts are the same
// in both languages have no context and are not translated.

constexpr const char* kAdcModes[] = {"0~10 V", "0~20 mA"};

constexpr const char* kEncoderModes[] = {
    QT_TRANSLATE_NOOP("EncoderModes", "Pozycja/prędkość [obr][obr/s]"),
    QT_TRANSLATE_NOOP("EncoderModes", "Pozycja/prędkość [obr][obr/min]"),
    QT_TRANSLATE_NOOP("EncoderModes", "Pozycja/prędkość [mm][mm/s]"),
    QT_TRANSLATE_NOOP("EncoderModes", "Pozycja/prędkość [mm][mm/min]"),
};

constexpr const char* kMathModes1[] = {
    "ADC1 + ADC2",      "ADC1 - ADC2",      "-ADC1 - ADC2",        "M1 - ADC1 - ADC2",
    "M1 + ADC1 + ADC2", "M1 + ADC1 - ADC2", "M1 + ADC1",           "M1 + ADC2",
    "M1 - ADC1",        "M1 - ADC2",        "M1 * (ACD1 + ADC2)",  "M1 * (ACD1 - ADC2)",
    "ADC3 + ADC4",      "ADC3 - ADC4",      "-ADC3 - ADC4",        "M1 - ADC3 - ADC4",
    "M1 + ADC3 + ADC4", "M1 + ADC3 - ADC4", "M1 + ADC3",           "M1 + ADC4",
    "M1 - ADC3",        "M1 - ADC4",        "M1  * (ACD3 + ADC4)", "M1 * (ACD3 - ADC4)",
};

constexpr const char* kMathModes2[] = {
    "ADC1 + ADC2",      "ADC1 - ADC2",      "-ADC1 - ADC2",       "M2 - ADC1 - ADC2",
    "M2 + ADC1 + ADC2", "M2 + ADC1 - ADC2", "M2 + ADC1",          "M2 + ADC2",
    "M2 - ADC1",        "M2 - ADC2",        "M2 * (ACD1 + ADC2)", "M2 * (ACD1 - ADC2)",
    "ADC3 + ADC4",      "ADC3 - ADC4",      "-ADC3 - ADC4",       "M2 - ADC3 - ADC4",
    "M2 + ADC3 + ADC4", "M2 + ADC3 - ADC4", "M2 + ADC3",          "M2 + ADC4",
    "M2 - ADC3",        "M2 - ADC4",        "M2 * (ACD3 + ADC4)", "M2 * (ACD3 - ADC4)",
};

constexpr const char* kRegisterModes1[] = {
    QT_TRANSLATE_NOOP("RegisterModes", "Współczynnik m1"),
    "ENC1",
    "ENC2",
    "ENC + ENC2",
    "ENC1 - ENC2",
    "ENC2 - ENC1",
    "m1 * ENC1",
    "m1 * ENC2",
    "m1 * (ENC + ENC2)",
    "m1 * (ENC1 - ENC2)",
    "m1 * (ENC2 - ENC1)",
};

constexpr const char* kRegisterModes2[] = {
    QT_TRANSLATE_NOOP("RegisterModes", "Współczynnik m2"),
    "ENC1",
    "ENC2",
    "ENC + ENC2",
    "ENC1 - ENC2",
    "ENC2 - ENC1",
    "m2 * ENC1",
    "m2 * ENC2",
    "m2 * (ENC + ENC2)",
    "m2 * (ENC1 - ENC2)",
    "m2 * (ENC2 - ENC1)",
};

constexpr const char* kTriggerModes[] = {
    QT_TRANSLATE_NOOP("TriggerModes", "Transmisja ciągła"),
    QT_TRANSLATE_NOOP("TriggerModes", "Transmisja, gdy wejście 1 jest aktywne"),
    QT_TRANSLATE_NOOP("TriggerModes", "Transmisja pojedyńcza na zbocze narastające"),
};

constexpr const char* kTriggerInputModes[] = {
    QT_TRANSLATE_NOOP("TriggerInputModes", "Wyzwalanie + zapis do rejestrów MODBUS"),
    QT_TRANSLATE_NOOP("TriggerInputModes", "Cykliczny zapis do rejestrów MODBUS"),
};

// The fourteen measured quantities in their fixed order; trailing blanks are
// part of the texts.
constexpr const char* kRegisters[] = {
    QT_TRANSLATE_NOOP("Registers", "ADC [1] "),
    QT_TRANSLATE_NOOP("Registers", "ADC [2]"),
    QT_TRANSLATE_NOOP("Registers", "ADC [3] "),
    QT_TRANSLATE_NOOP("Registers", "ADC [4]"),
    QT_TRANSLATE_NOOP("Registers", "ADC [1] (uśredniona)"),
    QT_TRANSLATE_NOOP("Registers", "ADC [2] (uśredniona)"),
    QT_TRANSLATE_NOOP("Registers", "ADC [3] (uśredniona)"),
    QT_TRANSLATE_NOOP("Registers", "ADC [4] (uśredniona)"),
    QT_TRANSLATE_NOOP("Registers", "ENKODER [1] (pozycja) "),
    QT_TRANSLATE_NOOP("Registers", "ENKODER [2] (pozycja) "),
    QT_TRANSLATE_NOOP("Registers", "ENKODER [1] (prędkość) "),
    QT_TRANSLATE_NOOP("Registers", "ENKODER [2] (prędkość) "),
    QT_TRANSLATE_NOOP("Registers", "MATH [1]"),
    QT_TRANSLATE_NOOP("Registers", "MATH [2]"),
};

constexpr const char* kOutputSources[] = {
    QT_TRANSLATE_NOOP("OutputSources", "Wyjście nieaktywne"),
    QT_TRANSLATE_NOOP("OutputSources", "Wyjście zawsze aktywne"),
    QT_TRANSLATE_NOOP("OutputSources", "ADC [1] "),
    QT_TRANSLATE_NOOP("OutputSources", "ADC [2]"),
    QT_TRANSLATE_NOOP("OutputSources", "ADC [3] "),
    QT_TRANSLATE_NOOP("OutputSources", "ADC [4]"),
    QT_TRANSLATE_NOOP("OutputSources", "ADC [1] (uśredniona)"),
    QT_TRANSLATE_NOOP("OutputSources", "ADC [2] (uśredniona)"),
    QT_TRANSLATE_NOOP("OutputSources", "ADC [3] (uśredniona)"),
    QT_TRANSLATE_NOOP("OutputSources", "ADC [4] (uśredniona)"),
    QT_TRANSLATE_NOOP("OutputSources", "ENKODER [1] (pozycja) "),
    QT_TRANSLATE_NOOP("OutputSources", "ENKODER [2] (pozycja) "),
    QT_TRANSLATE_NOOP("OutputSources", "ENKODER [1] (prędkość) "),
    QT_TRANSLATE_NOOP("OutputSources", "ENKODER [2] (prędkość) "),
    QT_TRANSLATE_NOOP("OutputSources", "MATH [1]"),
    QT_TRANSLATE_NOOP("OutputSources", "MATH [2]"),
};

constexpr const char* kComparisons[] = {
    QT_TRANSLATE_NOOP("Comparisons", "mniejsza"),
    QT_TRANSLATE_NOOP("Comparisons", "większa"),
};

constexpr const char* kLogic[] = {
    QT_TRANSLATE_NOOP("Logic", "---"),
    QT_TRANSLATE_NOOP("Logic", "suma logiczna [and]"),
    QT_TRANSLATE_NOOP("Logic", "iloczyn logiczny [or]"),
};

constexpr const char* kOutputStates[] = {
    QT_TRANSLATE_NOOP("OutputStates", "Nieaktywne"),
    QT_TRANSLATE_NOOP("OutputStates", "Aktywne"),
};

constexpr const char* kBaudRates[] = {"9600", "19200", "38400", "56000", "57600", "115200"};

struct ListTexts {
    const char* context;  // nullptr: the same texts in every language
    std::span<const char* const> sources;
};

ListTexts listTexts(ValueList list) {
    switch (list) {
        case ValueList::AdcModes:
            return {nullptr, kAdcModes};
        case ValueList::EncoderModes:
            return {"EncoderModes", kEncoderModes};
        case ValueList::MathModes1:
            return {nullptr, kMathModes1};
        case ValueList::MathModes2:
            return {nullptr, kMathModes2};
        case ValueList::RegisterModes1:
            return {"RegisterModes", kRegisterModes1};
        case ValueList::RegisterModes2:
            return {"RegisterModes", kRegisterModes2};
        case ValueList::TriggerModes:
            return {"TriggerModes", kTriggerModes};
        case ValueList::TriggerInputModes:
            return {"TriggerInputModes", kTriggerInputModes};
        case ValueList::Registers:
            return {"Registers", kRegisters};
        case ValueList::OutputSources:
            return {"OutputSources", kOutputSources};
        case ValueList::Comparisons:
            return {"Comparisons", kComparisons};
        case ValueList::Logic:
            return {"Logic", kLogic};
        case ValueList::OutputStates:
            return {"OutputStates", kOutputStates};
        case ValueList::BaudRates:
            return {nullptr, kBaudRates};
        case ValueList::ModbusAddresses:
            break;
    }
    return {nullptr, {}};
}

}  // namespace

QStringList listEntries(ValueList list) {
    QStringList entries;
    if (list == ValueList::ModbusAddresses) {
        entries.reserve(kModbusAddressCount);
        for (int address = 1; address <= kModbusAddressCount; ++address) {
            entries.append(QString::number(address));
        }
        return entries;
    }
    const ListTexts texts = listTexts(list);
    entries.reserve(static_cast<qsizetype>(texts.sources.size()));
    for (const char* source : texts.sources) {
        entries.append(texts.context != nullptr ? QCoreApplication::translate(texts.context, source)
                                                : QString::fromUtf8(source));
    }
    return entries;
}

int listSize(ValueList list) {
    if (list == ValueList::ModbusAddresses) {
        return kModbusAddressCount;
    }
    return static_cast<int>(listTexts(list).sources.size());
}

QString formulaCaption(Formula formula) {
    static constexpr const char* kAdcFormula = QT_TRANSLATE_NOOP(
        "Formulas", "Wartość pomiaru ADC = (ADCx + Przesunięcie1) * Mnożnik + Przesuniecie2");
    static constexpr const char* kEncoderFormula =
        QT_TRANSLATE_NOOP("Formulas", "Wartość pomiaru ENC = ENCx * Mnożnik + Przesuniecie");
    return QCoreApplication::translate("Formulas",
                                       formula == Formula::Adc ? kAdcFormula : kEncoderFormula);
}

}  // namespace voltrix
