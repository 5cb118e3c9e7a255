// Basic types shared by the plug-in, the stand-ins and the tests.
// The product is a 32-bit Windows DLL; the portable parts also build natively
// (64-bit Linux) for unit tests, so Windows handle types are opaque there.
#pragma once

#include <stddef.h>
#include <stdint.h>

typedef uint32_t u32;
typedef int32_t i32;
typedef uint16_t u16;
typedef int16_t i16;
typedef uint8_t u8;
typedef int64_t i64;
typedef uint64_t u64;

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#define KW_STDCALL __stdcall
#define KW_CDECL __cdecl
#define KW_TARGET_WIN32 1
#else
typedef struct KwOpaqueWnd* HWND;
typedef struct KwOpaqueInst* HINSTANCE;
typedef struct KwOpaqueBmp* HBITMAP;
typedef struct KwOpaqueFont* HFONT;
typedef void* HGDIOBJ;
typedef struct tagLOGFONTA LOGFONTA;
typedef int BOOL;
#define KW_STDCALL
#define KW_CDECL
#endif

// Offset checks apply to the 32-bit target only: natively pointers are 8 bytes.
#if defined(_WIN32) && !defined(_WIN64)
#define KW_ASSERT_OFFSET(type, field, off) \
    static_assert(offsetof(type, field) == (off), #type "." #field " offset")
#define KW_ASSERT_SIZE(type, size) static_assert(sizeof(type) == (size), #type " size")
#else
#define KW_ASSERT_OFFSET(type, field, off) static_assert(true, "")
#define KW_ASSERT_SIZE(type, size) static_assert(true, "")
#endif

// Bounded text copy: always terminates, never writes past size bytes.
static inline void kw_strlcpy(char* dst, const char* src, size_t size)
{
    if (size == 0) return;
    size_t i = 0;
    if (src)
        for (; i + 1 < size && src[i]; ++i) dst[i] = src[i];
    dst[i] = 0;
}
