// CSV writer of sample streams.
#include "sim_csv.h"

#include <math.h>

#include <algorithm>
#include <charconv>

enum { CSV_BUFFER = 1 << 18, CSV_LINE_MAX = 128 };

static void Flush(SimCsv* csv)
{
    if (csv->used && fwrite(csv->buffer.data(), 1, csv->used, csv->file) != csv->used) csv->failed = true;
    csv->used = 0;
}

int SH_CsvOpen(SimCsv* csv, const char* path)
{
    *csv = SimCsv{};
    csv->file = fopen(path, "wb");
    if (!csv->file) return 0;
    static const char kHeader[] = "block_start,sample_index,time,value\n";
    csv->buffer.resize(CSV_BUFFER);
    csv->used = sizeof kHeader - 1;
    std::copy(kHeader, kHeader + csv->used, csv->buffer.data());
    return 1;
}

// Each field at most 24 characters and its separator: a line fits CSV_LINE_MAX.
static char* Put(char* p, double value)
{
    return std::to_chars(p, p + 24, value, std::chars_format::general, 9).ptr;
}

void SH_CsvBlock(SimCsv* csv, double startTime, double sampleDistance, const float* values, u32 count)
{
    if (!csv->file) return;
    long long first = sampleDistance > 0 ? llround(startTime / sampleDistance) : 0;
    char start[32];
    size_t startLength = (size_t)(Put(start, startTime) - start);
    for (u32 k = 0; k < count; ++k) {
        if (csv->used + CSV_LINE_MAX > csv->buffer.size()) Flush(csv);
        char* p = csv->buffer.data() + csv->used;
        p = std::copy(start, start + startLength, p);
        *p++ = ',';
        p = std::to_chars(p, p + 24, first + (long long)k).ptr;
        *p++ = ',';
        p = Put(p, startTime + k * sampleDistance);
        *p++ = ',';
        p = std::to_chars(p, p + 24, values[k]).ptr;
        *p++ = '\n';
        csv->used = (size_t)(p - csv->buffer.data());
    }
    csv->lines += count;
}

int SH_CsvClose(SimCsv* csv)
{
    if (!csv->file) return 0;
    Flush(csv);
    if (fclose(csv->file) != 0) csv->failed = true;
    csv->file = nullptr;
    return csv->failed ? 0 : 1;
}
