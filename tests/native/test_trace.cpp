// The trace file on its own: which file the settings name, how lines look,
// files that cannot be written, and the driver table given back when the
// trace ends. Files live in memory here, the clock is the test's. (The size
// limit with the change to a new file is the day's soak's.)
#include <gtest/gtest.h>
#include <locale.h>
#include <string.h>

#include <map>
#include <string>
#include <type_traits>

#include "drv_table.h"
#include "drv_trace.h"
#include "plugin_state.h"
#include "simdrv_native.h"
#include "trace_control.h"

namespace {

struct MemoryFiles {
    std::map<std::string, std::string> files;
    bool refuseCreate = false;
    int writesLeft = -1;  // >= 0: the writes after these many fail
    u64 clock = 0;
} g_mem;

const TraceSystem kMemory = {
    [](const char* path) -> void* { return g_mem.refuseCreate ? nullptr : &(g_mem.files[path] = ""); },
    [](void* file, const void* data, u32 size) {
        if (g_mem.writesLeft == 0) return false;
        if (g_mem.writesLeft > 0) --g_mem.writesLeft;
        ((std::string*)file)->append((const char*)data, size);
        return true;
    },
    [](void*) {},
    [](const char* from, const char* to) {
        auto f = g_mem.files.find(from);
        if (f == g_mem.files.end()) return false;
        g_mem.files[to] = f->second;
        g_mem.files.erase(from);
        return true;
    },
    [] { return g_mem.clock; },
    [](char* text, u32 size) { kw_strlcpy(text, "2026-12-01 08:00:00", size); },
};

class TraceFile : public ::testing::Test {
protected:
    void SetUp() override { g_mem = MemoryFiles{}; }
    void TearDown() override { TRC_Close(); }
    static std::string Text(const char* path = "t.txt") { return g_mem.files[path]; }
};

TEST(TraceSettings, NameTheFileOrSwitchItOff)
{
    const std::string tooLong(TRC_PATH_SIZE, 'x');
    const struct {
        const char *environment, *registry, *file;  // file null: off
    } cases[] = {
        {nullptr, "1", "C:\\Temp\\kestrelwing-trace.txt"},
        {"0", "D:\\logs\\kw.txt", nullptr},
        {"", "D:\\logs\\kw.txt", "D:\\logs\\kw.txt"},  // an empty variable is not set
        {tooLong.c_str(), nullptr, nullptr},
    };
    for (const auto& c : cases) {
        char path[TRC_PATH_SIZE] = "unchanged";
        bool on = TRC_PathFromSettings(c.environment, c.registry, "C:\\Temp\\", path, sizeof path);
        EXPECT_STREQ(on ? path : nullptr, c.file) << (c.environment ? c.environment : "-") << " " << c.registry;
    }
    const struct {
        const char *path, *previous;
    } previous[] = {{"C:\\a\\trace.txt", "C:\\a\\trace.1.txt"}, {"C:\\dir.d\\trace", "C:\\dir.d\\trace.1"}};
    for (const auto& p : previous) {
        char out[TRC_PATH_SIZE];
        ASSERT_TRUE(TRC_PreviousPath(p.path, out, sizeof out));
        EXPECT_STREQ(out, p.previous);
    }
}

// Each line: the microseconds since opening, then its text; texts quoted,
// read within their field, cut, with control characters spelt out; a line
// too long for its buffer cut at its end. Nothing reaches the file before a
// flush.
TEST_F(TraceFile, LinesCarryTheirTimeAndBoundedTexts)
{
    g_mem.clock = 5000;
    ASSERT_TRUE(TRC_Open(&kMemory, "t.txt", TRC_FILE_LIMIT));
    g_mem.clock = 5234;
    TRC_Printf("AnalogIn1: %s", "prepare");
    TraceLine line;
    TRC_Begin(&line, 7);
    TRC_AppendText(&line, std::string(200, 'a').c_str(), 1000);
    const struct { const char* text; u32 field; } texts[] = {{"tab\there\n", 100}, {"unterminated", 5}, {nullptr, 5}};
    for (const auto& t : texts) {
        TRC_Append(&line, " ");
        TRC_AppendText(&line, t.text, t.field);
    }
    TRC_End(&line);
    TRC_Begin(&line, 8);
    for (int i = 0; i < 30; ++i) TRC_AppendText(&line, std::string(90, 'b').c_str(), 100);
    TRC_End(&line);
    EXPECT_EQ(Text(), "");

    TRC_Flush();
    std::string text = Text();
    EXPECT_EQ(text.rfind("         0 Brennholt Kestrelwing", 0), 0u) << text;
    EXPECT_NE(text.find("\n       234 AnalogIn1: prepare\n"), std::string::npos);
    std::string expected = "\n         7 \"" + std::string(96, 'a') + "\"... \"tab\\x09here\\x0A\" \"unter\" NULL\n";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
    size_t cut = text.find("         8 ");
    ASSERT_NE(cut, std::string::npos);
    EXPECT_EQ(text.size() - cut, (size_t)TRC_LINE_SIZE);
    EXPECT_EQ(text.back(), '\n');
}

// A file that cannot be created leaves the trace off. However the trace ends
// mid-session (a failed write, a new file that cannot be created when the old
// one is full, shut-down), the driver table gets the loader's addresses back:
// a call then builds no line and costs what it costs with the trace never on.
TEST_F(TraceFile, AnEndedTraceGivesTheDriverTableBack)
{
    g_mem.refuseCreate = true;
    EXPECT_FALSE(TRC_Open(&kMemory, "t.txt", TRC_FILE_LIMIT) || TRC_On());
    TRC_Printf("nowhere");
    EXPECT_FALSE(TRC_Open(TRC_System(), "/no/such/folder/trace.txt", TRC_FILE_LIMIT) || TRC_On());
    DrvTable loaded = {};
    loaded.MeasurementChannel_GetNumberOfValues = [](i32, u32, u32, i32* n) { return *n = 17, 0; };
    loaded.AD_ClearChannelList = [](i32) { return 0; };
    const struct {
        const char* how;
        void (*end)(void);
    } ends[] = {
        {"write", [] { g_mem.writesLeft = 0, TRC_Flush(); }},
        {"new file", [] {
             g_mem.refuseCreate = true;
             for (int i = 0; i < 100 && TRC_On(); ++i) TRC_Printf("line %d of a full file", i);
         }},
        {"shut-down", TRC_Close},
    };
    for (const auto& e : ends) {
        g_mem = MemoryFiles{};
        g_drv = loaded;
        ASSERT_TRUE(TRC_Open(&kMemory, "t.txt", 600));
        DRV_TraceCalls();
        i32 n = 0;
        g_drv.MeasurementChannel_GetNumberOfValues(1, 0, 2, &n);
        EXPECT_NE(g_drv.MeasurementChannel_GetNumberOfValues, loaded.MeasurementChannel_GetNumberOfValues);
        e.end();
        EXPECT_FALSE(TRC_On()) << e.how;
        EXPECT_EQ(memcmp(&g_drv, &loaded, sizeof g_drv), 0) << e.how;
        EXPECT_EQ(g_drv.MeasurementChannel_GetNumberOfValues(1, 0, 2, &n), 0);
    }
    // Opened again, the trace puts its thunks in again; a number keeps its
    // point in a process whose C locale is German.
    g_drv.AD_SetFrequency = [](i32, double) { return 0; };
    ASSERT_TRUE(TRC_Open(&kMemory, "t.txt", TRC_FILE_LIMIT));
    DRV_TraceCalls();
    i32 n = 0;
    g_drv.MeasurementChannel_GetNumberOfValues(1, 0, 2, &n);
    bool german = setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    g_drv.AD_SetFrequency(1, 1000.5);
    setlocale(LC_ALL, "C");
    TRC_Close();
    EXPECT_TRUE(german);
    EXPECT_NE(Text().find("MeasurementChannel_GetNumberOfValues(1,0,2,0->17) = 0"), std::string::npos) << Text();
    EXPECT_NE(Text().find("AD_SetFrequency(1,1000.5) = 0"), std::string::npos) << Text();
    g_drv = DrvTable{};
}

// A traced start: every entry point the plug-in calls holds a thunk, the
// others keep what the loader resolved, and the host's reports reach the file.
TEST_F(TraceFile, EveryCalledEntryPointAndTheHostsReportsAreTraced)
{
    DrvTable loaded;
    SimDrv_InstallNative(&loaded);
    g_drv = loaded;
    g_host.ShowWarning = [](const char*, const char*) {};
    ASSERT_TRUE(TRC_Open(&kMemory, "t.txt", TRC_FILE_LIMIT));
    DRV_TraceCalls();
    TRC_WrapHostReports();
#define KW_THUNKED(field, name, type) \
    EXPECT_EQ(g_drv.field != loaded.field, !(std::is_same_v<type, PFN_DrvUnused>)) << name;
#define KW_GROUP(group, list, count) list(KW_THUNKED)
    KW_DRV_GROUPS(KW_GROUP)
#undef KW_GROUP
#undef KW_THUNKED
    g_host.ShowWarning("AnalogIn1", "Device lost");
    TRC_Close();
    EXPECT_NE(Text().find("Device lost"), std::string::npos) << Text();
    g_drv = DrvTable{};
    g_host = HostServices{};
}

}  // namespace
