// The folder picker of Setup.exe (TForm3), reached through the patch action:
// a tree of the shell namespace rooted at My Computer, with the drives and
// their folders and the shell's icons, which keeps its selection from one
// showing to the next.  Driven from outside through the tree's messages.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <set>
#include <string>

#include "tests/e2e/Session.h"
#include "tests/e2e/robot/Tree.h"

namespace e2e {
namespace {

using namespace robot;

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// My Computer's name as the shell gives it to this process.
std::string myComputerName() {
    ITEMIDLIST* pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pidl))) throw Failure("no My Computer");
    SHFILEINFOA info{};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
    CoTaskMemFree(pidl);
    return info.szDisplayName;
}

// The folders of C:\ that a folder tree lists: neither hidden nor system.
std::set<std::string> visibleFoldersOfC() {
    std::set<std::string> names;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA("C:\\*", &d);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = d.cFileName;
        if (n == "." || n == ".." || !(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (d.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        names.insert(upper(n));
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return names;
}

class FolderPicker936 : public SetupSession {};

TEST_F(FolderPicker936, ShowsDrivesAndFoldersWithIconsAndKeepsItsSelection) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    addShippedLanguage(kSimplified);
    Gb2312Association simplifiedSystem(true);
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    start();
    waitForStartLanguage(noticeAsShown(payload("TXT", "LINCE1")));

    click(control("Button3"));
    pressButton(waitForMessageBox(process_), IDOK);
    HWND picker = waitForWindow(process_, "TForm3");
    EXPECT_EQ(escaped(textOf(picker)), escaped(texts.get("window3", "title")));
    RemoteTree tree(waitForControl(picker, "ShellTreeView1"));

    const HTREEITEM root = tree.root();
    ASSERT_NE(root, nullptr) << "the tree has a root";
    EXPECT_EQ(escaped(tree.text(root)), escaped(myComputerName())) << "the root is My Computer";
    EXPECT_TRUE(tree.expanded(root)) << "and it comes up open";
    EXPECT_NE(tree.imageList(), nullptr) << "the tree draws the shell's icons";
    EXPECT_GE(tree.image(root), 0) << "My Computer has its icon";

    // Every drive of the system is there, with an icon.
    int driveIcon = -1;
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!(drives & (1u << (letter - 'A')))) continue;
        const std::string drive = std::string(1, letter) + ":";
        HTREEITEM item = tree.child(
            root, [&](const std::string& t) { return t.find("(" + drive + ")") != std::string::npos; },
            "for drive " + drive);
        EXPECT_GE(tree.image(item), 0) << drive << " has an icon";
        if (letter == 'C') driveIcon = tree.image(item);
    }

    // Drive C: opens on its folders (folders only), each with a folder icon.
    HTREEITEM c = tree.child(root, [](const std::string& t) { return t.find("(C:)") != std::string::npos; }, "C:");
    tree.expand(c);
    std::set<std::string> shown;
    for (HTREEITEM f : tree.children(c)) {
        shown.insert(upper(tree.text(f)));
        EXPECT_GE(tree.image(f), 0) << tree.text(f) << " has an icon";
        EXPECT_NE(tree.image(f), driveIcon) << tree.text(f) << " shows a folder's icon, not a drive's";
    }
    EXPECT_EQ(shown, visibleFoldersOfC()) << "C: lists its folders";
    settle(picker);
    saveScreenshot(picker, artifactPath("folder-picker-drives.bmp"));

    // Choose a folder without the game: the patch refuses it.
    const std::string chosen = makeFolder("chosen");
    tree.selectPath(chosen);
    settle(picker);
    saveScreenshot(picker, artifactPath("folder-picker-chosen.bmp"));
    click(waitForControl(picker, "Button1"));
    Box refused = waitForMessageBox(process_);
    EXPECT_EQ(escaped(refused.text), escaped(texts.get("msgs", "msgs16")));
    pressButton(refused, IDOK);

    // The next showing starts where the last one ended.
    click(control("Button3"));
    pressButton(waitForMessageBox(process_), IDOK);
    waitForWindow(process_, "TForm3");
    ASSERT_NE(tree.selection(), nullptr) << "the tree keeps a selection";
    EXPECT_EQ(upper(tree.text(tree.selection())), "CHOSEN") << "the previous choice is still selected";
    click(waitForControl(picker, "Button1"));
    refused = waitForMessageBox(process_);
    EXPECT_EQ(escaped(refused.text), escaped(texts.get("msgs", "msgs16")))
        << "closing with the kept selection goes on with that folder";
    pressButton(refused, IDOK);
}

}  // namespace
}  // namespace e2e
