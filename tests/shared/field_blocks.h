// Parameter blocks as a laboratory keeps them, for the tests that open a
// module dialog and close it without edits: every setting that the kind's
// dialog shows, away from its default, on every channel. The counter output
// holds numbers that its two-decimal display rounds, negative, tiny and
// large ones, variable references and a mode switch written as 7.
#pragma once

#include <stdio.h>
#include <string.h>

#include "mod_params.h"
#include "tarn_host.h"

// Host global variables that the counter output's references name.
enum { FIELD_FREQUENCY_VAR = 3, FIELD_DUTY_CYCLE_VAR = 4 };
// Time base 1 (the single-value one) is not the default 2.
enum { FIELD_TIME_BASE = 1 };

enum FieldLayout { FIELD_ANALOG, FIELD_ANALOG_IN, FIELD_COUNTER_IN, FIELD_COUNTER_OUT, FIELD_DIGITAL, FIELD_NONE };

// The block of a module of the class ("KWE:AnalogIn", ...).
static inline void field_block(const char* className, void* params)
{
    static const struct {
        const char* className;
        FieldLayout layout;
    } kLayouts[] = {{"KWE:AnalogIn", FIELD_ANALOG_IN},   {"KWE:AnalogOut", FIELD_ANALOG},
                    {"KWE:CounterIn", FIELD_COUNTER_IN}, {"KWE:CounterOut", FIELD_COUNTER_OUT},
                    {"KWE:DigitalIn", FIELD_DIGITAL},    {"KWE:DigitalOut", FIELD_DIGITAL}};
    FieldLayout layout = FIELD_NONE;
    for (const auto& l : kLayouts)
        if (!strcmp(l.className, className)) layout = l.layout;
    ParamHeader* h = (ParamHeader*)params;
    snprintf(h->device, sizeof h->device, "\\?\\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1");
    for (u32 i = 0; i < KW_MAX_CHANNELS; ++i) {
        switch (layout) {
        case FIELD_ANALOG_IN:
        case FIELD_ANALOG: {
            AnalogChannel* c = &((AnalogInParams*)params)->channel[i];
            snprintf(c->name, sizeof c->name, "Pressure %u", i);
            snprintf(c->unit, sizeof c->unit, "mbar");
            c->range = 3 - i % 4;
            c->realTime = i % 2;
            break;
        }
        case FIELD_COUNTER_IN: {
            CounterInChannel* c = &((CounterInParams*)params)->channel[i];
            snprintf(c->name, sizeof c->name, "Shaft %u", i);
            c->mode = 4 - i % 5;
            c->realTime = 0;
            break;
        }
        case FIELD_COUNTER_OUT: {
            static const struct { u32 pwm; double frequency, dutyCycle; i16 frequencyVar, dutyCycleVar; } kValues[] = {
                {1, 123456.0, 12.5, 0, 0},  {1, 0.004, 33.3, 0, 0},      {0, 1000.0, -0.25, 0, 0},
                {0, 50.0, 99.999, 0, 0},    {0, 20.0, 1e-7, 0, 0},       {0, 20.0, 1.5e6, 0, 0},
                {1, 12.5, 40.0, FIELD_FREQUENCY_VAR, 0}, {0, 7.0, 60.0, 0, FIELD_DUTY_CYCLE_VAR},
                {7, 250.0, 10.0, 0, 0},
            };
            CounterOutChannel* c = &((CounterOutParams*)params)->channel[i];
            const auto& v = kValues[i % (sizeof kValues / sizeof kValues[0])];
            snprintf(c->name, sizeof c->name, "Valve %u", i);
            c->pwmMode = v.pwm;
            c->frequency = v.frequency;
            c->dutyCycle = v.dutyCycle;
            c->frequencyVar = v.frequencyVar;
            c->dutyCycleVar = v.dutyCycleVar;
            break;
        }
        case FIELD_DIGITAL: {
            DigitalChannel* c = &((DigitalParams*)params)->channel[i];
            snprintf(c->name, sizeof c->name, "Door %u", i);
            snprintf(c->unit, sizeof c->unit, "TTL");
            c->realTime = 0;
            break;
        }
        default: break;
        }
    }
    switch (layout) {
    case FIELD_ANALOG_IN: {
        AnalogInParams* p = (AnalogInParams*)params;
        p->timeBaseId = FIELD_TIME_BASE;
        p->softwareClock = 1;
        p->softwareClockBlockSize = 64;
        break;
    }
    case FIELD_COUNTER_IN: ((CounterInParams*)params)->timeBaseId = FIELD_TIME_BASE; break;
    case FIELD_DIGITAL: {
        DigitalParams* p = (DigitalParams*)params;
        p->timeBaseId = FIELD_TIME_BASE;
        p->port = 2;  // "PC" of the default four ports
        break;
    }
    default: break;
    }
}
