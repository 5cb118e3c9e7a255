// The shared input passes driven through a record of another shape: the
// digital input's (block-open flag, the core further in, delivered count
// before the settings copy), with 32-bit reads and 5.0 / 0.0 conversion.
#include <gmock/gmock.h>

#include "test_fakes.h"

using ::testing::ElementsAre;

namespace {

struct LineRecord {
    u32 active, line, blockOpen;
    InputCore core;
    i64 delivered;
    DigitalChannel settings;
    u8 reserved[28];
};
static_assert(offsetof(LineRecord, core) + offsetof(InputCore, released) == 32, "released");
static_assert(offsetof(LineRecord, delivered) == 48 && offsetof(LineRecord, settings) == 56, "layout");
static_assert(sizeof(LineRecord) == 176, "size");

std::deque<u32> s_words;  // values waiting at every list position
u32 s_port = 0;
int s_portReads = 0;
i32 s_portStatus = 0;

i32 ReadWords(i32, u32, u32, void* buffer, u32* count)
{
    u32 n = *count < s_words.size() ? *count : (u32)s_words.size();
    for (u32 i = 0; i < n; ++i) ((u32*)buffer)[i] = s_words.front(), s_words.pop_front();
    *count = n;
    return 0;
}
void ToLevels(float* dst, const void* src, u32 n)
{
    for (u32 i = 0; i < n; ++i) dst[i] = ((const u32*)src)[i] ? 5.0f : 0.0f;
}
i32 ReadPort(Module*) { return ++s_portReads, s_portStatus; }
i32 Bit(Module*, u32 c, const void*, float* v) { return *v = (s_port >> c) & 1 ? 5.0f : 0.0f, 0; }

// Neither waiting for the clock nor counting completed single-value blocks as delivered.
const InputKind kLines = {&g_frameDigitalIn, "DLL:digitalin", DRV_MC_DIGITAL, offsetof(LineRecord, core),
                          offsetof(LineRecord, delivered),
                          offsetof(LineRecord, settings) + offsetof(DigitalChannel, realTime),
                          offsetof(LineRecord, blockOpen), 0, 0, ReadPort, Bit, ReadWords, ToLevels};

struct LineModule : TestModule {
    LineModule(u32 outputs, u32 timeBase, u32 blockSize) : TestModule(&g_frameDigitalIn)
    {
        m->active = 1;
        m->outputCount = outputs;
        MOD_Params<DigitalParams>(m)->timeBaseId = timeBase;
        *MOD_Runtime(m) = {.blockSize = blockSize, .sampleDistance = 0.001};
        for (u32 c = 0; c < outputs; ++c) {
            m->outputFifo[c]->blockSize = blockSize;
            rec(c) = {1, 40 + c, 0, {c, blockSize, 0.001f}, 0, {}, {}};
            rec(c).settings.realTime = 1;
        }
        s_words.clear();
        s_portReads = s_portStatus = 0;
    }
    LineRecord& rec(u32 c) { return *(LineRecord*)m->channel[c]; }
};

}  // namespace

TEST(InputPass, BlockPassWorksThroughTheKindsFieldPlaces)
{
    Rig rig;
    g_drv.MeasurementChannel_GetNumberOfValues = [](i32, u32 kind, u32, i32* n) {
        return *n = kind == DRV_MC_DIGITAL ? (i32)s_words.size() : -1, 0;
    };
    LineModule d(1, 2, 256);
    for (u32 k = 0; k < 300; ++k) s_words.push_back(k % 3 ? 7 : 0);
    d.rec(0).settings.realTime = 0;
    rig.time = 1.0005;  // 1000 ticks
    EXPECT_EQ(MOD_InputCompute(d.m, &kLines), 1);
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    const Released& out = rig.streams[0].released[0];
    EXPECT_EQ(out.tag, "digitalin");
    EXPECT_THAT(std::vector<float>(out.values.begin(), out.values.begin() + 4), ElementsAre(0, 5, 5, 0));
    EXPECT_TRUE(s_words.empty());
    const LineRecord& r = d.rec(0);
    EXPECT_EQ(r.core.fill, 44u);
    EXPECT_EQ(r.core.released, 256.0);
    EXPECT_EQ(r.delivered, 256);
    EXPECT_EQ(std::vector<u32>({r.active, r.line, r.blockOpen}), std::vector<u32>({1, 40, 0}));  // the kind's own
}

TEST(InputPass, SingleValuePassKeepsItsOwnBlockOpenFlagAndPassRead)
{
    Rig rig;
    LineModule d(3, 1, 4);
    rig.timeBase = 1;
    s_portStatus = -1000;
    EXPECT_EQ(MOD_InputCompute(d.m, &kLines), 0);
    EXPECT_THAT(rig.take(), ElementsAre("StopExperiment", "ShowInternalError(DLL:digitalin|Invalid device or lost "
                                                          "connection, experiment stopped! (-1000))"));
    EXPECT_EQ(rig.blockCalls, 0);

    s_portStatus = 0;
    s_port = 0b101;
    rig.time = 0;  // this kind polls without waiting for the clock
    EXPECT_EQ(MOD_InputCompute(d.m, &kLines), 1);
    EXPECT_EQ(s_portReads, 2);
    EXPECT_EQ(d.rec(1).blockOpen, 1u);
    EXPECT_EQ(d.rec(1).core.blockEnd, 0.004);
    s_port = 0b010;
    rig.time = 0.0045;
    MOD_InputCompute(d.m, &kLines);
    for (u32 c = 0; c < 3; ++c) {
        ASSERT_EQ(rig.streams[c].released.size(), 1u);
        float first = c == 1 ? 0 : 5, second = c == 1 ? 5 : 0;
        EXPECT_THAT(rig.streams[c].released[0].values, ElementsAre(first, second, second, second));
        EXPECT_EQ(d.rec(c).blockOpen, 0u);
        EXPECT_EQ(d.rec(c).core.released, 2.0);
        EXPECT_EQ(d.rec(c).delivered, 0);
    }
}
