// The folder tree: a SysTreeView32 filled lazily from the shell namespace,
// rooted at My Computer, folders only, with the shell's small icons.
#include <vector>

#include "platform/win32/Peers.h"
#include "platform/win32/ShellPath.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

constexpr int kIndent = 19;

// What a tree item stands for: its absolute item id list.
struct Node {
    ItemIdList pidl;
    bool filled = false;
};

std::string displayName(IShellFolder* folder, const ITEMIDLIST* child) {
    STRRET r{};
    if (FAILED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &r))) return {};
    switch (r.uType) {
        case STRRET_WSTR: {
            Unique<wchar_t*, CoTaskMemTraits<wchar_t>> wide(r.pOleStr);
            std::string out;
            int n = WideCharToMultiByte(CP_ACP, 0, wide.get(), -1, nullptr, 0, nullptr, nullptr);
            if (n > 0) {
                out.resize(static_cast<std::size_t>(n));
                WideCharToMultiByte(CP_ACP, 0, wide.get(), -1, &out[0], n, nullptr, nullptr);
                out.resize(static_cast<std::size_t>(n - 1));
            }
            return out;
        }
        case STRRET_CSTR: return r.cStr;
        case STRRET_OFFSET: return reinterpret_cast<const char*>(child) + r.uOffset;
    }
    return {};
}

int iconOf(const ITEMIDLIST* pidl, UINT extra) {
    SHFILEINFOA info{};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra);
    return info.iIcon;
}

// The shell folder behind an absolute id list (the desktop for the empty one).
ComPtr<IShellFolder> bindFolder(const ITEMIDLIST* pidl) {
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.put()))) return {};
    if (!pidl || pidl->mkid.cb == 0) return desktop;
    ComPtr<IShellFolder> folder;
    if (FAILED(desktop->BindToObject(pidl, nullptr, IID_IShellFolder, folder.putVoid()))) return {};
    return folder;
}

