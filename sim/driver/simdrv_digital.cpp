// Simulated digital ports: 'ports' ports of 'linesperport' lines, numbered
// across the ports: line i of port p is line n = linesperport × p + i. Each
// line follows its pattern; with loopback a written port word drives the
// port's lines from the write on (bit i of the word: line i of the port).
// Port words read by TTL_ReadPort carry line n at bit n, as the device numbers
// its lines; words written with TTL_WritePort carry line i of the port at
// bit i. TTL_GetPortInfos reports ports, lines per port, the lines in all and
// the lines that can be outputs (all of them).
#include <math.h>

#include "simdrv_state.h"

static u32 SimPatternLevel(const SimLinePattern& p, double t)
{
    switch (p.kind) {
    case SIM_LINE_SQUARE: {
        double cycles = t / p.period + p.phase;
        return cycles - floor(cycles) < p.duty ? 1 : 0;
    }
    case SIM_LINE_LEVEL: return p.bit;
    case SIM_LINE_COUNTERBIT: return (u32)((u64)(i64)floor(t / p.period) >> p.bit) & 1;
    }
    return 0;
}

// Out of line, so a level compares equal wherever it is computed. 'hint'
// carries the history position from one call to the next (SimStepAt).
__attribute__((noinline)) static u32 SimLineLevel(const SimDevice* d, u32 line, double t, i32* hint)
{
    const std::vector<SimStep>& written = SimLoopOf(d).port[line / d->linesPerPort];
    i32 i = written.empty() ? -1 : SimStepAt(written, t, hint);
    if (i >= 0) return ((u32)written[i].value >> (line % d->linesPerPort)) & 1;
    return SimPatternLevel(d->line[line], t);
}

void SimLineFill(const SimDevice* d, u32 line, u64 k, u32 n, u32* out)
{
    SimFillTicks(d, DRV_MC_DIGITAL, k, n, out, [&](double t, i32* hint) { return SimLineLevel(d, line, t, hint); });
}

u32 SimLineAt(const SimDevice* d, u32 line, double t)
{
    i32 hint = SIM_NO_HINT;
    return SimLineLevel(d, line, t, &hint);
}

// ---------------------------------------------------------------- entry points

extern "C" i32 KW_STDCALL Sim_TTL_AddChannelToList(i32 h, u32 line, u32 a, u32 b)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "TTL_AddChannelToList", h, "%d,%u,%u,%u", h, line, a, b);
    if (!d) return st;
    if (line >= d->ports * d->linesPerPort) return SIMDRV_ERR_ARGUMENT;
    return SimListAdd(d, DRV_MC_DIGITAL, line);
}

// Directions are checked, not kept: a loopback wires outputs to the same
// lines as inputs, whichever module set its direction last.
extern "C" i32 KW_STDCALL Sim_TTL_SetChannelDirection(i32 h, u32 line, u32 output)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "TTL_SetChannelDirection", h, "%d,%u,%u", h, line, output);
    if (!d) return st;
    if (line >= d->ports * d->linesPerPort || output > 1) return SIMDRV_ERR_ARGUMENT;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_TTL_GetPortInfos(i32 h, u32* ports, u32* linesPerPort, u32* lines, u32* outputs)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "TTL_GetPortInfos", h, "%d,%s,%s,%s,%s", h, SimPtr(ports),
                                  SimPtr(linesPerPort), SimPtr(lines), SimPtr(outputs));
    if (!d) return st;
    if (!ports || !linesPerPort || !lines || !outputs) return SIMDRV_ERR_ARGUMENT;
    *ports = d->ports;
    *linesPerPort = d->linesPerPort;
    *lines = *outputs = d->ports * d->linesPerPort;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_TTL_ReadPort(i32 h, u32 port, u32* word)
{
    i32 st;
    if (SimEnter(&st, "TTL_ReadPort", h, "%d,%u,%s", h, port, SimPtr(word))) return st;
    SimDevice* d = SimReadDevice(h, SIMDRV_READ_PORT, &st);
    if (!d) return st;
    if (!word || port >= d->ports) return SIMDRV_ERR_ARGUMENT;
    double now = SimNow();
    *word = 0;
    for (u32 line = d->linesPerPort * port; line < d->linesPerPort * (port + 1); ++line)
        *word |= SimLineAt(d, line, now) << line;
    return DRV_OK;
}

// The work of TTL_WritePort once it is logged and no call fault stopped it.
static i32 SimWritePort(i32 h, u32 port, u32 word)
{
    i32 st;
    SimDevice* d = SimWriteDevice(h, SIMDRV_WRITE_TTL, &st);
    if (!d) return st;
    if (port >= d->ports) return SIMDRV_ERR_ARGUMENT;
    if (d->loopback) SimLoopWrite(SimLoopOf(d).port[port], word & ((1u << d->linesPerPort) - 1));
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_TTL_WritePort(i32 h, u32 port, u32 word)
{
    i32 st;
    if (!SimEnter(&st, "TTL_WritePort", h, "%d,%u,%u", h, port, word)) st = SimWritePort(h, port, word);
    return SimRecordWrite(SIMDRV_WRITE_TTL, "TTL_WritePort", h, (i32)port, word, 0, st);
}
