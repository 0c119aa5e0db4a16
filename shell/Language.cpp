#include "shell/Language.h"

#include "payload/Payload.h"
#include "platform/Platform.h"
#include "shell/Paths.h"
#include "shell/Program.h"

namespace shell {

// Compiled to GBK bytes.
const char* const kSimplified = "简体中文";
const char* const kTraditional = "繁體中文";

namespace {

const char kFontAssocKey[] = "System\\CurrentControlSet\\Control\\fontassoc\\Associated CharSet";
const char kGb2312Value[] = "GB2312(86)";

// Window titles go back to these when a file does not set them.
const char kTitle1[] = "Lunavire 中文安装程序&汉化补丁 简繁双语版 由《Lunavire》中文化委员会制作";
const char kTitle2[] = "Lunavire安装程序 FOR XP 《Lunavire》中文化委员会制作";
const char kTitle3[] = "查找路径";
const char kTitle4[] = "《Lunavire》汉化补丁安装";

std::string programFolder() { return extractFilePath(plat::platform().programPath()); }

// The name without its extension: up to the last full stop after the last
// path delimiter.
std::string withoutExtension(const std::string& name) {
    std::size_t dot = std::string::npos;
    std::size_t delim = lastDelimiter(name);
    auto& p = plat::platform();
    for (std::size_t i = delim == std::string::npos ? 0 : delim + 1; i < name.size();) {
        if (i + 1 < name.size() && p.isDbcsLeadByte(static_cast<unsigned char>(name[i]))) {
            i += 2;
            continue;
        }
        if (name[i] == '.') dot = i;
        ++i;
    }
    return dot == std::string::npos ? name : name.substr(0, dot);
}

class LanguageFile {
public:
    explicit LanguageFile(std::string path) : path_(std::move(path)) {}
    std::string read(const char* section, const std::string& key, const std::string& def) const {
        return plat::platform().profileString(path_, section, key, def);
    }

private:
    std::string path_;
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

}  // namespace

std::vector<std::string> findLanguageFiles() {
    std::vector<std::string> names;
    plat::FindData entry;
    auto search = plat::platform().findFirst(programFolder() + "*.ini", entry);
    if (!search) return names;
    do {
        // Every attribute counts (the mask 0x3F takes folders, hidden and system entries).
        if (ansiUpperCase(entry.name) != "AUTORUN.INI") names.push_back(withoutExtension(entry.name));
    } while (search->next(entry));
    return names;
}

std::string detectLanguage() {
    // Reading is all the detection needs; asking for more fails for users who
    // may not write under HKEY_LOCAL_MACHINE.
    bool simplified = plat::platform().registryValueExists(plat::RootKey::LocalMachine, kFontAssocKey,
                                                           kGb2312Value, plat::access::Read);
    std::string name = simplified ? kSimplified : kTraditional;
    // Select the entry that names the detected language, wherever the listing put it.
    int index = -1;
    const auto& items = Form1->ComboBox1->items();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == name) {
            index = static_cast<int>(i);
            break;
        }
    Form1->ComboBox1->setItemIndex(index);
    return name;
}

void applyLanguage(const std::string& name) {
    // The notice goes straight from the payload into the memo: no file.
    std::string notice = payload::payloadBytes(name == kSimplified ? "lince1" : "lince2", "txt");
    Form1->Memo1->clear();
    Form1->Memo1->loadText(notice);

    LanguageFile f(programFolder() + name + ".ini");
    for (ui::Form* form : {static_cast<ui::Form*>(Form1), static_cast<ui::Form*>(Form2),
                           static_cast<ui::Form*>(Form3), static_cast<ui::Form*>(Form4)})
        applyFonts(f, *form);

    using ui::Kind;
    applyWindow(f, "window1", kTitle1, *Form1, {Kind::Button}, false);
    applyWindow(f, "window2", kTitle2, *Form2, {Kind::Button, Kind::GroupBox, Kind::Label}, true);
    applyWindow(f, "window3", kTitle3, *Form3, {Kind::Button}, false);
    applyWindow(f, "window4", kTitle4, *Form4, {}, false);

    auto& messages = Form1->messages;
    for (int i = 0; i < messages.count(); ++i)
        messages.put(i, f.read("msgs", "msgs" + std::to_string(i), messages.get(i)));
}

}  // namespace shell
