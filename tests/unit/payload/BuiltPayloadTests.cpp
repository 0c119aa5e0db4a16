// The payloads this build packed: each container inflates to its file, and
// the generated stand-ins have the sizes and the shape the installer's
// callers expect.
#include <gtest/gtest.h>
#include <iconv.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "payload/Payload.h"

namespace {

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot open " + path);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<std::string> packed() {
    std::vector<std::string> out;
    std::stringstream list(LUNAVIRE_PAYLOADS_PACKED);
    for (std::string p; std::getline(list, p, ';');) out.push_back(p);
    return out;
}

std::string inflated(const std::string& payload) {
    std::string c = slurp(std::string(LUNAVIRE_PAYLOAD_CONTAINERS) + "/" + payload + ".lvz");
    std::vector<std::uint8_t> buffer(c.begin(), c.end());
    payload::inflateInPlace(buffer);
    return std::string(buffer.begin(), buffer.end());
}

TEST(BuiltPayloads, EveryContainerInflatesToItsFile) {
    ASSERT_FALSE(packed().empty());
    for (const std::string& p : packed()) {
        std::string file = slurp(std::string(LUNAVIRE_PAYLOAD_FILES) + "/" + p);
        std::string got = inflated(p);
        EXPECT_EQ(got.size(), file.size()) << p;
        EXPECT_TRUE(got == file) << p;
    }
}

#if LUNAVIRE_STANDIN_PAYLOADS
// Text in a legacy charset to UTF-8; empty when it does not convert.
std::string toUtf8(const std::string& bytes, const char* charset) {
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in = bytes, out(bytes.size() * 3, '\0');
    char* src = &in[0];
    char* dst = &out[0];
    std::size_t inLeft = in.size(), outLeft = out.size();
    std::size_t r = iconv(cd, &src, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
}

// The inflated sizes of the real payloads; the stand-ins keep them.
const std::map<std::string, std::size_t> kSizes = {
    {"GB_/GAME00", 9718716}, {"GB_/GAME01", 1884521}, {"GB_/KESTAL", 242176}, {"GB_/CVANDRY", 614400},
    {"GB_/README", 8550},    {"BIG/GAME01", 1924120}, {"BIG/KESTAL", 246784}, {"BIG/CVANDRY", 614400},
    {"BIG/README", 8551},    {"EX0/SOUNDS", 1972443}, {"EX0/SOUND1", 572659}, {"RE0/REG000", 1928},
    {"TXT/LINCE1", 1571},    {"TXT/LINCE2", 1506},
};

TEST(StandIns, KeepTheRealPayloadsSizes) {
    for (const std::string& p : packed()) {
        ASSERT_EQ(kSizes.count(p), 1u) << p;
        EXPECT_EQ(inflated(p).size(), kSizes.at(p)) << p;
    }
}

TEST(StandIns, TextsAreInTheirEditionsCharsetWithCrLfLines) {
    struct {
        const char* payload;
        const char* charset;
        const char* mustContain;
    } texts[] = {
        {"TXT/LINCE1", "GBK", "《月之彼岸 Lunavire》中文版 使用须知"},
        {"TXT/LINCE2", "BIG5", "《月之彼岸 Lunavire》中文版 使用須知"},
        {"GB_/README", "GBK", "说明文件（简体中文）"},
        {"BIG/README", "BIG5", "說明檔案（繁體中文）"},
        {"RE0/REG000", "ASCII", "[HKEY_LOCAL_MACHINE\\Software\\Lunavire]\r\n\"VoiceAddOn\"=\"stand-in\"\r\n"},
    };
    for (auto& t : texts) {
        std::string bytes = inflated(t.payload);
        std::string utf8 = toUtf8(bytes, t.charset);
        EXPECT_NE(utf8.find(t.mustContain), std::string::npos) << t.payload << " in " << t.charset;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << t.payload << ": bare LF at " << i;
            }
        }
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << t.payload << " ends with a line end";
    }
    EXPECT_EQ(inflated("RE0/REG000").rfind("REGEDIT4\r\n", 0), 0u) << "the registry editor wants this first";
}

TEST(StandIns, ArchivesCompressLikeTheRealOnes) {
    // The real main archive packs 9718716 bytes into about 6.5 MB.
    for (const char* p : {"GB_/GAME00", "GB_/GAME01", "BIG/GAME01"}) {
        std::string c = slurp(std::string(LUNAVIRE_PAYLOAD_CONTAINERS) + "/" + p + ".lvz");
        double ratio = static_cast<double>(c.size()) / static_cast<double>(kSizes.at(p));
        EXPECT_GT(ratio, 0.60) << p;
        EXPECT_LT(ratio, 0.72) << p;
        EXPECT_EQ(inflated(p).substr(0, 4), "LVAR") << p;
    }
}
#endif

}  // namespace
