#include "shell/Language.h"

#include "payload/Payload.h"
#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Program.h"
#include "platform/Registry.h"

namespace shell {

// Compiled to GBK bytes.
const char* const kSimplified = "简体中文";
const char* const kTraditional = "繁體中文";

namespace {

const char kFontAssocKey[] = "System\\CurrentControlSet\\Control\\fontassoc\\Associated CharSet";
const char kGb2312Value[] = "GB2312(86)";

// A file without a title gives a window its built-in caption; the main
// window's is the one exception, with the "由" its built-in caption lacks.
const char kMainTitle[] = "Lunavire 中文安装程序&汉化补丁 简繁双语版 由《Lunavire》中文化委员会制作";

plat::Path programFolder() { return plat::Path(plat::program().programPath()).parent(); }

class LanguageFile {
public:
    explicit LanguageFile(const std::string& path) : path_(path) {}
    std::string read(const char* section, const std::string& key, const std::string& def) const {
        return plat::files().profileString(path_, section, key, def);
    }

private:
    plat::Path path_;
};

void applyFonts(const LanguageFile& f, ui::Form& form) {
    form.setFontName(f.read("fontset", "name", "MS Sans Serif"));
    form.setFontCharset(strToInt(f.read("fontset", "Charset", "134")));
    form.setFontSize(strToInt(f.read("fontset", "Size", "9")));
}

void applyCaption(const LanguageFile& f, const char* section, ui::Control& c) {
    c.setText(f.read(section, c.name() + ".Caption", c.text()));
    c.setHint(f.read(section, c.name() + ".Hint", c.hint()));
}

// Captions and hints of the window's controls of the given kinds; edit
// fields take their text instead.
void applyWindow(const LanguageFile& f, const char* section, const char* title, ui::Form& form,
                 std::initializer_list<ui::Kind> captioned, bool edits) {
    if (!title) title = form.definition()->caption;
    for (ui::Component* c : form.components()) {
        form.setText(f.read(section, "title", title));
        auto* ctl = dynamic_cast<ui::Control*>(c);
        if (!ctl) continue;
        for (ui::Kind k : captioned)
            if (c->kind() == k) applyCaption(f, section, *ctl);
        if (edits && c->kind() == ui::Kind::Edit) {
            ctl->setText(f.read(section, c->name() + ".text", ctl->text()));
            ctl->setHint(f.read(section, c->name() + ".Hint", ctl->hint()));
        }
    }
}

void applyMessages(const LanguageFile& f, MessageTable& messages) {
    for (int i = 0; i < messages.count(); ++i)
        messages.put(i, f.read("msgs", "msgs" + std::to_string(i), messages.get(i)));
    for (int i = 0; i < MessageTable::kTextCount; ++i) {
        const auto t = static_cast<Text>(i);
        messages.put(t, f.read("msgs", MessageTable::key(t), messages.get(t)));
    }
}

}  // namespace

std::vector<std::string> findLanguageFiles() {
    std::vector<std::string> names;
    plat::FindData entry;
    auto search = plat::files().firstMatch(programFolder() / "*.ini", entry);
    if (!search) return names;
    do {
        // Every attribute counts (the mask 0x3F takes folders, hidden and system entries).
        if (text::upperCase(entry.name) != "AUTORUN.INI") names.push_back(text::withoutExtension(entry.name));
    } while (search->next(entry));
    return names;
}

std::string detectedLanguage() {
    // Reading is all the detection needs; asking for more fails for users who
    // may not write under HKEY_LOCAL_MACHINE.
    bool simplified = plat::registry().valueExists({plat::RootKey::LocalMachine, plat::RegView::Wow32, kFontAssocKey},
                                                   kGb2312Value);
    return simplified ? kSimplified : kTraditional;
}

std::string detectLanguage(ui::ComboBox& list) {
    const std::string name = detectedLanguage();
    // Select the entry that names the detected language, wherever the listing put it.
    int index = -1;
    const auto& items = list.items();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == name) {
            index = static_cast<int>(i);
            break;
        }
    list.setItemIndex(index);
    return name;
}

void applyLanguage(const std::string& name, const Localised& to) {
    // The notice goes straight from the payload into the memo: no file.
    std::string notice = payload::payloadBytes(name == kSimplified ? "lince1" : "lince2", "txt");
    to.notice.clear();
    to.notice.loadText(notice);

    LanguageFile f((programFolder() / (name + ".ini")).text());
    for (ui::Form* form : to.windows) applyFonts(f, *form);

    using ui::Kind;
    applyWindow(f, "window1", kMainTitle, *to.windows[0], {Kind::Button}, false);
    applyWindow(f, "window2", nullptr, *to.windows[1], {Kind::Button, Kind::GroupBox, Kind::Label}, true);
    applyWindow(f, "window3", nullptr, *to.windows[2], {Kind::Button}, false);
    applyWindow(f, "window4", nullptr, *to.windows[3], {}, false);

    applyMessages(f, to.messages);
}

void applyLanguageFile(const std::string& file, MessageTable& messages, ui::Form& window) {
    LanguageFile f(file);
    applyFonts(f, window);
    applyMessages(f, messages);
}

void loadMessages(const std::string& file, MessageTable& messages) { applyMessages(LanguageFile(file), messages); }

std::string detectedLanguageByFile() {
    const std::string name = detectedLanguage();
    // 简体中文 and 繁體中文 in UTF-8.
    const char* unicode = name == kSimplified ? "\xE7\xAE\x80\xE4\xBD\x93\xE4\xB8\xAD\xE6\x96\x87"
                                              : "\xE7\xB9\x81\xE9\xAB\x94\xE4\xB8\xAD\xE6\x96\x87";
    for (const std::string& file : findLanguageFiles())
        if (plat::program().ansiToUtf8(file) == unicode) return file;
    return name;
}

std::string detectedLanguageFile() { return (programFolder() / (detectedLanguageByFile() + ".ini")).text(); }

}  // namespace shell
