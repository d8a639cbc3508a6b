<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="pl_PL">
<context>
    <name>AnalogInputsPage</name>
    <message>
        <source>Wejścia analogowe - wskaźniki </source>
        <translation>Analog inputs - values</translation>
    </message>
    <message>
        <source>Odczytaj</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Tryb pracy</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Zapisz</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Filtr ciągły [smp]</source>
        <translation>Continuous filter [smp]</translation>
    </message>
    <message>
        <source>Filtr uśredniający [smp] </source>
        <translation>Averaging filter [smp]</translation>
    </message>
    <message>
        <source>Mnożnik [Coeff]</source>
        <translation>Coeff</translation>
    </message>
    <message>
        <source>Przesunięcie 1 [Offset]</source>
        <translation>Offset 1</translation>
    </message>
    <message>
        <source>Przesunięcie 2 [Offset]</source>
        <translation>Offset 2</translation>
    </message>
    <message>
        <source>Jednostka pomiaru</source>
        <translation>Measurement unit</translation>
    </message>
    <message>
        <source>Wartość pomiaru ADC = (ADCx + Przesunięcie1) * Mnożnik + Przesuniecie2</source>
        <translation>ADC value = (ADCx + Offset1) * Coeff + Offset2</translation>
    </message>
    <message>
        <source>Wejścia analogowe - konfiguracja</source>
        <translation>Analog inputs - configuration</translation>
    </message>
</context>
<context>
    <name>Chart</name>
    <message>
        <source>wartość ADC1</source>
        <translation>value ADC 1</translation>
    </message>
    <message>
        <source>wartość ADC2</source>
        <translation>value ADC 2</translation>
    </message>
    <message>
        <source>wartość ADC3</source>
        <translation>value ADC 3</translation>
    </message>
    <message>
        <source>wartość ADC4</source>
        <translation>value ADC 4</translation>
    </message>
    <message>
        <source>wartość ADC 1 (uśredniona)</source>
        <translation>value ADC 1 (average)</translation>
    </message>
    <message>
        <source>wartość ADC 2 (uśredniona)</source>
        <translation>value ADC 2 (average)</translation>
    </message>
    <message>
        <source>wartość ADC 3 (uśredniona)</source>
        <translation>value ADC 3 (average)</translation>
    </message>
    <message>
        <source>wartość ADC 4 (uśredniona)</source>
        <translation>value ADC 4 (average)</translation>
    </message>
    <message>
        <source>pozycja ENKODER 1</source>
        <translation>position ENCODER 1</translation>
    </message>
    <message>
        <source>pozycja ENKODER 2</source>
        <translation>position ENCODER 2</translation>
    </message>
    <message>
        <source>prędkość ENKODER 1</source>
        <translation>velocity ENCODER 1</translation>
    </message>
    <message>
        <source>prędkość ENKODER 2</source>
        <translation>velocity ENCODER 2</translation>
    </message>
    <message>
        <source>wartość MATH 1</source>
        <translation>value MATH 1</translation>
    </message>
    <message>
        <source>wartość MATH 2</source>
        <translation>value MATH 2</translation>
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
    <name>EncoderInputsPage</name>
    <message>
        <source>ENKODER 1 (pozycja)</source>
        <translation>ENCODER 1 (position)</translation>
    </message>
    <message>
        <source>ENKODER 1 (prędkość)</source>
        <translation>ENKODER 1 (velocity)</translation>
    </message>
    <message>
        <source>ENKODER 2 (pozycja)</source>
        <translation>ENCODER 2 (position)</translation>
    </message>
    <message>
        <source>ENKODER 2 (prędkość)</source>
        <translation>ENKODER 2 (velocity)</translation>
    </message>
    <message>
        <source>Wejścia enkoderowe - wskaźniki</source>
        <translation>Encoder inputs - values</translation>
    </message>
    <message>
        <source>Enkoder 1</source>
        <translation>Encoder 1</translation>
    </message>
    <message>
        <source>Odczytaj parametry enkodera</source>
        <translation>Read the the encoder parameters</translation>
    </message>
    <message>
        <source>Enkoder 2</source>
        <translation>Encoder 2</translation>
    </message>
    <message>
        <source>Tryb pracy</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Zapisz</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Czas bramkowania [ms]</source>
        <translation>Gate time [ms]</translation>
    </message>
    <message>
        <source>Rozdzielczość [imp]</source>
        <translation>Resolution [imp]</translation>
    </message>
    <message>
        <source>Mnożnik [Coeff]</source>
        <translation>Coeff</translation>
    </message>
    <message>
        <source>Przesunięcie [Offset]</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>Jednostka pomiaru</source>
        <translation>Measurement unit</translation>
    </message>
    <message>
        <source>Zeruj pozycję</source>
        <translation>Clear position</translation>
    </message>
    <message>
        <source>Wartość pomiaru ENC = ENCx * Mnożnik + Przesuniecie</source>
        <translation>END value = ENCx * Coeff + Offset</translation>
    </message>
    <message>
        <source>Wejścia enkoderowe - konfiguracja</source>
        <translation>Encoder inputs - configuration</translation>
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
<context>
    <name>IndicatorsPage</name>
    <message>
        <source>ADC 2</source>
        <translation>ADC2</translation>
    </message>
    <message>
        <source>Wejścia analogowe</source>
        <translation>Analog inputs</translation>
    </message>
    <message>
        <source>ENKODER 1 (pozycja)</source>
        <translation>ENCODER 1 (position)</translation>
    </message>
    <message>
        <source>ENKODER 2 (pozycja)</source>
        <translation>ENCODER 2 (position)</translation>
    </message>
    <message>
        <source>ENKODER 1 (prędkość)</source>
        <translation>ENKODER 1 (velocity)</translation>
    </message>
    <message>
        <source>ENKODER 2 (prędkość)</source>
        <translation>ENKODER 2 (velocity)</translation>
    </message>
    <message>
        <source>Wejścia enkoderowe</source>
        <translation>Encoder inputs</translation>
    </message>
    <message>
        <source>Wyjścia tranzystorowe</source>
        <translation>NPN outpust</translation>
    </message>
