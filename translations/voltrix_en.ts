<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="pl_PL">
<context>
    <name>StringTable</name>
    <message>
        <source>Zaktualizowane parametr: [</source>
        <translation>Updated parameter: [</translation>
    </message>
    <message>
        <source>Połączony</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>Rozłączony</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>Odświeżam listę urządzeń</source>
        <translation>Refresh the list of devices</translation>
    </message>
    <message>
        <source>pomiary.csv</source>
        <translation>measure.csv</translation>
    </message>
    <message>
        <source>Zapis aktywny</source>
        <translation>Record: online</translation>
    </message>
    <message>
        <source>Zapis: aktywny</source>
        <translation>Record: online</translation>
    </message>
    <message>
        <source>Zapis nieaktywny</source>
        <translation>Record: offline</translation>
    </message>
    <message>
        <source>Zapis: niektywny</source>
        <translation>Record: offline</translation>
    </message>
    <message>
        <source>Czas [s]</source>
        <translation>Time [s]</translation>
    </message>
    <message>
        <source>Wartość</source>
        <translation>Value</translation>
    </message>
</context>
<context>
    <name>EncoderModes</name>
    <message>
        <source>Pozycja/prędkość [obr][obr/s]</source>
        <translation>Position/velocity [rev][rev/s]</translation>
    </message>
    <message>
        <source>Pozycja/prędkość [obr][obr/min]</source>
        <translation>Position/velocity [rev][rev/min]</translation>
    </message>
    <message>
        <source>Pozycja/prędkość [mm][mm/s]</source>
        <translation>Position/velocity [mm][mm/s]</translation>
    </message>
    <message>
        <source>Pozycja/prędkość [mm][mm/min]</source>
        <translation>Position/velocity [mm][mm/min]</translation>
    </message>
</context>
<context>
    <name>RegisterModes</name>
    <message>
        <source>Współczynnik m1</source>
        <translation>Factor m1</translation>
    </message>
    <message>
        <source>Współczynnik m2</source>
        <translation>Factor m2</translation>
    </message>
</context>
<context>
    <name>TriggerModes</name>
    <message>
        <source>Transmisja ciągła</source>
        <translation>Continuous transmission</translation>
    </message>
    <message>
        <source>Transmisja, gdy wejście 1 jest aktywne</source>
        <translation>Transmission, when trigger 1 is active</translation>
    </message>
    <message>
        <source>Transmisja pojedyńcza na zbocze narastające</source>
        <translation>Single transmission to the rising edge</translation>
    </message>
</context>
<context>
    <name>TriggerInputModes</name>
    <message>
        <source>Wyzwalanie + zapis do rejestrów MODBUS</source>
        <translation>Trigger + write to MODBUS registers</translation>
    </message>
    <message>
        <source>Cykliczny zapis do rejestrów MODBUS</source>
        <translation>Cyclical writing to MODBUS registers</translation>
    </message>
</context>
<context>
    <name>Registers</name>
    <message>
        <source>ADC [1] (uśredniona)</source>
        <translation>ADC [1] (average)</translation>
    </message>
    <message>
        <source>ADC [2] (uśredniona)</source>
        <translation>ADC [2] (average)</translation>
    </message>
    <message>
        <source>ADC [3] (uśredniona)</source>
        <translation>ADC [3] (average)</translation>
    </message>
    <message>
        <source>ADC [4] (uśredniona)</source>
        <translation>ADC [4] (average)</translation>
    </message>
    <message>
        <source>ENKODER [1] (pozycja) </source>
        <translation>ENKODER [1] (position) </translation>
    </message>
    <message>
        <source>ENKODER [2] (pozycja) </source>
        <translation>ENKODER [2] (position) </translation>
    </message>
    <message>
        <source>ENKODER [1] (prędkość) </source>
        <translation>ENKODER [1] (velocity) </translation>
    </message>
    <message>
        <source>ENKODER [2] (prędkość) </source>
        <translation>ENKODER [2] (velocity) </translation>
    </message>
</context>
<context>
    <name>OutputSources</name>
    <message>
        <source>Wyjście nieaktywne</source>
        <translation>Output inactive</translation>
    </message>
    <message>
        <source>Wyjście zawsze aktywne</source>
        <translation>Output is always active</translation>
    </message>
    <message>
        <source>ADC [1] (uśredniona)</source>
        <translation>ADC [1] (average)</translation>
    </message>
    <message>
        <source>ADC [2] (uśredniona)</source>
        <translation>ADC [2] (average)</translation>
    </message>
    <message>
        <source>ADC [3] (uśredniona)</source>
        <translation>ADC [3] (average)</translation>
    </message>
    <message>
        <source>ADC [4] (uśredniona)</source>
        <translation>ADC [4] (average)</translation>
    </message>
    <message>
        <source>ENKODER [1] (pozycja) </source>
        <translation>ENKODER [1] (position)</translation>
    </message>
    <message>
        <source>ENKODER [2] (pozycja) </source>
        <translation>ENKODER [2] (position)</translation>
    </message>
    <message>
        <source>ENKODER [1] (prędkość) </source>
        <translation>ENKODER [1] (velocity)</translation>
    </message>
    <message>
        <source>ENKODER [2] (prędkość) </source>
        <translation>ENKODER [2] (velocity) </translation>
    </message>
</context>
<context>
    <name>Comparisons</name>
    <message>
        <source>mniejsza</source>
        <translation>smaller</translation>
    </message>
    <message>
        <source>większa</source>
        <translation>larger</translation>
    </message>
</context>
<context>
    <name>Logic</name>
    <message>
        <source>suma logiczna [and]</source>
        <translation>[and]</translation>
    </message>
    <message>
        <source>iloczyn logiczny [or]</source>
        <translation>[or]</translation>
    </message>
</context>
<context>
    <name>OutputStates</name>
    <message>
        <source>Nieaktywne</source>
        <translation>Inactive</translation>
    </message>
    <message>
        <source>Aktywne</source>
        <translation>Active</translation>
    </message>
</context>
<context>
    <name>Formulas</name>
    <message>
        <source>Wartość pomiaru ADC = (ADCx + Przesunięcie1) * Mnożnik + Przesuniecie2</source>
        <translation>ADC value = (ADCx + Offset1) * Coeff + Offset2</translation>
    </message>
    <message>
        <source>Wartość pomiaru ENC = ENCx * Mnożnik + Przesuniecie</source>
        <translation>END value = ENCx * Coeff + Offset</translation>
    </message>
</context>
</TS>
