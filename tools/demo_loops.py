#!/usr/bin/env python3
"""Loops of the loopback demo: what each output wrote to the simulated device
(device_writes.csv) against what its input read back, sample by sample.

Usage: demo_loops.py OUTDIR. Prints one line per loop and writes
loop_<name>_written.dat (time and value of each write, as the input should
read it) for the plot. Exit status 1 when a loop read back nothing."""
import csv
import os
import struct
import sys

# name, input CSV, driver call, channel, a write's value as the input reads it,
# settling time after a write (s), unit
LOOPS = [
    ("analog", "SineIn_AnalogIn_0.csv", "DA_WriteChannelVoltage", 0, lambda v: v, 0.0, "V"),
    ("digital", "SquareIn_DigitalIn_0.csv", "TTL_WritePort", 0, lambda w: 5.0 if int(w) & 1 else 0.0, 0.0, "V"),
    # 100 Hz: a duty cycle of d percent is a pulse of 100 d microseconds,
    # measured once a whole pulse of the new duty cycle has passed.
    ("pulse", "WidthIn_CounterIn_0.csv", "PWM_WriteNewPWMRatio", 0, lambda d: 100.0 * d, 0.025, "us"),
]
CLOCK_SLACK = 0.0011  # samples this close to a write may fall on either side of it


def single(x):
    """The value as a single-precision float, as blocks carry it."""
    return struct.unpack("f", struct.pack("f", x))[0]


def read_rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def main(out):
    writes = read_rows(os.path.join(out, "device_writes.csv"))
    failed = False
    for name, input_csv, call, channel, reads_as, settle, unit in LOOPS:
        written = sorted((float(w["time"]), float(w["value"])) for w in writes
                         if w["call"] == call and int(w["channel"]) == channel and int(w["status"]) == 0)
        samples = [(float(r["time"]), float(r["value"])) for r in read_rows(os.path.join(out, input_csv))]
        with open(os.path.join(out, "loop_%s_written.dat" % name), "w") as f:
            for t, v in written:
                f.write("%.9g,%.9g\n" % (t, reads_as(v)))
        largest, compared, i = 0.0, 0, -1
        for t, v in samples:
            while i + 1 < len(written) and written[i + 1][0] <= t:
                i += 1
            if i < 0 or t < written[i][0] + settle:
                continue
            near = abs(t - written[i][0]) < CLOCK_SLACK or (
                i + 1 < len(written) and abs(written[i + 1][0] - t) < CLOCK_SLACK)
            if near:
                continue
            largest = max(largest, abs(single(v) - single(reads_as(written[i][1]))))
            compared += 1
        print("loop %-8s %4d writes, %5d samples read back, largest difference %g %s"
              % (name + ":", len(written), compared, largest, unit))
        failed |= compared == 0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
