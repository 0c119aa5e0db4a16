#include "platform/sim/ErrorTexts.h"

namespace sim::detail {

namespace {

// Written in UTF-8 and converted to the code page when asked for; each ends
// in CR LF as the system's texts do.
struct Text {
    std::uint32_t code;
    const char* english;
    const char* simplified;
    const char* traditional;
};

const Text kTexts[] = {
    {0, "Success.", "成功。", "成功。"},
    {2, "File not found.", "找不到文件。", "找不到檔案。"},
    {3, "Path not found.", "找不到路径。", "找不到路徑。"},
    {5, "Access denied.", "访问被拒绝。", "存取被拒。"},
    {6, "Invalid handle.", "无效的句柄。", "無效的控制代碼。"},
    {17, "Not same device.", "不是同一驱动器。", "並非相同裝置。"},
    {18, "No more files.", "没有更多文件。", "沒有更多檔案。"},
    {19, "Write protected.", "存在写保护。", "已設定寫入保護。"},
    {21, "Not ready.", "未就绪。", "未就緒。"},
    {32, "Sharing violation.", "共享冲突。", "共享違規。"},
    {38, "End of file.", "文件尾。", "檔案結尾。"},
    {80, "File exists.", "文件已存在。", "檔案已存在。"},
    {87, "Invalid parameter.", "无效参数。", "無效的參數。"},
    {112, "Disk full.", "磁盘满。", "磁碟已滿。"},
    {122, "Insufficient buffer.", "缓冲区不足。", "緩衝區不足。"},
    {123, "Invalid name.", "无效名字。", "無效的名稱。"},
    {145, "Directory is not empty.", "目录非空。", "目錄不是空的。"},
    {183, "File already exists.", "文件已存在。", "檔案已經存在。"},
    {206, "File name is too long.", "文件名过长。", "檔案名稱過長。"},
    {267, "Directory name invalid.", "目录名无效。", "無效的目錄名稱。"},
    {1113, "No Unicode translation.", "没有 Unicode 翻译。", "沒有萬國碼轉譯。"},
    {1813, "Resource type not found.", "找不到资源类型。", "找不到資源類型。"},
    {1814, "Resource name not found.", "找不到资源名称。", "找不到資源名稱。"},
};

}  // namespace

std::string errorText(const CodePage& cp, std::uint32_t code) {
    for (const Text& t : kTexts) {
        if (t.code != code) continue;
        const char* utf8 = cp.number() == 936 ? t.simplified : cp.number() == 950 ? t.traditional : t.english;
        return cp.fromUnicode(utf8ToUtf16(utf8)) + "\r\n";
    }
    return {};
}

}  // namespace sim::detail
