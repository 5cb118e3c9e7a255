// CSV files of sample streams, one line per sample:
//   block_start,sample_index,time,value
// block_start and time with 9 significant digits, the sample index counted
// from the start of the run (start time over sample distance), the value as
// the shortest text that reads back as the same float. Fast enough for many
// channels at tens of kilohertz: lines are built with std::to_chars into a
// buffer of the writer's own that goes to the file in large pieces.
#pragma once

#include <stdio.h>

#include <vector>

#include "kw_types.h"

struct SimCsv {
    FILE* file;
    std::vector<char> buffer;
    size_t used;
    u64 lines;    // sample lines written
    bool failed;  // a write failed
};

// Creates the file with its header line; 0 when it cannot be created.
int SH_CsvOpen(SimCsv* csv, const char* path);
void SH_CsvBlock(SimCsv* csv, double startTime, double sampleDistance, const float* values, u32 count);
// Writes what is buffered and closes; 0 when any write failed.
int SH_CsvClose(SimCsv* csv);
