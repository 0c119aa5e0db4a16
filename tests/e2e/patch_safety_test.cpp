// What a patch run of Setup.exe must never do, end to end under Wine: act on
// a folder other than the chosen one, leave a file half written or a game
// half patched, report shortcuts that were not made, or let the start-up
// language undo the player's choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/PatchSession.h"

namespace e2e {
namespace {

using namespace robot;

TEST_F(Patch936, OfTwoLongSiblingFoldersTheChosenOneIsPatched) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    removeShortcuts(kSimplifiedEdition);
    closeReadmeNotepads();

    // Two game folders side by side whose names differ in their last
    // character only, past byte 260 of their paths: a path read into
    // MAX_PATH bytes would make them one.
    std::wstring stem;
    for (int i = 0; i < 30; ++i) stem += L"浅水";
    const std::string parent = makeFolder(ansi(stem));
    const std::string first = makeFolder(ansi(stem + L"\\" + stem.substr(1) + L"甲"));
    const std::string second = makeFolder(ansi(stem + L"\\" + stem.substr(1) + L"乙"));
    ASSERT_GT(second.size() - 2, 260u) << "the two paths part after byte 260";
    ASSERT_EQ(first.substr(0, first.size() - 2), second.substr(0, second.size() - 2));
    ASSERT_LE(units(second + "\\CVandry.exe"), 259u) << "yet every file of the patch fits the file calls";
    for (const std::string& game : {first, second}) writeFile(game + "\\Vandry.exe", "stand-in for the game");

    const Edition edition{"GB_", "long-folder", kSimplifiedEdition.shortcutWords, nullptr};
    runPatch(edition, LanguageFileBytes(shippedLanguage(kSimplified)), second);
    EXPECT_EQ(folderEntries(first), std::vector<std::string>{"Vandry.exe"}) << "the other folder is untouched";
    EXPECT_EQ(folderEntries(parent).size(), 2u);
}

TEST_F(Patch936, AFolderTooLongForTheGameFilesIsRefusedWithTheSystemsTextAndNothingWritten) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();

    // 259 UTF-16 units is the longest path the file calls take.
    struct Row {
        std::size_t length;  // of the game folder
        const char* tooLong;  // the first file that does not fit
        bool progressShown;
    } rows[] = {
        {249, "\\Vandry.exe", false},  // even the game's own file is 260 long
        {248, "\\CVandry.exe", true},  // Vandry.exe fits, the patch's CVandry.exe not
    };
    // All made before the picker first opens: its tree reads a folder once.
    std::map<std::size_t, std::string> games;
    for (const Row& r : rows) {
        const std::string game = makeFolderOfLength(makeFolder(std::to_string(r.length)), r.length);
        ASSERT_EQ(units(game), r.length);
        writeFileWide(game + "\\Vandry.exe", "stand-in for the game");
        games[r.length] = game;
    }
    HWND progress = form("TForm4");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.length);
        const std::string& game = games[r.length];
        pickGameFolder(game, texts.get("msgs", "msgs15"), texts.get("msgs", "msgs1"));
        Box error = waitForMessageBox(process_, kRunTimeout);
        EXPECT_EQ(isVisible(progress), r.progressShown)
            << (r.progressShown ? "refused by the checks before the first file" : "refused before the patch starts");
        EXPECT_EQ(escaped(error.text), escaped(systemErrorText(ERROR_FILENAME_EXCED_RANGE, game + r.tooLong)))
            << "the system's text for a name too long, and the path";
        closeErrorAndExpectNothingMore(error);
        EXPECT_EQ(folderEntries(game), std::vector<std::string>{"Vandry.exe"}) << "nothing is written";
    }
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "no shortcut is made or replaced";
}