</context>
<context>
    <name>LoggingControls</name>
    <message>
        <source>utracone raporty: %1</source>
        <translation>reports lost: %1</translation>
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
    <message>
        <source>---</source>
        <translation>---</translation>
    </message>
</context>
<context>
    <name>MathPage</name>
    <message>
        <source>Funkcje matematyczne - wskaźniki</source>
        <translation>Mathematical functions - value</translation>
    </message>
    <message>
        <source>Tryb pracy</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Zapisz</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Odczytaj</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Nazwa operacji</source>
        <translation>Name of operation</translation>
    </message>
    <message>
        <source>Jednostka operacji</source>
        <translation>Unit operations</translation>
    </message>
    <message>
        <source>Rejestr M1...2</source>
        <translation>Register M1...2</translation>
    </message>
    <message>
        <source>Współczynnik m1...2</source>
        <translation>Factor m1...2</translation>
    </message>
    <message>
        <source>Rejestr kalibracyjny</source>
        <translation>Calibration register</translation>
    </message>
    <message>
        <source>Kalibracja M1</source>
        <translation>Calibration M1</translation>
    </message>
    <message>
        <source>Kalibracja M2</source>
        <translation>Calibration M2</translation>
    </message>
    <message>
        <source>Funkcje matematyczne - konfiguracja</source>
        <translation>Math Functions - Configuration</translation>
    </message>
