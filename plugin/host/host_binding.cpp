#include "host_binding.h"

#include "plugin_state.h"

#include <string.h>

namespace {

// One host name: where its answer goes and whether 0 is an acceptable answer.
struct HostName {
    const char* name;
    size_t offset;  // slot in HostServices
    u32 message;
    bool checked;
};

const HostName kHostNames[] = {
#define KW_VARIABLE_NAME(field, name, checked) \
    {name, offsetof(HostServices, field), TARN_MSG_GET_VARIABLE, checked != 0},
    TARN_HOST_VARIABLES(KW_VARIABLE_NAME)
#undef KW_VARIABLE_NAME
#define KW_FUNCTION_NAME(name, type) {#name, offsetof(HostServices, name), TARN_MSG_GET_FUNCTION, true},
    TARN_HOST_FUNCTIONS(KW_FUNCTION_NAME)
#undef KW_FUNCTION_NAME
};
static_assert(sizeof kHostNames / sizeof kHostNames[0] ==
                  TARN_HOST_VARIABLE_COUNT + TARN_HOST_FUNCTION_COUNT,
              "every host name is requested");

// The plug-in's own variables, announced in this order with their sizes.
struct PluginVariable {
    const char* name;
    void* address;
    u32 size;
};

#define KW_PLUGIN_VARIABLE(field) {#field, &g_vars.field, sizeof g_vars.field}
const PluginVariable kPluginVariables[] = {
    KW_PLUGIN_VARIABLE(fGlobalMilliSecondsPerSample),
    KW_PLUGIN_VARIABLE(uiGlobalBlockSize),
    KW_PLUGIN_VARIABLE(bAnimation),
    KW_PLUGIN_VARIABLE(bExperimentIsRunning),
    KW_PLUGIN_VARIABLE(bExperimentIsPaused),
    KW_PLUGIN_VARIABLE(dwExperimentStartTimeTicks),
    KW_PLUGIN_VARIABLE(BBoxModul),
};
#undef KW_PLUGIN_VARIABLE
static_assert(sizeof(g_vars.fGlobalMilliSecondsPerSample) == 8 && sizeof(g_vars.bAnimation) == 4,
              "announced sizes are those the host expects");

}  // namespace

int PLG_BindHost(HostRequestFn request, void* context)
{
    for (const HostName& n : kHostNames) {
        uintptr_t value = request(context, n.message, n.name);
        if (value == 0 && n.checked) return 0;
        // Function slots hold typed pointers of the same width as the answer.
        memcpy((char*)&g_host + n.offset, &value, sizeof value);
    }
    if (!g_host.DefineDllModule()) return 0;
    for (const PluginVariable& v : kPluginVariables)
        if (!g_host.DefineDllVariable(v.name, v.address, v.size)) return 0;
    return 1;
}
