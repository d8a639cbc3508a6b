// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/parameters/value_lists.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>

#include "engine/parameters/parameters.h"
#include "language_fixture.h"

namespace voltrix {
namespace {

QStringList texts(std::initializer_list<const char*> utf8) {
    QStringList list;
    for (const char* text : utf8) {
        list.append(QString::fromUtf8(text));
    }
    return list;
}

struct ListCase {
    const char* name;
    ValueList list;
    QStringList polish;
    QStringList english;
};

void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.name;
}

const QStringList kMathModes1 =
    texts({"ADC1 + ADC2",      "ADC1 - ADC2",      "-ADC1 - ADC2",        "M1 - ADC1 - ADC2",
           "M1 + ADC1 + ADC2", "M1 + ADC1 - ADC2", "M1 + ADC1",           "M1 + ADC2",
           "M1 - ADC1",        "M1 - ADC2",        "M1 * (ACD1 + ADC2)",  "M1 * (ACD1 - ADC2)",
           "ADC3 + ADC4",      "ADC3 - ADC4",      "-ADC3 - ADC4",        "M1 - ADC3 - ADC4",
           "M1 + ADC3 + ADC4", "M1 + ADC3 - ADC4", "M1 + ADC3",           "M1 + ADC4",
           "M1 - ADC3",        "M1 - ADC4",        "M1  * (ACD3 + ADC4)", "M1 * (ACD3 - ADC4)"});

const QStringList kMathModes2 =
    texts({"ADC1 + ADC2",      "ADC1 - ADC2",      "-ADC1 - ADC2",       "M2 - ADC1 - ADC2",
           "M2 + ADC1 + ADC2", "M2 + ADC1 - ADC2", "M2 + ADC1",          "M2 + ADC2",
           "M2 - ADC1",        "M2 - ADC2",        "M2 * (ACD1 + ADC2)", "M2 * (ACD1 - ADC2)",
           "ADC3 + ADC4",      "ADC3 - ADC4",      "-ADC3 - ADC4",       "M2 - ADC3 - ADC4",
           "M2 + ADC3 + ADC4", "M2 + ADC3 - ADC4", "M2 + ADC3",          "M2 + ADC4",
           "M2 - ADC3",        "M2 - ADC4",        "M2 * (ACD3 + ADC4)", "M2 * (ACD3 - ADC4)"});

const QStringList kRegistersPolish =
    texts({"ADC [1] ", "ADC [2]", "ADC [3] ", "ADC [4]", "ADC [1] (uśredniona)",
           "ADC [2] (uśredniona)", "ADC [3] (uśredniona)", "ADC [4] (uśredniona)",
           "ENKODER [1] (pozycja) ", "ENKODER [2] (pozycja) ", "ENKODER [1] (prędkość) ",
           "ENKODER [2] (prędkość) ", "MATH [1]", "MATH [2]"});

const ListCase kLists[] = {
    {"AdcModes", ValueList::AdcModes, texts({"0~10 V", "0~20 mA"}), texts({"0~10 V", "0~20 mA"})},
    {"EncoderModes", ValueList::EncoderModes,
     texts({"Pozycja/prędkość [obr][obr/s]", "Pozycja/prędkość [obr][obr/min]",
            "Pozycja/prędkość [mm][mm/s]", "Pozycja/prędkość [mm][mm/min]"}),
     texts({"Position/velocity [rev][rev/s]", "Position/velocity [rev][rev/min]",
            "Position/velocity [mm][mm/s]", "Position/velocity [mm][mm/min]"})},
    {"MathModes1", ValueList::MathModes1, kMathModes1, kMathModes1},
    {"MathModes2", ValueList::MathModes2, kMathModes2, kMathModes2},
    {"RegisterModes1", ValueList::RegisterModes1,
     texts({"Współczynnik m1", "ENC1", "ENC2", "ENC + ENC2", "ENC1 - ENC2", "ENC2 - ENC1",
            "m1 * ENC1", "m1 * ENC2", "m1 * (ENC + ENC2)", "m1 * (ENC1 - ENC2)",
            "m1 * (ENC2 - ENC1)"}),
     texts({"Factor m1", "ENC1", "ENC2", "ENC + ENC2", "ENC1 - ENC2", "ENC2 - ENC1", "m1 * ENC1",
            "m1 * ENC2", "m1 * (ENC + ENC2)", "m1 * (ENC1 - ENC2)", "m1 * (ENC2 - ENC1)"})},
    {"RegisterModes2", ValueList::RegisterModes2,
     texts({"Współczynnik m2", "ENC1", "ENC2", "ENC + ENC2", "ENC1 - ENC2", "ENC2 - ENC1",
            "m2 * ENC1", "m2 * ENC2", "m2 * (ENC + ENC2)", "m2 * (ENC1 - ENC2)",
            "m2 * (ENC2 - ENC1)"}),
     texts({"Factor m2", "ENC1", "ENC2", "ENC + ENC2", "ENC1 - ENC2", "ENC2 - ENC1", "m2 * ENC1",
            "m2 * ENC2", "m2 * (ENC + ENC2)", "m2 * (ENC1 - ENC2)", "m2 * (ENC2 - ENC1)"})},
    {"TriggerModes", ValueList::TriggerModes,
     texts({"Transmisja ciągła", "Transmisja, gdy wejście 1 jest aktywne",
            "Transmisja pojedyńcza na zbocze narastające"}),
     texts({"Continuous transmission", "Transmission, when trigger 1 is active",
            "Single transmission to the rising edge"})},
    {"TriggerInputModes", ValueList::TriggerInputModes,
     texts({"Wyzwalanie + zapis do rejestrów MODBUS", "Cykliczny zapis do rejestrów MODBUS"}),
     texts({"Trigger + write to MODBUS registers", "Cyclical writing to MODBUS registers"})},
    {"Registers", ValueList::Registers, kRegistersPolish,
     texts({"ADC [1] ", "ADC [2]", "ADC [3] ", "ADC [4]", "ADC [1] (average)", "ADC [2] (average)",
            "ADC [3] (average)", "ADC [4] (average)", "ENKODER [1] (position) ",
            "ENKODER [2] (position) ", "ENKODER [1] (velocity) ", "ENKODER [2] (velocity) ",
            "MATH [1]", "MATH [2]"})},
    {"OutputSources", ValueList::OutputSources,
     texts({"Wyjście nieaktywne", "Wyjście zawsze aktywne"}) + kRegistersPolish,
     texts({"Output inactive", "Output is always active", "ADC [1] ", "ADC [2]", "ADC [3] ",
            "ADC [4]", "ADC [1] (average)", "ADC [2] (average)", "ADC [3] (average)",
            "ADC [4] (average)", "ENKODER [1] (position)", "ENKODER [2] (position)",
            "ENKODER [1] (velocity)", "ENKODER [2] (velocity) ", "MATH [1]", "MATH [2]"})},
    {"Comparisons", ValueList::Comparisons, texts({"mniejsza", "większa"}),
     texts({"smaller", "larger"})},
    {"Logic", ValueList::Logic, texts({"---", "suma logiczna [and]", "iloczyn logiczny [or]"}),
     texts({"---", "[and]", "[or]"})},
    {"OutputStates", ValueList::OutputStates, texts({"Nieaktywne", "Aktywne"}),
     texts({"Inactive", "Active"})},
    {"BaudRates", ValueList::BaudRates,
     texts({"9600", "19200", "38400", "56000", "57600", "115200"}),
     texts({"9600", "19200", "38400", "56000", "57600", "115200"})},
};

class ValueListTexts : public testing::LanguageTest,
                       public ::testing::WithParamInterface<ListCase> {};

TEST_P(ValueListTexts, PolishEntries) {
    const ListCase& c = GetParam();
    EXPECT_EQ(listEntries(c.list), c.polish);
    EXPECT_EQ(listSize(c.list), c.polish.size());
}

TEST_P(ValueListTexts, EnglishEntries) {
    const ListCase& c = GetParam();
    use(Language::English);
    EXPECT_EQ(listEntries(c.list), c.english);
    EXPECT_EQ(listSize(c.list), c.english.size());
}

INSTANTIATE_TEST_SUITE_P(AllLists, ValueListTexts, ::testing::ValuesIn(kLists),
                         [](const ::testing::TestParamInfo<ListCase>& info) {
                             return std::string(info.param.name);
                         });

class ModbusAddressList : public testing::LanguageTest,
                          public ::testing::WithParamInterface<Language> {};

TEST_P(ModbusAddressList, EntriesAreTheAddresses1To247) {
    use(GetParam());
    const QStringList entries = listEntries(ValueList::ModbusAddresses);
    ASSERT_EQ(entries.size(), 247);
    EXPECT_EQ(listSize(ValueList::ModbusAddresses), 247);
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i], QString::number(i + 1));
    }
    // A report with the address 10 selects the entry "10"; the entry "247" is
    // written as the address 247.
    EXPECT_EQ(entries.value(modbusAddressIndex(10)), QStringLiteral("10"));
    EXPECT_EQ(writeModbusAddress(static_cast<int>(entries.indexOf(QStringLiteral("247")))).bytes[2],
              247);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ModbusAddressList,
                         ::testing::Values(Language::Polish, Language::English),
                         [](const ::testing::TestParamInfo<Language>& info) {
                             return std::string(info.param == Language::English ? "English"
                                                                                : "Polish");
                         });

