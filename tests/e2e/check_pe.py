#!/usr/bin/env python3
"""Checks the built Setup.exe as Windows' loader and Explorer will see it.

check_pe.py SETUP.EXE

- Headers: a 32-bit (i386) program whose subsystem version is 6.1 (Windows 7)
  or lower.
- Imports: nothing from an api-ms-win-* set, and none of the functions that
  Windows 7 lacks and the program could reach for (those are looked up at run
  time instead); shell32 is not among the DLLs loaded before the entry point
  (it loads at its first call, after the main window shows).
- Resources: the application manifest (type 24, resource 1) asks for
  administrator rights, common controls 6, per-monitor DPI awareness with the
  system-wide fallback, and leaves the ANSI code page to the system; the
  version strings name the program, its team and its file; icon 1 has the
  16, 32 and 48 pixel images.
"""
import sys

import pefile

# DLLs the main window does not need, loaded at their first call instead.
DELAY_LOADED = {"shell32.dll"}

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
RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24


def resource(pe, rtype, rid):
    """The bytes of resource (type, id), or None."""
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.id != rtype:
            continue
        for r in t.directory.entries:
            if r.id == rid:
                data = r.directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def check_resources(pe, problems):
    manifest = resource(pe, RT_MANIFEST, 1)
    if manifest is None:
        problems.append("no manifest as resource 1 of type 24")
    else:
        text = manifest.decode("utf-8")
        wanted = {
            'level="requireAdministrator"': "the elevation level",
            'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"': "common controls 6",
            ">true/pm</dpiAware>": "per-monitor DPI awareness with the system-wide fallback",
            ">PerMonitorV2, PerMonitor</dpiAwareness>": "per-monitor v2 DPI awareness",
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11 as supported systems",
            "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7 as a supported system",
        }
        for needle, what in wanted.items():
            if needle not in " ".join(text.split()):
                problems.append("the manifest lacks %s (%s)" % (what, needle))
        if "<activeCodePage" in text:
            problems.append("the manifest sets an activeCodePage: the program's texts are the system's ANSI code page")
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode("utf-8") for k, v in table.entries.items()})
    for key, must in {"OriginalFilename": "Setup.exe", "ProductName": "Lunavire", "FileDescription": "Lunavire",
                      "LegalCopyright": "中文化委员会", "CompanyName": "中文化委员会", "FileVersion": "1."}.items():
        if must not in strings.get(key, ""):
            problems.append("version string %s is %r, not containing %r" % (key, strings.get(key), must))
    group = resource(pe, RT_GROUP_ICON, 1)
    if group is None:
        problems.append("no icon group 1")
    else:
        count = int.from_bytes(group[4:6], "little")
        sizes = sorted((group[6 + 14 * i] or 256) for i in range(count))
        for size in (16, 32, 48):
            if size not in sizes:
                problems.append("icon 1 has no %d pixel image (has %s)" % (size, sizes))


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
        if dll.lower() in DELAY_LOADED:
            problems.append("loads %s before its entry point; it should load at its first call" % dll)
        for imp in entry.imports:
            name = imp.name.decode() if imp.name else ""
            if name in NEWER_THAN_WINDOWS_7:
                problems.append("imports %s!%s, which Windows 7 lacks" % (dll, name))
    check_resources(pe, problems)
    for p in problems:
        print("check_pe: %s" % p)
    if problems:
        sys.exit(1)
    print("check_pe: i386, subsystem %d.%d, %d imported DLLs, nothing newer than Windows 7; "
          "manifest, version strings and icon as they should be" % (subsystem + (len(pe.DIRECTORY_ENTRY_IMPORT),)))


if __name__ == "__main__":
    main()