class ShellTreePeer final : public ControlPeer {
public:
    ShellTreePeer(Win32Platform& p, ui::ShellTreeView& t) : ControlPeer(p, t) {
        const ui::Rect& r = t.bounds();
        // No TVS_LINESATROOT: the root item carries no line of its own.
        createStandard(WC_TREEVIEWA, WS_EX_CLIENTEDGE,
                       childStyle() | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS,
                       "",
                       r.left, r.top, r.width, r.height, parentWindow(), 0);
        finishCreate();
        send(TVM_SETINDENT, kIndent);
        SHFILEINFOA info{};
        auto images = reinterpret_cast<HIMAGELIST>(
            SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        // The system image list is shared; a tree view never destroys its
        // image lists.
        send(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
        SetWindowSubclass(hwnd(), &ShellTreePeer::noteRightButton, 0, reinterpret_cast<DWORD_PTR>(this));
        addRoot();
    }
    ~ShellTreePeer() override {
        RemoveWindowSubclass(hwnd(), &ShellTreePeer::noteRightButton, 0);
        // Free the nodes while the peer still receives TVN_DELETEITEM.
        send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    }

    void textChanged() override {}

    std::string selectedPath() override {
        Node* node = nodeOf(reinterpret_cast<HTREEITEM>(send(TVM_GETNEXTITEM, TVGN_CARET, 0)));
        return node ? fileSystemPath(node->pidl.get()) : std::string();
    }

    LRESULT onNotify(NMHDR& header) override {
        switch (header.code) {
            case TVN_ITEMEXPANDINGA:
            case TVN_ITEMEXPANDINGW: {
                auto& nm = reinterpret_cast<NMTREEVIEWA&>(header);
                if (nm.action & TVE_EXPAND) fill(nm.itemNew.hItem);
                return 0;
            }
            case TVN_DELETEITEMA:
            case TVN_DELETEITEMW:
                delete reinterpret_cast<Node*>(reinterpret_cast<NMTREEVIEWA&>(header).itemOld.lParam);
                return 0;
            case NM_RCLICK:
                selectUnderCursor();
                return 0;
        }
        return 0;
    }

private:
    Node* nodeOf(HTREEITEM item) const {
        if (!item) return nullptr;
        TVITEMA it{};
        it.mask = TVIF_PARAM;
        it.hItem = item;
        if (!send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
        return reinterpret_cast<Node*>(it.lParam);
    }

    HTREEITEM insert(HTREEITEM parent, const std::string& text, ItemIdList pidl, bool hasChildren) {
        auto node = std::make_unique<Node>();
        const ITEMIDLIST* id = pidl.get();
        node->pidl = std::move(pidl);
        TVINSERTSTRUCTA ins{};
        ins.hParent = parent;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        ins.item.pszText = const_cast<char*>(text.c_str());
        ins.item.iImage = iconOf(id, 0);
        ins.item.iSelectedImage = iconOf(id, SHGFI_OPENICON);
        ins.item.cChildren = hasChildren ? 1 : 0;
        ins.item.lParam = reinterpret_cast<LPARAM>(node.get());
        auto item = reinterpret_cast<HTREEITEM>(send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
        if (item) node.release();  // the item owns it now; TVN_DELETEITEM frees it
        return item;
    }

    void addRoot() {
        ITEMIDLIST* drives = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives))) return;
        ItemIdList pidl(drives);
        ComPtr<IShellFolder> desktop = bindFolder(nullptr);
        if (!desktop) return;
        std::string name = displayName(desktop.get(), pidl.get());
        HTREEITEM root = insert(TVI_ROOT, name, std::move(pidl), true);
        if (root) send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    }

    // Adds the folders below an item, the first time it opens.
    void fill(HTREEITEM item) {
        Node* node = nodeOf(item);
        if (!node || node->filled) return;
        node->filled = true;
        ComPtr<IShellFolder> folder = bindFolder(node->pidl.get());
        ComPtr<IEnumIDList> children;
        bool any = false;
        if (folder && folder->EnumObjects(hwnd(), SHCONTF_FOLDERS, children.put()) == S_OK && children) {
            ITEMIDLIST* child = nullptr;
            while (children->Next(1, &child, nullptr) == S_OK) {
                ItemIdList relative(child);
                SFGAOF attrs = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
                const ITEMIDLIST* one = relative.get();
                if (FAILED(folder->GetAttributesOf(1, &one, &attrs)) || !(attrs & SFGAO_FOLDER)) continue;
                ItemIdList absolute(ILCombine(node->pidl.get(), relative.get()));
                if (!absolute) continue;
                any |= insert(item, displayName(folder.get(), relative.get()), std::move(absolute),
                              (attrs & SFGAO_HASSUBFOLDER) != 0) != nullptr;
            }
            sortChildren(item, folder.get());
        }
        if (!any) {
            // No folders inside after all: drop the expand button.
            TVITEMA it{};
            it.mask = TVIF_CHILDREN;
            it.hItem = item;
            it.cChildren = 0;
            send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
        }
    }

    // In the shell's own order (drives by letter, folders by name).
    void sortChildren(HTREEITEM parent, IShellFolder* folder) {
        TVSORTCB sort{};
        sort.hParent = parent;
        sort.lpfnCompare = &ShellTreePeer::compare;
        sort.lParam = reinterpret_cast<LPARAM>(folder);
        send(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    }
    static int CALLBACK compare(LPARAM a, LPARAM b, LPARAM folder) {
        auto* f = reinterpret_cast<IShellFolder*>(folder);
        HRESULT hr = f->CompareIDs(0, ILFindLastID(reinterpret_cast<Node*>(a)->pidl.get()),
                                   ILFindLastID(reinterpret_cast<Node*>(b)->pidl.get()));
        return static_cast<short>(HRESULT_CODE(hr));
    }

    // The tree tracks the right button in a loop of its own before it
    // reports the click, so the position of the last message retrieved is
    // not the click's: the button-down message itself tells where it was.
    static LRESULT CALLBACK noteRightButton(HWND h, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR self) {
        if (message == WM_RBUTTONDOWN)
            reinterpret_cast<ShellTreePeer*>(self)->rightClick_ =
                POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
        return DefSubclassProc(h, message, w, l);
    }

    void selectUnderCursor() {
        TVHITTESTINFO hit{};
        hit.pt = rightClick_;
        auto item = reinterpret_cast<HTREEITEM>(send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEM)) send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }

    POINT rightClick_{-1, -1};  // client coordinates of the last right button press
};

}  // namespace

std::unique_ptr<plat::ControlPeer> makeShellTreePeer(Win32Platform& p, ui::ShellTreeView& tree) {
    return std::make_unique<ShellTreePeer>(p, tree);
}

}  // namespace w32
