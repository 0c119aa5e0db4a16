// The folder tree: a SysTreeView32 filled lazily from the shell namespace,
// rooted at My Computer, folders only, with the shell's small icons.  An
// item's icons are looked up when the tree first shows it: under Wine a look-up
// costs milliseconds, so a folder of thousands of subfolders would otherwise
// take minutes to open.
#include <vector>

#include "platform/win32/Peers.h"
#include "platform/win32/Shell32.h"
#include "platform/win32/ShellPath.h"
#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

constexpr int kIndent = 19;
constexpr int kNoIcon = -1;

// What a tree item stands for: its absolute item id list.
struct Node {
    ItemIdList pidl;
    bool filled = false;
    // A folder that shows the shell's plain folder icon (see plainFolder).
    bool plain = false;
    int icon = kNoIcon, openIcon = kNoIcon;  // once looked up
};

// A name as the tree shows it: what the code page cannot spell is shown as
// near as it can be.
std::string displayName(IShellFolder* folder, const ITEMIDLIST* child) {
    STRRET r{};
    std::string name;
    if (SUCCEEDED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &r))) shellName(r, child, Spelling::BestFit, name);
    return name;
}

int iconOf(const ITEMIDLIST* pidl, UINT extra) {
    SHFILEINFOA info{};
    shell32::SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra);
    return info.iIcon;
}