</context>
<context>
    <name>MeasurementLog</name>
    <message>
        <source>Nie można zapisać pliku pomiarowego: %1</source>
        <translation>The measurement file cannot be written: %1</translation>
    </message>
    <message>
        <source>brak miejsca na dysku</source>
        <translation>no space left on the device</translation>
    </message>
    <message>
        <source>brak uprawnień do zapisu</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>folder nie istnieje</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>odbiorca zamknął potok</source>
        <translation>the reader closed the pipe</translation>
    </message>
    <message>
        <source>nikt nie czyta kolejki FIFO</source>
        <translation>no one reads the FIFO</translation>
    </message>
    <message>
        <source>odbiorca nie przyjmuje linii</source>
        <translation>the reader takes no lines</translation>
    </message>
    <message>
        <source>system plików tylko do odczytu</source>
        <translation>read-only file system</translation>
    </message>
    <message>
        <source>podana nazwa jest folderem</source>
        <translation>the name is a folder</translation>
    </message>
    <message>
        <source>nieznany błąd</source>
        <translation>unknown error</translation>
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
    <message>
        <source>ADC [1] </source>
        <translation>ADC [1] </translation>
    </message>
    <message>
        <source>ADC [2]</source>
        <translation>ADC [2]</translation>
    </message>
    <message>
        <source>ADC [3] </source>
        <translation>ADC [3] </translation>
    </message>
    <message>
        <source>ADC [4]</source>
        <translation>ADC [4]</translation>
    </message>
    <message>
        <source>MATH [1]</source>
        <translation>MATH [1]</translation>
    </message>
    <message>
        <source>MATH [2]</source>
        <translation>MATH [2]</translation>
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
    <name>OutputsPage</name>
    <message>
        <source>Rejestr do porównania</source>
        <translation>Register to compare</translation>
    </message>
    <message>
        <source>Warunek 1</source>
        <translation>Condition 1</translation>
    </message>
    <message>
        <source>Wartość do warunku 1</source>
        <translation>The value for condition 1</translation>
    </message>
    <message>
        <source>Suma/iloczyn warunków</source>
        <translation>And / Or conditions</translation>
    </message>
    <message>
        <source>Warunek 2</source>
        <translation>Condition 2</translation>
    </message>
    <message>
        <source>Wartość do warunku 2</source>
        <translation>The value for condition 2</translation>
    </message>
    <message>
        <source>Stan wyjścia gdy warunki spełnione</source>
        <translation>Output state when conditions met</translation>
    </message>
    <message>
        <source>Zapisz</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Odczytaj</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Wyjścia tranzystorowe - konfiguracja</source>
        <translation>NPN outpust - configuration</translation>
    </message>
</context>
<context>
    <name>ProgramSettings</name>
    <message>
        <source>Nie można zapisać ustawień w %1, używany jest %2</source>
        <translation>The settings cannot be saved in %1; %2 is used instead</translation>
    </message>
