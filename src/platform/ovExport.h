// How the library's exports are declared: undecorated C names, the Windows
// stdcall convention on 32-bit Windows, and default visibility (everything
// else in the library is hidden).
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define OV_STDCALL __stdcall
#else
#define OV_STDCALL
#endif

#if defined(_WIN32)
#define OV_EXPORT extern "C" __declspec(dllexport)
#else
#define OV_EXPORT extern "C" __attribute__((visibility("default")))
#endif