TEST_F(Patch936, AMainArchiveHeldOpenByAnotherProgramReplacesNothing) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();

    // An earlier installation, its main archive open in the game.
    const std::string game = makeGameFolder(kSimplifiedEdition);
    for (const Written& w : kWritten) writeFile(game + "\\" + w.file, oldBytes(4096, w.file));
    const auto before = filesOf(game);
    const std::string archive = game + "\\GAME00.DAT";
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << "the game holds GAME00.DAT without sharing";

    Box error = patchUntilError(game, texts);
    EXPECT_EQ(escaped(error.text), escaped(systemErrorText(ERROR_SHARING_VIOLATION, archive)))
        << "the system's text for a file in use, and the file";
    closeErrorAndExpectNothingMore(error);
    CloseHandle(held);

    EXPECT_TRUE(filesOf(game) == before) << "every file is the old one, byte for byte, and no other is there";
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "no shortcut is made or replaced";
}

// Puts a file named Lunavire in place of the Start menu's folder, and the
// folder back afterwards.
class BlockedStartMenu {
public:
    BlockedStartMenu() : folder_(lunavireMenu()), aside_(folder_ + "-e2e-aside") {
        if (GetFileAttributesA(folder_.c_str()) != INVALID_FILE_ATTRIBUTES &&
            !MoveFileA(folder_.c_str(), aside_.c_str()))
            throw Failure("cannot move the Start menu's Lunavire folder aside");
        writeFile(folder_, "in the way");
    }
    ~BlockedStartMenu() {
        DeleteFileA(folder_.c_str());
        MoveFileA(aside_.c_str(), folder_.c_str());
    }
    BlockedStartMenu(const BlockedStartMenu&) = delete;
    BlockedStartMenu& operator=(const BlockedStartMenu&) = delete;
    const std::string& path() const { return folder_; }

private:
    std::string folder_, aside_;
};

TEST_F(Patch936, AStartMenuFolderThatCannotBeMadeIsReportedOnceTheFilesAreInPlace) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    startSimplified();
    const LanguageFileBytes texts(shippedLanguage(kSimplified));
    const std::string game = makeGameFolder(kSimplifiedEdition);
    closeReadmeNotepads();
    BlockedStartMenu blocked;

    Box error = patchUntilError(game, texts);
    EXPECT_EQ(escaped(error.text), escaped(systemErrorText(ERROR_ALREADY_EXISTS, blocked.path())))
        << "the error box says why the shortcuts are missing, instead of message 17";
    EXPECT_NE(escaped(error.text), escaped(texts.get("msgs", "msgs17")));
    closeErrorAndExpectNothingMore(error);

    for (const Written& w : kWritten) {
        SCOPED_TRACE(w.file);
        EXPECT_TRUE(readFile(game + "\\" + w.file) == payload("GB_", w.payload))
            << "the patch's files are all in place, whole";
    }
    EXPECT_EQ(folderEntries(game).size(), 8u)
        << "Vandry.exe, the five files, the run's log and the record's folder, no temporary file";
    EXPECT_EQ(readFile(blocked.path()), "in the way") << "the player's file is left alone";
}

