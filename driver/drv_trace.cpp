// The driver call thunks: one template per prototype, instantiated per entry
// point from the typed table in tvxv2_api.h. Each thunk keeps the driver's
// address it replaced and the entry point's name.
#include "drv_trace.h"

#include <stdio.h>

#include <tuple>
#include <type_traits>
#include <utility>

#include "drv_table.h"
#include "fmt_number.h"
#include "trace.h"

namespace {

#define KW_SLOT(field) offsetof(DrvTable, field)

// Arguments shown only as there or not: the read buffers (bulk data, counted
// by the count beside them) and a device list the call frees.
template <size_t Slot>
constexpr u32 kOpaqueArguments = 0;
template <>
constexpr u32 kOpaqueArguments<KW_SLOT(MeasurementChannel_ReadDataAsDouble)> = 1u << 3;
template <>
constexpr u32 kOpaqueArguments<KW_SLOT(MeasurementChannel_ReadDataAsUInt32)> = 1u << 3;
template <>
constexpr u32 kOpaqueArguments<KW_SLOT(DeviceInfoFree)> = 1u << 0;

// Texts about the device's owner rather than the device: shown by length only.
template <size_t Slot>
constexpr bool kOwnerText = false;
template <>
constexpr bool kOwnerText<KW_SLOT(GetCustomer_Name)> = true;
template <>
constexpr bool kOwnerText<KW_SLOT(GetCustomer_DateOfPurchase)> = true;

void Show(TraceLine* l, i32 v) { TRC_Append(l, "%d", (int)v); }
void Show(TraceLine* l, u32 v) { TRC_Append(l, "%u", (unsigned)v); }
// A point whatever locale the host process has set, so that a number never
// reads as two arguments.
void Show(TraceLine* l, double v)
{
    char number[32];
    snprintf(number, sizeof number, "%.15g", v);
    FMT_PointForLocalePoint(number);
    TRC_Append(l, "%s", number);
}
void Show(TraceLine* l, const char* text) { TRC_AppendText(l, text, TRC_TEXT_CUT + 1); }
void ShowPointer(TraceLine* l, const void* p) { TRC_Append(l, p ? "&" : "NULL"); }
void Separate(TraceLine* l, size_t argument)
{
    if (argument > 0) TRC_Append(l, ",");
}

template <class T>
constexpr bool kNumber = std::is_arithmetic_v<T> && !std::is_same_v<std::remove_cv_t<T>, char>;

// An argument as the line shows it, with what it needs from before the call.
template <class T>
struct Argument {
    Argument(T, bool) {}
    void Show(TraceLine* l, T value) const { ::Show(l, value); }
};
// A pointer to a number: the value before the call and after it.
template <class T>
    requires kNumber<T>
struct Argument<T*> {
    bool shown;
    T before;
    Argument(T* p, bool opaque) : shown(p && !opaque), before(shown ? *p : T()) {}
    void Show(TraceLine* l, T* p) const
    {
        if (!shown) return ShowPointer(l, p);
        ::Show(l, before);
        TRC_Append(l, "->");
        ::Show(l, *p);
    }
};
// Buffers the driver writes a text into, and pointers to pointers.
template <class T>
    requires(!kNumber<T> && !std::is_same_v<T, const char>)
struct Argument<T*> {
    Argument(T*, bool) {}
    void Show(TraceLine* l, T* p) const { ShowPointer(l, p); }
};

template <size_t Slot>
void ShowResult(TraceLine* l, i32 status)
{
    Show(l, status);
}
template <size_t Slot>
void ShowResult(TraceLine* l, const char* text)
{
    if (!kOwnerText<Slot> || !text) return Show(l, text);
    u32 n = 0;
    while (n < TRC_TEXT_CUT && text[n]) ++n;
    TRC_Append(l, "<%u%s characters withheld>", n, text[n] ? "+" : "");
}

template <size_t Slot, class Pfn>
struct Thunk;
template <size_t Slot, class R, class... A>
struct Thunk<Slot, R(KW_STDCALL*)(A...)> {
    static inline R(KW_STDCALL* driver)(A...);
    static inline const char* name;

    static R KW_STDCALL Call(A... a) { return Traced(std::index_sequence_for<A...>(), a...); }

    template <size_t... I>
    static R Traced(std::index_sequence<I...>, A... a)
    {
        u64 time = TRC_Now();
        const std::tuple<Argument<A>...> before(Argument<A>(a, (kOpaqueArguments<Slot> >> I & 1) != 0)...);
        R result = driver(a...);
        TraceLine line;
        TRC_Begin(&line, time);
        TRC_Append(&line, "%s(", name);
        ((Separate(&line, I), std::get<I>(before).Show(&line, a)), ...);
        TRC_Append(&line, ") = ");
        ShowResult<Slot>(&line, result);
        TRC_End(&line);
        return result;
    }
};

// Puts the thunk into the entry point's slot (tracing) or the driver's
// address back; a null slot stays null.
template <size_t Slot, class Pfn>
void Place(Pfn& slot, bool tracing)
{
    using T = Thunk<Slot, Pfn>;
    if (!tracing) {
        if (slot == &T::Call) slot = T::driver;
        return;
    }
    if (!slot || slot == &T::Call) return;
    T::driver = slot;
    T::name = DRV_NameOfSlot(&slot);
    slot = &T::Call;
}
// Entry points the plug-in never calls have no prototype and no thunk.
template <size_t Slot>
void Place(PFN_DrvUnused&, bool)
{
}

void PlaceAll(bool tracing)
{
#define KW_TRACE_ENTRY(field, name, type) Place<KW_SLOT(field)>(g_drv.field, tracing);
#define KW_TRACE_GROUP(group, list, count) list(KW_TRACE_ENTRY)
    KW_DRV_GROUPS(KW_TRACE_GROUP)
#undef KW_TRACE_GROUP
#undef KW_TRACE_ENTRY
}

void UntraceCalls(void) { PlaceAll(false); }

}  // namespace

void DRV_TraceCalls(void)
{
    if (!TRC_On()) return;
    PlaceAll(true);
    TRC_WhenEnded(UntraceCalls);
}
