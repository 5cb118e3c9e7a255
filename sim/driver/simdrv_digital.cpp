// Simulated digital ports: 4 ports of 4 lines, numbered across the ports:
// line i of port p is line n = 4 p + i. Line n is a square wave of period
// 0.01 (n + 1) s, its phase a tenth of a cycle later on each next device.
// With loopback a written port word drives the port's lines from the write
// on (bit i of the word: line i of the port). Port words read by TTL_ReadPort
// carry line n at bit n, as the device numbers its lines. TTL_GetPortInfos
// reports ports, lines per port, the lines in all and the lines that can be
// outputs (all of them).
#include <math.h>

#include "simdrv_state.h"

// Out of line, so a level compares equal wherever it is computed. 'hint'
// carries the history position from one call to the next (SimStepAt).
__attribute__((noinline)) static u32 SimLineLevel(const SimDevice* d, u32 line, double t, i32* hint)
{
    const std::vector<SimStep>& written = SimLoopOf(d).port[line / SIM_LINES_PER_PORT];
    i32 i = written.empty() ? -1 : SimStepAt(written, t, hint);
    if (i >= 0) return ((u32)written[i].value >> (line % SIM_LINES_PER_PORT)) & 1;
    double cycles = t / (0.01 * (line + 1)) + 0.1 * (double)(d - g_sim.dev);
    return cycles - floor(cycles) < 0.5 ? 1 : 0;
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
    if (line >= SIM_LINES) return SIMDRV_ERR_ARGUMENT;
    return SimListAdd(d, DRV_MC_DIGITAL, line);
}

// Directions are checked, not kept: a loopback wires outputs to the same
// lines as inputs, whichever module set its direction last.
extern "C" i32 KW_STDCALL Sim_TTL_SetChannelDirection(i32 h, u32 line, u32 output)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "TTL_SetChannelDirection", h, "%d,%u,%u", h, line, output);
    if (!d) return st;
    if (line >= SIM_LINES || output > 1) return SIMDRV_ERR_ARGUMENT;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_TTL_GetPortInfos(i32 h, u32* ports, u32* linesPerPort, u32* lines, u32* outputs)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "TTL_GetPortInfos", h, "%d,%s,%s,%s,%s", h, SimPtr(ports),
                                  SimPtr(linesPerPort), SimPtr(lines), SimPtr(outputs));
    if (!d) return st;
    if (!ports || !linesPerPort || !lines || !outputs) return SIMDRV_ERR_ARGUMENT;
    *ports = SIM_PORTS;
    *linesPerPort = SIM_LINES_PER_PORT;
    *lines = *outputs = SIM_LINES;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_TTL_ReadPort(i32 h, u32 port, u32* word)
{
    i32 st;
    if (SimEnter(&st, "TTL_ReadPort", h, "%d,%u,%s", h, port, SimPtr(word))) return st;
    SimDevice* d = SimReadDevice(h, SIMDRV_READ_PORT, &st);
    if (!d) return st;
    if (!word || port >= SIM_PORTS) return SIMDRV_ERR_ARGUMENT;
    double now = SimNow();
    *word = 0;
    for (u32 line = SIM_LINES_PER_PORT * port; line < SIM_LINES_PER_PORT * (port + 1); ++line)
        *word |= SimLineAt(d, line, now) << line;
    return DRV_OK;
}

// The work of TTL_WritePort once it is logged and no call fault stopped it.
static i32 SimWritePort(i32 h, u32 port, u32 word)
{
    i32 st;
    SimDevice* d = SimWriteDevice(h, SIMDRV_WRITE_TTL, &st);
    if (!d) return st;
    if (port >= SIM_PORTS) return SIMDRV_ERR_ARGUMENT;
    if (d->loopback) SimLoopWrite(SimLoopOf(d).port[port], word & ((1u << SIM_LINES_PER_PORT) - 1));
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_TTL_WritePort(i32 h, u32 port, u32 word)
{
    i32 st;
    if (!SimEnter(&st, "TTL_WritePort", h, "%d,%u,%u", h, port, word)) st = SimWritePort(h, port, word);
    return SimRecordWrite(SIMDRV_WRITE_TTL, "TTL_WritePort", h, (i32)port, word, 0, st);
}
