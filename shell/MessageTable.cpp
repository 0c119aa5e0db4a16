#include "shell/MessageTable.h"

#include <stdexcept>

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

void checkIndex(int index) {
    if (index < 0 || index >= MessageTable::kCount)
        throw std::out_of_range("message index " + std::to_string(index));
}
}  // namespace

MessageTable::MessageTable() {
    for (int i = 0; i < kCount; ++i) entries_[static_cast<std::size_t>(i)] = kBuiltIn[i];
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

plat::Answer showMessage(const std::string& text, const std::string& caption, MsgKind kind) {
    return ui::app().messageBox(text, caption, static_cast<std::uint32_t>(kind));
}

}  // namespace shell
