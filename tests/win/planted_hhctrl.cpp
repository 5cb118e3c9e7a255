// A planted copy of the help viewer: it shows nothing, and the plug-in must
// never load it.
#include <windows.h>

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpA(HWND, LPCSTR, UINT, DWORD_PTR) { return nullptr; }
