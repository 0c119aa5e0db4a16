// Removes a folder and everything below it, read-only files included; for
// tests' scratch folders.
#pragma once

#include <string>

#include "platform/win32/Handles.h"

namespace w32test {

inline void removeTree(const std::string& path) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        w32::FindHandle search(h);
        do {
            std::string name = d.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(search.get(), &d));
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

}  // namespace w32test
