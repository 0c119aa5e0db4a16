#include "tests/e2e/robot/Tree.h"

#include <cstddef>

#include "tests/e2e/robot/Robot.h"

namespace robot {

namespace {

constexpr int kTextBytes = 1024;

LRESULT sendTo(HWND w, UINT msg, WPARAM wp, LPARAM lp, const char* what) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_BLOCK, kActionTimeout, &result))
        throw Failure(std::string(what) + ": no answer from the tree within " + std::to_string(kActionTimeout) +
                      " ms (error " + std::to_string(GetLastError()) + ")");
    return static_cast<LRESULT>(result);
}

HTREEITEM nextItem(HWND tree, UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        sendTo(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item), "TVM_GETNEXTITEM"));
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The parts of "X:\a\b" between backslashes, stepping over double-byte
// characters whose second byte is a backslash.
std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            part += path[i];
            part += path[++i];
            continue;
        }
        if (path[i] == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += path[i];
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

}  // namespace

// ---- RemoteBuffer ----

RemoteBuffer::RemoteBuffer(DWORD pid, SIZE_T size) : size_(size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process_) throw Failure("OpenProcess " + std::to_string(pid) + " failed (error " +
                                 std::to_string(GetLastError()) + ")");
    address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address_) {
        DWORD error = GetLastError();
        CloseHandle(process_);
        throw Failure("VirtualAllocEx in process " + std::to_string(pid) + " failed (error " +
                      std::to_string(error) + ")");
    }
}

RemoteBuffer::~RemoteBuffer() {
    VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    CloseHandle(process_);
}

void RemoteBuffer::write(SIZE_T offset, const void* bytes, SIZE_T count) {
    SIZE_T done = 0;
    if (offset + count > size_ ||
        !WriteProcessMemory(process_, static_cast<char*>(address_) + offset, bytes, count, &done) || done != count)
        throw Failure("WriteProcessMemory failed (error " + std::to_string(GetLastError()) + ")");
}

void RemoteBuffer::read(SIZE_T offset, void* bytes, SIZE_T count) const {
    SIZE_T done = 0;
    if (offset + count > size_ ||
        !ReadProcessMemory(process_, static_cast<const char*>(address_) + offset, bytes, count, &done) ||
        done != count)
        throw Failure("ReadProcessMemory failed (error " + std::to_string(GetLastError()) + ")");
}

// ---- RemoteTree ----

RemoteTree::RemoteTree(HWND tree) : tree_(tree) {
    if (classOf(tree) != WC_TREEVIEWA) throw Failure("not a tree view: a " + classOf(tree) + " window");
    GetWindowThreadProcessId(tree, &pid_);
}

HTREEITEM RemoteTree::root() const { return nextItem(tree_, TVGN_ROOT, nullptr); }

HTREEITEM RemoteTree::selection() const { return nextItem(tree_, TVGN_CARET, nullptr); }

std::vector<HTREEITEM> RemoteTree::children(HTREEITEM parent) const {
    std::vector<HTREEITEM> items;
    for (HTREEITEM i = nextItem(tree_, TVGN_CHILD, parent); i; i = nextItem(tree_, TVGN_NEXT, i)) items.push_back(i);
    return items;
}

RemoteTree::ItemData RemoteTree::get(HTREEITEM item) const {
    // The item structure first, its text buffer right after it.
    RemoteBuffer remote(pid_, sizeof(TVITEMA) + kTextBytes);
    TVITEMA it{};
    it.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    it.hItem = item;
    it.stateMask = 0xFFFF;
    it.pszText = static_cast<char*>(remote.address()) + sizeof(TVITEMA);
    it.cchTextMax = kTextBytes;
    remote.write(0, &it, sizeof it);
    const char zero = 0;
    remote.write(sizeof(TVITEMA), &zero, 1);
    if (!sendTo(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.address()), "TVM_GETITEMA"))
        throw Failure("TVM_GETITEMA: the tree has no such item");
    TVITEMA back{};
    remote.read(0, &back, sizeof back);
    ItemData data;
    data.image = back.iImage;
    data.selectedImage = back.iSelectedImage;
    data.state = back.state;
    std::vector<char> text(kTextBytes, '\0');
    remote.read(sizeof(TVITEMA), text.data(), text.size());
    text.back() = '\0';
    data.text = text.data();
    return data;
}

std::string RemoteTree::text(HTREEITEM item) const { return get(item).text; }
int RemoteTree::image(HTREEITEM item) const { return get(item).image; }
int RemoteTree::selectedImage(HTREEITEM item) const { return get(item).selectedImage; }
bool RemoteTree::expanded(HTREEITEM item) const { return (get(item).state & TVIS_EXPANDED) != 0; }

HIMAGELIST RemoteTree::imageList() const {
    return reinterpret_cast<HIMAGELIST>(sendTo(tree_, TVM_GETIMAGELIST, TVSIL_NORMAL, 0, "TVM_GETIMAGELIST"));
}

void RemoteTree::expand(HTREEITEM item) {
    sendTo(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item), "TVM_EXPAND");
}

void RemoteTree::select(HTREEITEM item) {
    if (!sendTo(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item), "TVM_SELECTITEM"))
        throw Failure("TVM_SELECTITEM refused the item \"" + escaped(text(item)) + "\"");
    sendTo(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item), "TVM_ENSUREVISIBLE");
    if (selection() != item) throw Failure("the tree did not select \"" + escaped(text(item)) + "\"");
}

HTREEITEM RemoteTree::child(HTREEITEM parent, const std::function<bool(const std::string&)>& matches,
                            const std::string& what) const {
    std::string seen;
    for (HTREEITEM c : children(parent)) {
        std::string t = text(c);
        if (matches(t)) return c;
        seen += " \"" + escaped(t) + "\"";
    }
    throw Failure("no item " + what + " below \"" + escaped(text(parent)) + "\"; its children:" +
                  (seen.empty() ? " (none)" : seen));
}

HTREEITEM RemoteTree::selectPath(const std::string& path) {
    std::vector<std::string> parts = splitPath(path);
    if (parts.empty() || parts[0].size() != 2 || parts[0][1] != ':')
        throw Failure("selectPath wants a full path, not \"" + escaped(path) + "\"");
    HTREEITEM item = root();
    if (!item) throw Failure("the tree is empty");
    expand(item);

    // A drive shows as "Label (X:)" in the shell's namespace.
    const std::string drive = upper(parts[0]);
    item = child(
        item,
        [&](const std::string& t) {
            std::string u = upper(t);
            return u.find("(" + drive + ")") != std::string::npos || u == drive || u == drive + "\\";
        },
        "for drive " + drive);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        expand(item);
        const std::string name = upper(parts[i]);
        item = child(item, [&](const std::string& t) { return upper(t) == name; }, "\"" + escaped(parts[i]) + "\"");
    }
    select(item);
    return item;
}

}  // namespace robot
