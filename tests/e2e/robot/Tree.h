// A SysTreeView32 of another process, driven by its own messages as a
// Windows test robot drives one: TVM_GETNEXTITEM to walk it, TVM_EXPAND to
// open a branch (which lets the program fill it), TVM_SELECTITEM to choose.
//
// Reading an item's text needs memory in the program: a TVITEM and its text
// buffer are placed there (VirtualAllocEx), filled by TVM_GETITEMA and read
// back (ReadProcessMemory).  Both processes must have the same bitness.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace robot {

// A block of memory in another process, freed when the object goes.
class RemoteBuffer {
public:
    RemoteBuffer(DWORD pid, SIZE_T size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    void* address() const { return address_; }
    SIZE_T size() const { return size_; }
    void write(SIZE_T offset, const void* bytes, SIZE_T count);
    void read(SIZE_T offset, void* bytes, SIZE_T count) const;

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    SIZE_T size_ = 0;
};

class RemoteTree {
public:
    explicit RemoteTree(HWND tree);

    HWND window() const { return tree_; }
    HTREEITEM root() const;
    HTREEITEM selection() const;
    std::vector<HTREEITEM> children(HTREEITEM parent) const;

    // The item's text as ANSI bytes of the program's code page.
    std::string text(HTREEITEM item) const;
    // The item's image index and selected-image index.
    int image(HTREEITEM item) const;
    int selectedImage(HTREEITEM item) const;
    bool expanded(HTREEITEM item) const;
    // The image list the tree draws its icons from (nullptr without one).
    HIMAGELIST imageList() const;

    // Opens the branch; the program fills it while handling the message.
    void expand(HTREEITEM item);
    // Makes the item the selected one and scrolls it into view.
    void select(HTREEITEM item);

    // The first child of `parent` whose text satisfies `matches`; throws a
    // Failure that lists the children when there is none.
    HTREEITEM child(HTREEITEM parent, const std::function<bool(const std::string&)>& matches,
                    const std::string& what) const;

    // Opens My Computer (the root), the drive of `path` and each folder on
    // the way, and selects the last one.  `path` is a full path "X:\a\b";
    // folder names are compared without regard to ASCII case.  Returns the
    // selected item.
    HTREEITEM selectPath(const std::string& path);

private:
    struct ItemData {
        std::string text;
        int image = -1;
        int selectedImage = -1;
        UINT state = 0;
    };
    ItemData get(HTREEITEM item) const;

    HWND tree_;
    DWORD pid_ = 0;
};

}  // namespace robot
