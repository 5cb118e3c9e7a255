#include "mod_account.h"

#include <stdio.h>

namespace {

struct Entry {
    const Module* module;  // null: free
    ChannelAccount channel[KW_MAX_CHANNELS];
};
Entry s_entries[MOD_ACCOUNT_MODULES];
Entry* s_last;  // the entry found last: compute calls come module by module

Entry* Find(const Module* m)
{
    if (s_last && s_last->module == m) return s_last;
    for (Entry& e : s_entries)
        if (e.module == m) return s_last = &e;
    return nullptr;
}

}  // namespace

ChannelAccount* MOD_FindAccount(const Module* m)
{
    Entry* e = m ? Find(m) : nullptr;
    return e ? e->channel : nullptr;
}

void MOD_OpenAccount(const Module* m)
{
    if (!TRC_On()) return;
    Entry* e = Find(m);
    if (!e) e = Find(nullptr);
    if (!e) return TRC_Printf("%.13s: no account of its values, %d modules are counted already", m->name,
                              (int)MOD_ACCOUNT_MODULES);
    *e = Entry{m, {}};
}

void MOD_NoteUnlisted(const Module* m, u32 c, const char* why, i32 value)
{
    ChannelAccount* a = MOD_AccountOf(m);
    if (!a || c >= KW_MAX_CHANNELS) return;
    a[c].unlisted = why;
    a[c].unlistedValue = value;
}

void MOD_ForgetAccount(const Module* m)
{
    if (Entry* e = m ? Find(m) : nullptr) e->module = nullptr;
}

void MOD_CloseAccount(Module* m, const ModFrame* f)
{
    Entry* e = Find(m);
    if (!e) return;
    TRC_Printf("%.13s: values per channel at stop: taken from the driver, delivered to the host, dropped past "
               "the clock, held while paused, repeated to complete a block, open in the current block",
               m->name);
    for (u32 c = 0, n = MOD_ChannelCount(m, f); c < n; ++c) {
        const ChannelAccount& a = e->channel[c];
        if (a.unlisted) {
            char why[TRC_LINE_SIZE];
            snprintf(why, sizeof why, a.unlisted, (int)a.unlistedValue);
            TRC_Printf("values %.13s %u: delivered nothing, not in the device's list: %s", m->name, c, why);
            continue;
        }
        i64 open = (i64)(a.taken - a.dropped) - (i64)(a.delivered - a.repeated);
        TRC_Printf("values %.13s %u: taken %llu, delivered %llu, dropped %llu, held %llu, repeated %llu, open %lld",
                   m->name, c, (unsigned long long)a.taken, (unsigned long long)a.delivered,
                   (unsigned long long)a.dropped, (unsigned long long)a.held, (unsigned long long)a.repeated,
                   (long long)open);
    }
    e->module = nullptr;
}
