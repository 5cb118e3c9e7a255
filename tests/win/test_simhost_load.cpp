// simhost.exe under load: kestrelwing.dll reads 16 channels at 10 kHz from
// the simulated driver in blocks of 1000 for a few seconds of real time. The
// run ends on time, every channel's CSV holds every sample in order, and the
// runner says how late its cycles came.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "run_process.h"
#include "test_plugin_paths.h"
#include "wintest.h"

static const double kSeconds = 3.0;
static const double kRate = 10000.0;
static const int kChannels = 16;

static double now_seconds(void)
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart / (double)f.QuadPart;
}

// Sample lines of one CSV whose indices run 0, 1, 2, ... without a break.
static unsigned long long csv_samples_in_order(const char* path)
{
    FILE* f = fopen(path, "r");
    if (!f) return 0;
    char line[256];
    unsigned long long n = 0;
    bool header = fgets(line, sizeof line, f) && !strcmp(line, "block_start,sample_index,time,value\n");
    while (header && fgets(line, sizeof line, f)) {
        const char* comma = strchr(line, ',');
        if (!comma || strtoull(comma + 1, nullptr, 10) != n) break;
        ++n;
    }
    fclose(f);
    return n;
}

int main(void)
{
    char bin[MAX_PATH], temp[MAX_PATH], outDir[MAX_PATH], summary[MAX_PATH];
    kwtest_bin_dir(bin, sizeof bin);
    GetTempPathA(sizeof temp, temp);
    snprintf(outDir, sizeof outDir, "%skw_simhost_load_%lu", temp, GetCurrentProcessId());
    snprintf(summary, sizeof summary, "%s.txt", outDir);
    char command[3 * MAX_PATH];
    snprintf(command, sizeof command,
             "\"%s\\simhost.exe\" run \"%s\\kestrelwing.dll\" \"%s\\worksheets\\load_16x10k.ws\" --seconds %g "
             "--out \"%s\" --realtime",
             bin, bin, bin, kSeconds, outDir);

    double begin = now_seconds();
    int code = run_process(command, summary, kSeconds + 60);
    double wall = now_seconds() - begin;
    ok(code == 0, "simhost.exe ended with %d", code);
    // Loading the plug-in and closing the files take a moment beyond the run.
    ok(wall < kSeconds + 3, "simhost.exe took %.2f s for a run of %g s", wall, kSeconds);

    FILE* f = fopen(summary, "r");
    if (!ok(f != nullptr, "no summary")) return wintest_finish("test_simhost_load");
    char line[512];
    double length = -1, lateMs = -1, writing = -1;
    unsigned long long cycles = 0, late = 0, skipped = 0, lines = 0;
    int channels = 0;
    while (fgets(line, sizeof line, f)) {
        fputs(line, stdout);
        unsigned long long samples = 0, blocks = 0, gaps = 0;
        char path[MAX_PATH] = "";
        const char* at = strstr(line, "samples ");
        sscanf(line, "run: done, %lf s", &length);
        sscanf(line, "cycles: %llu, late %llu (at most %lf ms late), moments skipped %llu", &cycles, &late, &lateMs,
               &skipped);
        sscanf(line, "csv: %llu lines in %lf s", &lines, &writing);
        if (!at || sscanf(at, "samples %llu, blocks %llu, gaps %llu -> %259[^\n]", &samples, &blocks, &gaps, path) != 4)
            continue;
        ++channels;
        ok(gaps == 0, "%s: %llu gaps", path, gaps);
        ok(samples >= (kSeconds - 0.2) * kRate, "%s: %llu samples in %g s", path, samples, kSeconds);
        unsigned long long inOrder = csv_samples_in_order(path);
        ok(inOrder == samples, "%s: %llu of %llu samples in order", path, inOrder, samples);
        DeleteFileA(path);
    }
    fclose(f);
    ok(channels == kChannels, "%d channels", channels);
    ok(length >= kSeconds && length < kSeconds + 0.2, "the run took %.3f s on its clock", length);
    ok(cycles > 0 && lateMs >= 0 && writing >= 0, "no cycle or writer figures");
    printf("load: %d x %g Hz for %g s: %llu cycles, %llu late (at most %.1f ms), %llu moments skipped; "
           "%llu CSV lines in %.3f s of writing; process %.2f s\n",
           kChannels, kRate, kSeconds, cycles, late, lateMs, skipped, lines, writing, wall);
    DeleteFileA(summary);
    RemoveDirectoryA(outDir);
    return wintest_finish("test_simhost_load");
}
