// Language files: INI files beside the program, one per language, named
// after the language.  Applying one relocalises all four windows and the
// message table; the list's text also decides the patch edition.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "shell/MessageTable.h"
#include "ui/Components.h"

namespace shell {

// The two built-in language names (GBK bytes).
extern const char* const kSimplified;   // 简体中文
extern const char* const kTraditional;  // 繁體中文

// Names of the "*.ini" entries of the program's own folder, in the order the
// listing returns them, without extension; AutoRun.ini is not a language.
std::vector<std::string> findLanguageFiles();

// The system's Chinese variant from its font association: Simplified when the
// GB2312 character set is associated, Traditional otherwise.  Selects the list
// entry of that name (none when the list lacks it).
std::string detectLanguage(ui::ComboBox& list);
// The same without a list.
std::string detectedLanguage();

// What applying a language changes.  The windows come in the order of their
// sections: window1 (main) to window4 (patch progress).
struct Localised {
    ui::Memo& notice;
    MessageTable& messages;
    std::array<ui::Form*, 4> windows;
};

// Relocalises the windows and the message table from the language's file;
// the notice of its edition goes into the memo.  Raises base::Error when the
// notice payload fails or a font number is not an integer.
void applyLanguage(const std::string& name, const Localised& to);

// A window of its own and the message table from a language file given by
// its path (the uninstaller's, which lies beside the record): the fonts and
// the msgs section.  Raises as applyLanguage does for a font number.
void applyLanguageFile(const std::string& file, MessageTable& messages, ui::Form& window);

// The message table alone from a language file given by its path: a run
// without windows.
void loadMessages(const std::string& file, MessageTable& messages);
// The system's language (detectedLanguage) as the files beside the program
// spell it, found by its name in Unicode: under code page 950 the
// Traditional file's name has other bytes than the built-in name's.  The
// built-in name when no file has it.  And that language's file.
std::string detectedLanguageByFile();
std::string detectedLanguageFile();

// Integer syntax of the language files: leading blanks, an optional sign and
// decimal digits, or hexadecimal after "$", "x" or "0x".  Raises
// "'%s' is not a valid integer value".
int strToInt(const std::string& text);

}  // namespace shell
