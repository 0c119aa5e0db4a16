#!/usr/bin/env python3
"""Checks the built Setup.exe as Windows' loader and Explorer will see it,
without running it.

check_pe.py [--machine i386|amd64] [--twin OTHER.EXE] SETUP.EXE

- Headers: a program for the machine given (i386, the program that ships, by
  default) with the GUI subsystem, whose subsystem version is 6.1 (Windows 7)
  or lower.
- Imports: DLLs of the system only (nothing of the compiler's runtime, of zlib
  or of an api-ms-win-* set), and none of the functions that Windows 7 lacks
  and the program could reach for (those are looked up at run time instead);
  shell32 is not among the DLLs loaded before the entry point (it loads at
  its first call, after the main window shows).
- With --twin: the payload resources (the named types) are byte for byte
  those of the other build of the same sources, so that what is tested in the
  one is what ships in the other.
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

MACHINES = {"i386": 0x14C, "amd64": 0x8664}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2

# The DLLs that every Windows from 7 on has in its system folder and that a
# program of this kind may import.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll", "comdlg32.dll",
    "ole32.dll", "oleaut32.dll", "shlwapi.dll", "uxtheme.dll", "msvcrt.dll", "version.dll",
    "psapi.dll", "ntdll.dll", "imm32.dll", "winmm.dll",
}
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


def payloads(pe):
    """{(type, name): bytes} of the resources of named types: the payloads."""
    found = {}
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.name is None:
            continue
        for r in t.directory.entries:
            for lang in r.directory.entries:
                data = lang.data.struct
                found[(str(t.name), str(r.name) if r.name is not None else r.id)] = \
                    pe.get_data(data.OffsetToData, data.Size)
    return found


def check_twin(pe, twin_path, problems):
    mine, theirs = payloads(pe), payloads(pefile.PE(twin_path))
    if not mine:
        problems.append("no payload resources")
    for key in sorted(set(mine) | set(theirs), key=str):
        if key not in theirs:
            problems.append("payload %s/%s is missing from the twin %s" % (key + (twin_path,)))
        elif key not in mine:
            problems.append("payload %s/%s of the twin is missing here" % key)
        elif mine[key] != theirs[key]:
            problems.append("payload %s/%s differs from the twin's (%d and %d bytes)"
                            % (key + (len(mine[key]), len(theirs[key]))))
    return len(mine)


def main():
    args = sys.argv[1:]
    machine, twin = "i386", None
    while len(args) > 1 and args[0].startswith("--"):
        if args[0] == "--machine" and args[1] in MACHINES:
            machine = args[1]
        elif args[0] == "--twin":
            twin = args[1]
        else:
            sys.exit("usage: check_pe.py [--machine i386|amd64] [--twin OTHER.EXE] SETUP.EXE")
        args = args[2:]
    if len(args) != 1:
        sys.exit("usage: check_pe.py [--machine i386|amd64] [--twin OTHER.EXE] SETUP.EXE")
    pe = pefile.PE(args[0])
    problems = []
    if pe.FILE_HEADER.Machine != MACHINES[machine]:
        problems.append("machine is 0x%x, not %s" % (pe.FILE_HEADER.Machine, machine))
    if pe.OPTIONAL_HEADER.Subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        problems.append("subsystem %d is not the GUI's (%d)" % (pe.OPTIONAL_HEADER.Subsystem,
                                                               IMAGE_SUBSYSTEM_WINDOWS_GUI))
    subsystem = (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion)
    if subsystem > (6, 1):
        problems.append("subsystem version %d.%d is newer than Windows 7 (6.1)" % subsystem)
    for entry in pe.DIRECTORY_ENTRY_IMPORT:
        dll = entry.dll.decode()
        if dll.lower().startswith("api-ms-win-"):
            problems.append("imports from the API set %s" % dll)
        elif dll.lower() not in SYSTEM_DLLS:
            problems.append("imports from %s, which is not a DLL of the system" % dll)
        if dll.lower() in DELAY_LOADED:
            problems.append("loads %s before its entry point; it should load at its first call" % dll)
        for imp in entry.imports:
            name = imp.name.decode() if imp.name else ""
            if name in NEWER_THAN_WINDOWS_7:
                problems.append("imports %s!%s, which Windows 7 lacks" % (dll, name))
    check_resources(pe, problems)
    same = check_twin(pe, twin, problems) if twin else None
    for p in problems:
        print("check_pe: %s" % p)
    if problems:
        sys.exit(1)
    dlls = sorted(e.dll.decode().lower() for e in pe.DIRECTORY_ENTRY_IMPORT)
    print("check_pe: %s, GUI subsystem %d.%d, imports from %s only, nothing newer than Windows 7; "
          "manifest, version strings and icon as they should be" % ((machine,) + subsystem + (", ".join(dlls),)))
    if same is not None:
        print("check_pe: its %d payload resources are byte for byte those of %s" % (same, twin))


if __name__ == "__main__":
    main()