</context>
<context>
    <name>ProgramSettingsPage</name>
    <message>
        <source>Automatycznie rozpocznij zapis do pliku przy starcie programu</source>
        <translation>Automatically start recording to a file at program startup</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     datę [rrrr-mm-dd]</source>
        <translation>Registry to file:     date [yyyy-mm-dd]</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     godzinę [gg:mm:ss:milisekunda]</source>
        <translation>Register to file:     time [hh: mm: ss: millisecond]</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     licznik pomiarów</source>
        <translation>Register to file:     counter measurements</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     licznik pomiarów MOD zmienna: </source>
        <translation>Register to file:     MOD measurement counter variable:</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość ADC 1</source>
        <translation>Register to file:     value ADC 1</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość ADC 2</source>
        <translation>Register to file:     value ADC 2</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość ADC 3</source>
        <translation>Register to file:     value ADC 3</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość ADC 4 </source>
        <translation>Register to file:     value ADC 4</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość ADC 1 (uśredniona)</source>
        <translation>Registry to file:     the value of ADC 1 (average)</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość ADC 2 (uśredniona)</source>
        <translation>Registry to file:     the value of ADC 2 (average)</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość ADC 3 (uśredniona)</source>
        <translation>Registry to file:     the value of ADC 3 (average)</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość ADC 4 (uśredniona)</source>
        <translation>Registry to file:     the value of ADC 4 (average)</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     pozycja ENKODER 1 </source>
        <translation>Register to file:     ENCODER 1</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     pozycja ENKODER 2</source>
        <translation>Register to file:     ENCODER 2</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     prędkość ENKODER 1 </source>
        <translation>Register to file:     velocity ENCODER 1</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     prędkość ENKODER 2</source>
        <translation>Register to file:     velocity ENCODER 2</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość MATH 1</source>
        <translation>Register to file:     value MATH 1</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     wartość MATH 2</source>
        <translation>Register to file:     value MATH 2</translation>
    </message>
    <message>
        <source>Rejestru do pliku:     stan wyjść tranzystorowych</source>
        <translation>Registry to file:     state NPN outputs</translation>
    </message>
    <message>
        <source>Zapis do pliku</source>
        <translation>Save To File</translation>
    </message>
    <message>
        <source>Połączenie USB</source>
        <translation>USB Connection</translation>
    </message>
    <message>
        <source>Połącz z urządzeniem przy starcie programu</source>
        <translation>Connect the device at startup</translation>
    </message>
    <message>
        <source>Ustawienie wyświetlania</source>
        <translation>Display setting</translation>
    </message>
    <message>
        <source>Położenie kropki dziesiętnej</source>
        <translation>Decimal point</translation>
    </message>
    <message>
        <source>Szerokość wykresu [s]</source>
        <translation>Chart width [s]</translation>
    </message>
    <message>
        <source>Wersja oprogramowania</source>
        <translation>Program version</translation>
    </message>
    <message>
        <source>Program PC:</source>
        <translation>PC Program:</translation>
    </message>
    <message>
        <source>Odczytaj</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Temperatura układu</source>
        <translation>Device temperature</translation>
    </message>
    <message>
        <source>Temperatura:</source>
        <translation>Temperature:</translation>
    </message>
    <message>
        <source>Konfiguracja MODBUS</source>
        <translation>MODBUS configuration</translation>
    </message>
    <message>
        <source>Adres</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Zapisz</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Prędkość </source>
        <translation>Baudrate</translation>
    </message>
</context>
<context>
    <name>RecordedFile</name>
    <message>
        <source>plik nie istnieje</source>
        <translation>the file does not exist</translation>
    </message>
    <message>
        <source>brak uprawnień do odczytu</source>
        <translation>no permission to read</translation>
    </message>
    <message>
        <source>linii nie można zapisać w pliku, z którego pochodzą</source>
        <translation>the lines cannot be saved in the file they come from</translation>
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
    <message>
        <source>ADC [1] </source>
        <translation>ADC [1] </translation>
    </message>
    <message>
        <source>ADC [2]</source>
        <translation>ADC [2]</translation>
    </message>
    <message>
        <source>ADC [3] </source>
        <translation>ADC [3] </translation>
    </message>
    <message>
        <source>ADC [4]</source>
        <translation>ADC [4]</translation>
    </message>
    <message>
        <source>MATH [1]</source>
        <translation>MATH [1]</translation>
    </message>
    <message>
        <source>MATH [2]</source>
        <translation>MATH [2]</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>Plik pomiarowy</source>
        <translation>Measurement file</translation>
    </message>
    <message>
        <source>Plik tekstowy (*.txt)</source>
        <translation>Text file (*. txt)</translation>
    </message>
    <message>
        <source>Plik z danymi oddzielonymi średnikami (*.csv)</source>
        <translation>File with data separated by semicolons (*. csv)</translation>
    </message>