TEST_F(Patch936, ThePlayersLanguageStandsWhileTheDetectedFileKeepsFailing) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    // The detected Simplified file with a font size that is no number: the
    // start timer's every tick selects it and fails.
    std::string broken = shippedLanguage(kSimplified);
    const std::size_t size = broken.find("Size=", broken.find("[fontset]"));
    ASSERT_NE(size, std::string::npos);
    broken.replace(size, broken.find_first_of("\r\n", size) - size, "Size=abc");
    writeFile(folder_ + "\\" + ansi(kSimplified) + ".ini", broken);
    addShippedLanguage(kTraditional);
    association_ = std::make_unique<Gb2312Association>(true);
    start();

    const std::string simplified = ansi(kSimplified), traditional = ansi(kTraditional);
    EXPECT_TRUE(waitUntil(kStartLanguageTimeout, [&] { return selectedLanguage() == simplified; }))
        << "the start timer selects the detected language";
    EXPECT_EQ(escaped(textOf(control("Memo1"))), escaped(noticeAsShown(payload("TXT", "LINCE1"))))
        << "the Simplified notice is shown while the start-up keeps failing";
    EXPECT_TRUE(topLevelWindows(process_.id(), "#32770", true).empty()) << "its failures are not shown";

    chooseLanguage(traditional);
    // Under code page 936 the Big5 texts show as this code page reads them.
    const LanguageFileBytes texts(asShownHere(shippedLanguage(kTraditional)));
    waitForText(control("Memo1"), asShownHere(noticeAsShown(payload("TXT", "LINCE2"))));
    waitForText(main_, texts.get("window1", "title"));
    // Three seconds: three ticks of the start timer, had it gone on.  The
    // program must have had them: it takes a mark in its event loop after
    // them, and WM_TIMER comes whenever that loop finds nothing else.
    EXPECT_FALSE(waitUntil(3000, [&] { return selectedLanguage() != traditional; }))
        << "the list keeps the player's choice";
    waitForIdle(main_);
    waitForIdle(main_);
    EXPECT_EQ(escaped(selectedLanguage()), escaped(traditional)) << "the list keeps the player's choice";
    EXPECT_EQ(escaped(textOf(main_)), escaped(texts.get("window1", "title"))) << "and the Traditional titles";

    const std::string game = makeGameFolder(kTraditionalEdition);
    removeShortcuts(kTraditionalEdition);
    closeReadmeNotepads();
    const Edition edition{"BIG", "traditional-936", kTraditionalEdition.shortcutWords, nullptr};
    runPatch(edition, texts, game);
}

// A game on a disk too small for the patch: a tmpfs that small-disk.sh
// mounts and names in LUNAVIRE_SMALL_DISK.
class SmallDisk936 : public PatchTest {};

TEST_F(SmallDisk936, TooLittleRoomLeavesTheOldArchiveWholeAndNoTemporaryFile) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    char disk[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("LUNAVIRE_SMALL_DISK", disk, MAX_PATH), 0u)
        << "run by small-disk.sh, which mounts the small disk";
    const std::string game = std::string(disk) + "\\game";
    removeTree(game);
    ASSERT_TRUE(CreateDirectoryA(game.c_str(), nullptr)) << game;
    writeFile(game + "\\Vandry.exe", "stand-in for the game");
    const std::string archive = oldBytes(100 * 1024, "game01.dat");
    writeFile(game + "\\game01.dat", archive);
    ULARGE_INTEGER freeBefore{}, freeAfter{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(game.c_str(), &freeBefore, nullptr, nullptr));
    std::size_t needed = 0;
    for (const Written& w : kWritten) needed += payload("GB_", w.payload).size();
    std::printf("small disk: %llu KB free beside Vandry.exe and a 100 KB game01.dat; the five new files are %zu KB\n",
                static_cast<unsigned long long>(freeBefore.QuadPart / 1024), needed / 1024);
    ASSERT_LT(freeBefore.QuadPart, needed) << "the disk is too small for the patch";

    startSimplified();
    const std::vector<std::string> shortcutsBefore = shortcutFolderState();
    Box error = patchUntilError(game, LanguageFileBytes(shippedLanguage(kSimplified)));
    EXPECT_EQ(escaped(error.text), escaped(systemErrorText(ERROR_DISK_FULL, game)))
        << "the system's text for a full disk, and the folder";
    closeErrorAndExpectNothingMore(error);

    EXPECT_TRUE(readFile(game + "\\game01.dat") == archive) << "game01.dat is the old 100 KB, byte for byte";
    std::vector<std::string> entries = folderEntries(game);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"Vandry.exe", "game01.dat"})) << "no file is added, no temporary one";
    ASSERT_TRUE(GetDiskFreeSpaceExA(game.c_str(), &freeAfter, nullptr, nullptr));
    EXPECT_EQ(freeAfter.QuadPart, freeBefore.QuadPart) << "the disk is as it was";
    EXPECT_EQ(shortcutFolderState(), shortcutsBefore) << "no shortcut is made";
    removeTree(game);
}

}  // namespace
}  // namespace e2e
