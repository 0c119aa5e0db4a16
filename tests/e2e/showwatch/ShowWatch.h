// A record of every top-level window that any program of the Wine session
// shows, made as it is shown.  Wine 8 sends no EVENT_OBJECT_SHOW to an event
// hook (its out-of-context hooks do bring another process's
// EVENT_OBJECT_CREATE), so this DLL goes into the programs as a global
// WH_CALLWNDPROC hook: each WM_WINDOWPOSCHANGED that shows a top-level window
// is sent to the watching test, which notes it before the program goes on.
#pragma once

#include <windows.h>

#ifdef LUNAVIRE_SHOW_WATCH_DLL
#define LUNAVIRE_SHOW_WATCH_API __declspec(dllexport)
#else
#define LUNAVIRE_SHOW_WATCH_API __declspec(dllimport)
#endif

// The message-only window that takes the reports: a WM_COPYDATA with
// dwData kShownWindow, lpData a ShownWindow, wParam the window shown.  It
// answers TRUE.  The reporting program waits for the answer (a minute at
// most), so a test that takes reports must run its message loop meanwhile.
#define LUNAVIRE_SHOW_WATCH_CLASS "LunavireShowWatch"

struct ShownWindow {
    enum : ULONG_PTR { kShownWindow = 0x5EE9 };
    DWORD process;  // the id of the process that showed it
    DWORD visible;  // IsWindowVisible once shown
    WCHAR className[64];
    WCHAR title[256];
};

extern "C" {
// Starts reporting in every program of the session (true when the hook is
// in), or stops it.  One watch at a time.
LUNAVIRE_SHOW_WATCH_API BOOL lunavireWatchShows(BOOL on);
}