TEST(OutputSourceList, SourceIndexIsRegisterIndexPlusTwo) {
    const QStringList registers = listEntries(ValueList::Registers);
    const QStringList sources = listEntries(ValueList::OutputSources);
    ASSERT_EQ(sources.size(), registers.size() + kFirstRegisterSource);
    EXPECT_EQ(sources.mid(kFirstRegisterSource), registers);
}

class FormulaCaptions : public testing::LanguageTest {};

TEST_F(FormulaCaptions, FollowTheActiveLanguage) {
    EXPECT_EQ(formulaCaption(Formula::Adc),
              QString::fromUtf8(
                  "Wartość pomiaru ADC = (ADCx + Przesunięcie1) * Mnożnik + Przesuniecie2"));
    EXPECT_EQ(formulaCaption(Formula::Encoder),
              QString::fromUtf8("Wartość pomiaru ENC = ENCx * Mnożnik + Przesuniecie"));
    use(Language::English);
    EXPECT_EQ(formulaCaption(Formula::Adc),
              QStringLiteral("ADC value = (ADCx + Offset1) * Coeff + Offset2"));
    EXPECT_EQ(formulaCaption(Formula::Encoder),
              QStringLiteral("END value = ENCx * Coeff + Offset"));
}

}  // namespace
}  // namespace voltrix
