// The shell32 functions this back end calls, bound at their first call: the
// library then loads, not before the main window can show (under Wine its
// loading is a good part of a start).  Each behaves as the function it is
// named after; if shell32 cannot be loaded, each fails as that function
// fails (E_FAIL, a null list, zero, nothing started).
#pragma once

#include "platform/win32/Win32.h"

namespace w32::shell32 {

HRESULT SHGetDesktopFolder(IShellFolder** folder);
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, ITEMIDLIST** pidl);
HRESULT SHBindToParent(const ITEMIDLIST* pidl, REFIID riid, void** parent, const ITEMIDLIST** last);
HRESULT SHGetDataFromIDListA(IShellFolder* folder, const ITEMIDLIST* pidl, int format, void* data, int size);
DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size, UINT flags);
ITEMIDLIST* ILCombine(const ITEMIDLIST* first, const ITEMIDLIST* second);
ITEMIDLIST* ILFindLastID(const ITEMIDLIST* pidl);
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show);

}  // namespace w32::shell32
