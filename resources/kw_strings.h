// String table texts, shared by the resource script and the native build.
#pragma once

#define IDS_ANALOGIN_SHORT 2950
#define IDS_ANALOGOUT_SHORT 2951
#define IDS_COUNTERIN_SHORT 2952
#define IDS_DIGITALIN_SHORT 2953
#define IDS_DIGITALOUT_SHORT 2954
#define IDS_COUNTEROUT_SHORT 2955
#define IDS_COUNTEROUT_LONG 2956
#define IDS_ANALOGIN_LONG 3950
#define IDS_ANALOGOUT_LONG 3951
#define IDS_COUNTERIN_LONG 3952
#define IDS_DIGITALIN_LONG 3953
#define IDS_DIGITALOUT_LONG 3954
#define IDS_SAMPLED_TOO_QUICKLY 12000
#define IDS_SET_FREQUENCY 12001
#define IDS_FREQUENCY 12002
#define IDS_SET_DUTY_CYCLE 12003
#define IDS_DUTY_CYCLE 12004

#define KW_STRING_TABLE(X)                                                                  \
    X(IDS_ANALOGIN_SHORT, "AnalogIn")                                                       \
    X(IDS_ANALOGOUT_SHORT, "AnalogOut")                                                     \
    X(IDS_COUNTERIN_SHORT, "CounterIn")                                                     \
    X(IDS_DIGITALIN_SHORT, "DigitalIn")                                                     \
    X(IDS_DIGITALOUT_SHORT, "DigitalOut")                                                   \
    X(IDS_COUNTEROUT_SHORT, "CounterOut")                                                   \
    X(IDS_COUNTEROUT_LONG, "CounterOut")                                                    \
    X(IDS_ANALOGIN_LONG, "AnalogIn")                                                        \
    X(IDS_ANALOGOUT_LONG, "AnalogOut")                                                      \
    X(IDS_COUNTERIN_LONG, "CounterIn")                                                      \
    X(IDS_DIGITALIN_LONG, "DigitalIn")                                                      \
    X(IDS_DIGITALOUT_LONG, "DigitalOut")                                                    \
    X(IDS_SAMPLED_TOO_QUICKLY, "At least one of the Channels of this Generator is sampled too quickly") \
    X(IDS_SET_FREQUENCY, "Set Frequency")                                                   \
    X(IDS_FREQUENCY, "Frequency")                                                           \
    X(IDS_SET_DUTY_CYCLE, "Set Duty Cycle")                                                 \
    X(IDS_DUTY_CYCLE, "Duty Cycle")
