#include "mod_kinds.h"

#define KW_LABEL(text) "Brennholt Kestrelwing//ETH//\"" text "\""

const ModKind g_modKinds[MOD_KIND_COUNT] = {
    {"KWE:AnalogIn", 2092, 32, 184, 2950, 3950, "BRH_INPUT_AD", KW_LABEL("Analog-Input"),
     KW_LABEL("Analog-Eingang"), AnalogIn_Handler, AnalogIn_Compute},
    {"KWE:AnalogOut", 2084, 32, 160, 2951, 3951, "BRH_OUTPUT_DA", KW_LABEL("Analog-Output"),
     KW_LABEL("Analog-Ausgang"), AnalogOut_Handler, AnalogOut_Compute},
    {"KWE:CounterIn", 1892, 32, 176, 2952, 3952, "BRH_INPUT_CI", KW_LABEL("Counter-Input"),
     KW_LABEL("Zaehler-Eingang"), CounterIn_Handler, CounterIn_Compute},
    // The counter output's long name is string 2956.
    {"KWE:CounterOut", 2408, 32, 184, 2955, 2956, "BRH_OUTPUT_CO", KW_LABEL("Counter-Output"),
     KW_LABEL("Zaehler-Ausgang"), CounterOut_Handler, CounterOut_Compute},
    {"KWE:DigitalIn", 1848, 40, 176, 2953, 3953, "BRH_INPUT_DI", KW_LABEL("Digital-Input"),
     KW_LABEL("Digital-Eingang"), DigitalIn_Handler, DigitalIn_Compute},
    {"KWE:DigitalOut", 1848, 40, 152, 2954, 3954, "BRH_OUTPUT_DO", KW_LABEL("Digital-Output"),
     KW_LABEL("Digital-Ausgang"), DigitalOut_Handler, DigitalOut_Compute},
};

char g_modShortName[MOD_KIND_COUNT][14];
char g_modLongName[MOD_KIND_COUNT][42];