</context>
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
    <name>TFMain</name>
    <message>
        <source>Wskaźniki</source>
        <translation>Values</translation>
    </message>
    <message>
        <source>Wykresy</source>
        <translation>Charts</translation>
    </message>
    <message>
        <source>Konfiguracja urządzenia</source>
        <translation>Device configuration</translation>
    </message>
    <message>
        <source>Ustawienia programu</source>
        <translation>Program settings</translation>
    </message>
    <message>
        <source>Wejścia analogowe</source>
        <translation>Analog inputs</translation>
    </message>
    <message>
        <source>Wejścia enkoderowe</source>
        <translation>Encoder inputs</translation>
    </message>
    <message>
        <source>Funkcje matematyczne (dla wejść analogowych)</source>
        <translation>Mathematical Functions (for analog inputs)</translation>
    </message>
    <message>
        <source>Wyjścia tranzystorowe</source>
        <translation>NPN outpust</translation>
    </message>
    <message>
        <source>Wyzwalania</source>
        <translation>Trigger</translation>
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
    <name>TriggerPage</name>
    <message>
        <source>Tryb pracy wejść wyzwalających</source>
        <translation>Trigger mode</translation>
    </message>
    <message>
        <source>Zapisz</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Odczytaj</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Filtracja wejścia wyzwalającego [ms]</source>
        <translation>Filtration triggering input [ms]</translation>
    </message>
    <message>
        <source>Tryb wyzwalania transmisji danych</source>
        <translation>Trigger sedn data mode</translation>
    </message>
    <message>
        <source>Czas pomiędzy wysyłaniem pomiarów [ms]</source>
        <translation>Time between send  measurements [ms]</translation>
    </message>
    <message>
        <source>Typ rejestru do zapisu 1</source>
        <translation>Type of register to record 1</translation>
    </message>
    <message>
        <source>Typ rejestru do zapisu 2</source>
        <translation>Type of register to record 2</translation>
    </message>
    <message>
        <source>Wyzwalanie pomiarów - konfiguracja</source>
        <translation>Trigger - configuration</translation>
    </message>
</context>
<context>
    <name>Viewer</name>
    <message>
        <source>licznik raportów</source>
        <translation>report counter</translation>
    </message>
    <message>
        <source>numer linii</source>
        <translation>line number</translation>
    </message>
    <message>
        <source>raport %1</source>
        <translation>report %1</translation>
    </message>
    <message>
        <source>linia %1</source>
        <translation>line %1</translation>
    </message>
    <message>
        <source>Wyższy pas</source>
        <translation>Taller lane</translation>
    </message>
    <message>
        <source>Niższy pas</source>
        <translation>Shorter lane</translation>
    </message>
    <message>
        <source>Równe wysokości pasów</source>
        <translation>Equal lane heights</translation>
    </message>
    <message>
        <source>w folderze nie ma plików pomiarowych</source>
        <translation>the folder holds no measurement files</translation>
    </message>
    <message>
        <source>nie wybrano pliku</source>
        <translation>no file was chosen</translation>
    </message>
    <message>
        <source>%1 nie jest zwykłym plikiem, a tylko takie można otworzyć razem</source>
        <translation>%1 is not a regular file, and only those can be opened together</translation>
    </message>
</context>
<context>
    <name>voltrix::ColumnLayoutDialog</name>
    <message>
        <source>Data</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Czas</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Licznik</source>
        <translation>Counter</translation>
    </message>
    <message>
        <source>Licznik modulo</source>
        <translation>Counter modulo</translation>
    </message>
    <message>
        <source>Stany wyjść (6 pól)</source>
        <translation>Output states (6 fields)</translation>
    </message>
    <message>
        <source>Kolumny pliku</source>
        <translation>Columns of the file</translation>
    </message>
    <message>
        <source>Zapisany wybór kolumn ma %1 pól, a linie pliku mają %2. Wybierz kolumny, które plik zawiera.</source>
        <translation>The stored selection of columns has %1 fields, and the lines of the file have %2. Choose the columns the file holds.</translation>
    </message>
    <message>
        <source>Ten wybór odczytuje linie pliku (%1 pól).</source>
        <translation>This selection reads the lines of the file (%1 fields).</translation>
    </message>
    <message>
        <source>Ten wybór nie odczytuje linii pliku (%1 pól).</source>
        <translation>This selection does not read the lines of the file (%1 fields).</translation>
    </message>
