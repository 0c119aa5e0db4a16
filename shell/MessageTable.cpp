#include "shell/MessageTable.h"


#include <stdexcept>

#include "platform/Desktop.h"
#include "ui/Components.h"

namespace shell {

namespace {
// Compiled to GBK bytes.
const char* const kBuiltIn[MessageTable::kCount] = {
    "您要安装《Lunavire》声音认识补丁吗？",
    "提示",
    "声音认识安装完成！",
    "没有找到原版《Lunavire》安装光盘！",
    "请确认您使用的是正版的《Lunavire》！",
    "请插入《Lunavire》安装CD-2！",
    "更换光盘",
    "安装没有完成！",
    "警告",
    "没有找到文件！要手动查找文件所在吗？",
    "错误",
    "请插入《Lunavire》安装CD-3！",
    "恭喜，安装已经完成！",
    "您所选择的安装路径有误！或选择了一个只读介质！",
    "\\Lunavire",
    "请选择《Lunavire》游戏目录",
    "没有发现《Lunavire》游戏文件！",
    "汉化补丁安装成功！请运行KESTAL.EXE开始游戏！",
};

static_assert(static_cast<int>(Msg::PatchInstalled) == MessageTable::kCount - 1, "one name per entry");

struct NamedText {
    const char* key;
    const char* builtIn;  // compiled to GBK bytes
};
const NamedText kTexts[] = {
    {"LeftOut", "安装没有完成！以下文件没有安装："},
    {"LeftOutMore", "……还有 %d 个文件没有安装。"},
    {"VoiceAddOnFailed", "声音认识补丁没有安装完成！"},
    {"ExitCode", "程序结束时返回了错误代码 %d。"},
    // -- resume and room
    {"NoRoom", "安装文件夹所在的磁盘 %1 空间不足：只有 %2 MB 可用，光盘 %3 还需要 %4 MB。"
               "请释放磁盘空间后按“重试”，或按“取消”放弃安装。"},
    // -- uninstall
    {"GameName", "Lunavire 中文版"},
    {"NotRegistered", "游戏已经安装，但是没有登记到 Windows 的程序列表中："},
    {"UninstallTitle", "卸载《Lunavire》中文版"},
    {"UninstallQuestion", "您要卸载什么？"},
    {"UninstallPatchButton", "只卸载汉化补丁"},
    {"UninstallPatchText", "恢复日文原版的游戏文件，删除汉化补丁的快捷方式和说明。游戏留在电脑上。"},
    {"UninstallGameButton", "卸载整个游戏"},
    {"UninstallGameText", "删除安装程序和汉化补丁写入的所有文件、开始菜单中的快捷方式和程序列表中的登记。您自己放进游戏文件夹的文件保留。"},
    {"UninstallCancel", "取消"},
    {"UninstallSaves", "是否同时删除您的存档（save 文件夹）？选择“是”删除存档，选择“否”保留存档，选择“取消”不卸载。"},
    {"UninstallRemoving", "正在删除："},
    {"UninstallRestoring", "正在恢复："},
    {"UninstallGameDone", "《Lunavire》已经卸载。"},
    {"UninstallKept", "以下文件夹保留（里面有您的存档或您自己的文件）："},
    {"UninstallLeftOver", "以下文件没有删除。关闭使用它们的程序以后，可以再次卸载："},
    {"UninstallAtRestart", "以下文件将在下次启动 Windows 时删除："},
    {"UninstallPatchDone", "汉化补丁已经卸载，以下日文原版文件已经恢复："},
    {"UninstallPatchRemoved", "以下汉化补丁的文件和快捷方式已经删除："},
    {"UninstallNoOriginals", "没有找到汉化补丁保存的日文原版文件，无法恢复。没有做任何更改。"},
    {"UninstallNoPatch", "这个游戏没有安装汉化补丁。没有做任何更改。"},
    {"RecordMissing", "找不到卸载记录，无法卸载。没有删除任何文件。"},
    {"RecordDamaged", "卸载记录已经损坏，无法卸载。没有删除任何文件。"},
    {"RecordOutside", "卸载记录中有游戏文件夹以外的文件，为了安全没有卸载。没有删除任何文件。"},
    {"RecordUnsafeFolder", "游戏文件夹是驱动器的根目录或 Windows 文件夹，为了安全没有卸载。没有删除任何文件。"},
    {"UninstallIncomplete", "《Lunavire》没有完全卸载。卸载程序和程序列表中的登记保留，关闭使用这些文件的程序以后可以再次卸载。以下内容还在："},
    {"UninstallMore", "……还有 %d 项。"},
    {"UninstallLinksKept", "以下链接指向游戏文件夹以外，原样保留，其中的内容没有动："},
    {"UninstallIgnored", "卸载记录中的以下各行指向游戏文件夹以外，为了安全已被忽略："},
    {"UninstallRecordDamaged", "卸载记录有一部分已经损坏：只删除了还能读出的记录所列的文件。游戏文件夹中可能还有游戏的文件。"},
    {"UnsafeInstallFolder", "不能安装到驱动器的根目录或 Windows 文件夹中，因为卸载程序不能删除这样的安装。请选择其他文件夹。"},
    // -- end uninstall
    {"Usage",
     "用法：\\n"
     "Setup.exe /S [/DIR=文件夹] [/SOURCE=文件夹 或 /SOURCE=光盘1;光盘2;光盘3] [/PATCH=simplified|traditional] [/VOICE] [/NOSHORTCUTS] [/LOG=文件]\\n"
     "  /S　无人值守安装：不显示窗口，不提问，每个问题按规则回答并写入记录\\n"
     "  /DIR　安装文件夹（默认 C:\\Lunavire）；只装补丁时为已安装游戏的文件夹\\n"
     "  /SOURCE　光盘副本所在的文件夹（子文件夹 DISC1、DISC2、DISC3），或用分号分开的每张光盘的文件夹；不指定时在光驱中查找\\n"
     "  /PATCH　安装后应用简体（simplified）或繁体（traditional）中文化补丁\\n"
     "  /VOICE　安装声音认识补丁\\n"
     "  /NOSHORTCUTS　不在开始菜单中建立快捷方式\\n"
     "  /LOG　运行记录同时写入这个文件\\n"
     "Uninstall.exe /uninstall /S [/PATCHONLY] [/REMOVESAVES]\\n"
     "  无人值守卸载；/PATCHONLY 只卸载汉化补丁；/REMOVESAVES 同时删除存档\\n"
     "Uninstall.exe /verify [/S] [/LOG=文件]\\n"
     "  检查游戏的每个文件，不做任何改动\\n"
     "Uninstall.exe /repair [/S] [/SOURCE=文件夹] [/LOG=文件]\\n"
     "  从光盘和汉化补丁恢复损坏或丢失的文件\\n"
     "退出代码：0 完成；1 输入被拒绝；2 缺少光盘；3 磁盘空间不足；4 有文件没能复制或删除；5 已取消；6 程序已经在运行；7 显示了用法；8 有文件损坏或丢失"},
    {"PatchName", "《Lunavire》中文化补丁"},
    {"PatchNotRegistered", "汉化补丁已经安装，但是没有登记到 Windows 的程序列表中："},
    {"ShortcutNotMade", "没能在开始菜单中建立游戏的快捷方式："},
    {"LinkedFile", "%1 是指向另一个文件的链接。安装程序不替换也不删除链接所指的文件，所以没有做任何改动。"},
    // -- checking and repairing
    {"CheckButton", "检查游戏文件"},
    {"RepairButton", "修复游戏文件"},
    {"Checking", "正在检查（%1/%2 个文件，%3/%4 MB）："},
    {"Repairing", "正在修复（%1/%2 个文件）："},
    {"AllIntact", "游戏的 %d 个文件都完好。"},
    {"FilesDamaged", "以下文件已经损坏："},
    {"FilesMissing", "以下文件不见了："},
    {"FilesUnreadable", "以下文件无法读取（可能正被其他程序使用）："},
    {"FilesUnchecked", "以下文件无法检查，因为找不到它们所在的光盘："},
    {"RepairHint", "选择“修复游戏文件”可以从光盘和汉化补丁恢复它们。"},
    {"FilesRepaired", "以下文件已经修复："},
    {"NotRepaired", "以下文件没能修复："},
    {"RepairNoRoom", "驱动器 %1 空间不足：只有 %2 MB 可用，修复需要 %3 MB。请释放磁盘空间后按“重试”，或按“取消”放弃修复。"},
};

static_assert(std::size(kTexts) == MessageTable::kTextCount, "one name per text");

std::size_t textIndex(Text t) {
    const auto i = static_cast<std::size_t>(t);
    if (i >= std::size(kTexts)) throw std::out_of_range("text " + std::to_string(i));
    return i;
}

void checkIndex(int index) {
    if (index < 0 || index >= MessageTable::kCount)
        throw std::out_of_range("message index " + std::to_string(index));
}
}  // namespace

MessageTable::MessageTable() {
    for (int i = 0; i < kCount; ++i) entries_[static_cast<std::size_t>(i)] = kBuiltIn[i];
    for (std::size_t i = 0; i < texts_.size(); ++i) texts_[i] = kTexts[i].builtIn;
}

std::string MessageTable::get(Text t) const { return texts_[textIndex(t)]; }
void MessageTable::put(Text t, const std::string& text) { texts_[textIndex(t)] = text; }
const char* MessageTable::key(Text t) { return kTexts[textIndex(t)].key; }
const char* MessageTable::builtIn(Text t) { return kTexts[textIndex(t)].builtIn; }

std::string formatCount(const std::string& text, std::size_t n) {
    const std::size_t at = text.find("%d");
    if (at == std::string::npos) return text;
    return text.substr(0, at) + std::to_string(n) + text.substr(at + 2);
}

std::string formatText(const std::string& text, const std::vector<std::string>& values) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t n = i + 1 < text.size() && text[i] == '%' ? static_cast<std::size_t>(text[i + 1] - '0') : 0;
        if (n >= 1 && n <= 9 && n <= values.size()) {
            out += values[n - 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

const char* MessageTable::builtIn(int index) {
    checkIndex(index);
    return kBuiltIn[index];
}

std::string MessageTable::get(int index) const {
    checkIndex(index);
    return entries_[static_cast<std::size_t>(index)];
}

void MessageTable::put(int index, const std::string& text) {
    checkIndex(index);
    entries_[static_cast<std::size_t>(index)] = text;
}

}  // namespace shell
