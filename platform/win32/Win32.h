// The Windows headers as this back end wants them: ANSI functions, no
// min/max macros, Windows 7 API level (newer functions are looked up at run
// time, see HandOver.cpp).  Include this, never
// <windows.h> directly, inside platform/win32.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
#undef UNICODE
#undef _UNICODE

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