</context>
<context>
    <name>voltrix::ViewerWindow</name>
    <message>
        <source>Stany wyjść</source>
        <translation>Output states</translation>
    </message>
    <message>
        <source>Plik</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Otwórz…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <source>Otwórz folder…</source>
        <translation>Open folder…</translation>
    </message>
    <message>
        <source>Folder z plikami pomiarowymi</source>
        <translation>Folder of measurement files</translation>
    </message>
    <message>
        <source>Kolumny…</source>
        <translation>Columns…</translation>
    </message>
    <message>
        <source>Śledź plik</source>
        <translation>Follow the file</translation>
    </message>
    <message>
        <source>Cały plik</source>
        <translation>Whole file</translation>
    </message>
    <message>
        <source>Zapisz obraz…</source>
        <translation>Save picture…</translation>
    </message>
    <message>
        <source>Zapisz linie…</source>
        <translation>Save lines…</translation>
    </message>
    <message>
        <source>Nie można odczytać pliku %1: %2</source>
        <translation>Cannot read the file %1: %2</translation>
    </message>
    <message>
        <source>Linie: %1, pominięte: %2</source>
        <translation>Lines: %1, skipped: %2</translation>
    </message>
    <message>
        <source> (śledzony)</source>
        <translation> (followed)</translation>
    </message>
    <message>
        <source>Nie można zapisać obrazu %1</source>
        <translation>Cannot save the picture %1</translation>
    </message>
    <message>
        <source>Nie otwarto pliku</source>
        <translation>No file is open</translation>
    </message>
    <message>
        <source>Nie można zapisać linii do %1: %2</source>
        <translation>Cannot save the lines to %1: %2</translation>
    </message>
    <message>
        <source>Plik pomiarowy</source>
        <translation>Measurement file</translation>
    </message>
    <message>
        <source>Pliki pomiarowe (*.csv *.txt);;Wszystkie pliki (*)</source>
        <translation>Measurement files (*.csv *.txt);;All files (*)</translation>
    </message>
    <message>
        <source>Zapisz obraz</source>
        <translation>Save picture</translation>
    </message>
    <message>
        <source>Obraz PNG (*.png);;Dokument PDF (*.pdf)</source>
        <translation>PNG picture (*.png);;PDF document (*.pdf)</translation>
    </message>
    <message>
        <source>Zapisz linie</source>
        <translation>Save lines</translation>
    </message>
    <message>
        <source>Plik pomiarowy (*.csv *.txt)</source>
        <translation>Measurement file (*.csv *.txt)</translation>
    </message>
    <message>
        <source>Na początku pliku %1 nie ma linii pomiarowych</source>
        <translation>There are no measurement lines at the start of the file %1</translation>
    </message>
    <message>
        <source>%1 nie jest zwykłym plikiem: jego linii nie można odczytać ponownie</source>
        <translation>%1 is not a regular file: its lines cannot be read again</translation>
    </message>
    <message>
        <source>to kolejka FIFO, do której nikt nie pisze</source>
        <translation>it is a FIFO that no one writes to</translation>
    </message>
    <message>
        <source>to nie są linie tekstu (%1 MB bez końca linii)</source>
        <translation>it does not hold lines of text (%1 MB without a line end)</translation>
    </message>
    <message>
        <source>nie jest zwykłym plikiem i podał ponad %1 MB; strumień bez końca czyta się ze „Śledź plik”</source>
        <translation>it is not a regular file and gave more than %1 MB; an endless stream is read with “Follow the file”</translation>
    </message>
    <message>
        <source>Widok</source>
        <translation>View</translation>
    </message>
    <message>
        <source>Jedna oś</source>
        <translation>One axis</translation>
    </message>
    <message>
        <source>Osobne pasy</source>
        <translation>Lanes</translation>
    </message>
    <message>
        <source>Pasy według jednostek</source>
        <translation>Lanes by unit</translation>
    </message>
</context>
</TS>