// Only a folder with the system or the read-only attribute may choose an
// icon of its own (in its desktop.ini); every other file-system folder shows
// the shell's folder icon.  The attributes travel in the item id itself.
bool plainFolder(IShellFolder* parent, const ITEMIDLIST* child, SFGAOF attrs) {
    if (!(attrs & SFGAO_FILESYSTEM)) return false;
    WIN32_FIND_DATAA found{};
    if (FAILED(shell32::SHGetDataFromIDListA(parent, child, SHGDFIL_FINDDATA, &found, sizeof found))) return false;
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(found.dwFileAttributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
}

// The shell folder behind an absolute id list (the desktop for the empty one).
ComPtr<IShellFolder> bindFolder(const ITEMIDLIST* pidl) {
    ComPtr<IShellFolder> desktop;
    if (FAILED(shell32::SHGetDesktopFolder(desktop.put()))) return {};
    if (!pidl || pidl->mkid.cb == 0) return desktop;
    ComPtr<IShellFolder> folder;
    if (FAILED(desktop->BindToObject(pidl, nullptr, IID_IShellFolder, folder.putVoid()))) return {};
    return folder;
}

class ShellTreePeer final : public ControlPeer {
public:
    ShellTreePeer(Win32Platform& p, ui::ShellTreeView& t) : ControlPeer(p, t), tree_(t) {
        const ui::Rect& r = t.bounds();
        // No TVS_LINESATROOT: the root item carries no line of its own.
        createStandard(WC_TREEVIEWA, WS_EX_CLIENTEDGE,
                       childStyle() | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS,
                       "",
                       r.left, r.top, r.width, r.height, parentWindow(), 0);
        finishCreate();
        send(TVM_SETINDENT, kIndent);
        treeProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ShellTreePeer::noteRightButton)));
    }

    // The shell's namespace is opened when the window first shows: made at
    // the program's start with the hidden windows, two trees would hold the
    // main window back by a fifth of a second under Wine.
    void formShowing() override {
        if (rooted_) return;
        rooted_ = true;
        SHFILEINFOA info{};
        auto images = reinterpret_cast<HIMAGELIST>(
            shell32::SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        // The system image list is shared; a tree view never destroys its
        // image lists.
        send(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
        addRoot();
    }
    ~ShellTreePeer() override {
        SetWindowLongPtrA(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(treeProc_));
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
            case TVN_GETDISPINFOA:
            case TVN_GETDISPINFOW:
                giveIcons(reinterpret_cast<NMTVDISPINFOA&>(header).item);
                return 0;
            case TVN_SELCHANGEDA:
            case TVN_SELCHANGEDW:
                tree_.selectionChanged();
                return 0;
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

    // The tree asks for the icons of an item each time it draws it, until it
    // is told to keep them.  Under Wine a look-up reads the item's folder
    // (30 ms in one of 5000 subfolders): plain folders share one look-up,
    // and the open icon is looked up only once the item is drawn selected;
    // until then the closed one stands in, and the tree keeps asking.
    void giveIcons(TVITEMA& item) {
        auto* node = reinterpret_cast<Node*>(item.lParam);
        if (!node) return;
        int& icon = node->plain ? plainIcon_ : node->icon;
        int& open = node->plain ? plainOpenIcon_ : node->openIcon;
        if (icon == kNoIcon) icon = iconOf(node->pidl.get(), 0);
        if (open == kNoIcon && (item.state & TVIS_SELECTED)) open = iconOf(node->pidl.get(), SHGFI_OPENICON);
        UINT kept = item.mask & TVIF_IMAGE;
        item.iImage = icon;
        item.iSelectedImage = icon;
        if (open != kNoIcon) {
            item.iSelectedImage = open;
            kept |= item.mask & TVIF_SELECTEDIMAGE;
        }
        item.mask = kept | TVIF_DI_SETITEM;
    }

    HTREEITEM insert(HTREEITEM parent, const std::string& text, ItemIdList pidl, bool hasChildren,
                     bool plain = false) {
        auto node = std::make_unique<Node>();
        node->pidl = std::move(pidl);
        node->plain = plain;
        TVINSERTSTRUCTA ins{};
        ins.hParent = parent;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        ins.item.pszText = const_cast<char*>(text.c_str());
        ins.item.iImage = I_IMAGECALLBACK;
        ins.item.iSelectedImage = I_IMAGECALLBACK;
        ins.item.cChildren = hasChildren ? 1 : 0;
        ins.item.lParam = reinterpret_cast<LPARAM>(node.get());
        auto item = reinterpret_cast<HTREEITEM>(send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
        if (item) node.release();  // the item owns it now; TVN_DELETEITEM frees it
        return item;
    }

    void addRoot() {
        ITEMIDLIST* drives = nullptr;
        if (FAILED(shell32::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives))) return;
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
                SFGAOF attrs = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM;
                const ITEMIDLIST* one = relative.get();
                if (FAILED(folder->GetAttributesOf(1, &one, &attrs)) || !(attrs & SFGAO_FOLDER)) continue;
                ItemIdList absolute(shell32::ILCombine(node->pidl.get(), relative.get()));
                if (!absolute) continue;
                any |= insert(item, displayName(folder.get(), relative.get()), std::move(absolute),
                              (attrs & SFGAO_HASSUBFOLDER) != 0,
                              plainFolder(folder.get(), relative.get(), attrs)) != nullptr;
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
        HRESULT hr = f->CompareIDs(0, shell32::ILFindLastID(reinterpret_cast<Node*>(a)->pidl.get()),
                                   shell32::ILFindLastID(reinterpret_cast<Node*>(b)->pidl.get()));
        return static_cast<short>(HRESULT_CODE(hr));
    }

    // The tree tracks the right button in a loop of its own before it
    // reports the click, so the position of the last message retrieved is
    // not the click's: the button-down message itself tells where it was.
    // The tree's window procedure is replaced rather than subclassed through
    // comctl32, whose chain looks a window property up at every message:
    // under Wine a trip to the wineserver, 80 us per message to the tree.
    static LRESULT CALLBACK noteRightButton(HWND h, UINT message, WPARAM w, LPARAM l) {
        auto* self = dynamic_cast<ShellTreePeer*>(Window::fromHandle(h));
        WNDPROC tree = self ? self->treeProc_ : lastTreeProc_;
        if (!tree) return DefWindowProcA(h, message, w, l);
        lastTreeProc_ = tree;
        if (self && message == WM_RBUTTONDOWN)
            self->rightClick_ = POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
        return CallWindowProcA(tree, h, message, w, l);
    }

    void selectUnderCursor() {
        TVHITTESTINFO hit{};
        hit.pt = rightClick_;
        auto item = reinterpret_cast<HTREEITEM>(send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEM)) send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }

    ui::ShellTreeView& tree_;
    int plainIcon_ = kNoIcon, plainOpenIcon_ = kNoIcon;  // of every plain folder
    WNDPROC treeProc_ = nullptr;  // the tree's own window procedure
    bool rooted_ = false;         // the namespace was opened (on the first show)
    // The same, for the messages that come once the peer has let go of its
    // window (the tree's class has one procedure for all its windows).
    static inline WNDPROC lastTreeProc_ = nullptr;
    POINT rightClick_{-1, -1};  // client coordinates of the last right button press
};

}  // namespace

std::unique_ptr<plat::ControlPeer> makeShellTreePeer(Win32Platform& p, ui::ShellTreeView& tree) {
    return std::make_unique<ShellTreePeer>(p, tree);
}

}  // namespace w32
