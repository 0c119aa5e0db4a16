#!/usr/bin/env python3
"""Checks the built Setup.exe as Windows' loader and Explorer will see it.

check_pe.py SETUP.EXE

- Headers: a 32-bit (i386) program whose subsystem version is 6.1 (Windows 7)
  or lower.
- Imports: nothing from an api-ms-win-* set, and none of the functions that
  Windows 7 lacks and the program could reach for (those are looked up at run
  time instead).
"""
import sys

import pefile

# Functions newer than Windows 7 that a program of this kind might import.
NEWER_THAN_WINDOWS_7 = {
    "WaitOnAddress", "WakeByAddressSingle", "WakeByAddressAll",
    "GetSystemTimePreciseAsFileTime", "SetThreadDescription", "GetThreadDescription",
    "GetDpiForWindow", "GetDpiForSystem", "GetDpiForMonitor", "SetThreadDpiAwarenessContext",
    "SetProcessDpiAwarenessContext", "SetProcessDpiAwareness", "AdjustWindowRectExForDpi",
    "GetSystemMetricsForDpi", "EnableNonClientDpiScaling", "SystemParametersInfoForDpi",
    "CreateFile2", "CopyFile2", "GetCurrentThreadStackLimits", "PrefetchVirtualMemory",
    "SetCoalescableTimer", "GetOverlappedResultEx", "CreateEventExA", "RtlAddGrowableFunctionTable",
}

IMAGE_FILE_MACHINE_I386 = 0x14C


def main():
    pe = pefile.PE(sys.argv[1])
    problems = []
    if pe.FILE_HEADER.Machine != IMAGE_FILE_MACHINE_I386:
        problems.append("machine is 0x%x, not i386" % pe.FILE_HEADER.Machine)
    subsystem = (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion)
    if subsystem > (6, 1):
        problems.append("subsystem version %d.%d is newer than Windows 7 (6.1)" % subsystem)
    for entry in pe.DIRECTORY_ENTRY_IMPORT:
        dll = entry.dll.decode()
        if dll.lower().startswith("api-ms-win-"):
            problems.append("imports from the API set %s" % dll)
        for imp in entry.imports:
            name = imp.name.decode() if imp.name else ""
            if name in NEWER_THAN_WINDOWS_7:
                problems.append("imports %s!%s, which Windows 7 lacks" % (dll, name))
    for p in problems:
        print("check_pe: %s" % p)
    if problems:
        sys.exit(1)
    print("check_pe: i386, subsystem %d.%d, %d imported DLLs, nothing newer than Windows 7"
          % (subsystem + (len(pe.DIRECTORY_ENTRY_IMPORT),)))


if __name__ == "__main__":
    main()
