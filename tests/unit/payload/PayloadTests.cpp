#include <gtest/gtest.h>

#include <functional>

#include "base/Error.h"
#include "payload/Payload.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/sim/SimPlatform.h"
#include "tests/support/Containers.h"

using namespace testpay;

namespace {

const std::string kTarget = "C:\\Game\\out.bin";

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const base::Error& e) {
        return e.what();
    }
    return "(no error)";
}

// The three ways into a container: extraction to a file, inflation of a
// buffer and the in-memory bytes of a payload.  They must agree on every
// container.
enum class Way { Extract, InPlace, Bytes };
const Way kWays[] = {Way::Extract, Way::InPlace, Way::Bytes};
const char* wayName(Way w) {
    return w == Way::Extract ? "extractPayload" : w == Way::InPlace ? "inflateInPlace" : "payloadBytes";
}

class Payload : public ::testing::Test {
protected:
    sim::SimPlatform s;
    sim::Installed on{s, [](const std::string& m) { ADD_FAILURE() << m; }};

    void SetUp() override { s.makeFolder("C:\\Game"); }
    void TearDown() override { EXPECT_EQ(s.openHandles(), 0u) << "every handle is closed, error or not"; }

    // Runs one way over a container; returns the bytes or the error text
    // (prefixed "!"), and checks what each way must leave behind on failure.
    std::string through(Way way, const std::string& container) {
        s.setResource("GB_", "GAME00", container);
        s.remove(kTarget);
        std::string got;
        std::string error = errorOf([&] {
            if (way == Way::Extract) {
                payload::extractPayload("game00", "gb_", plat::Path(kTarget));
                got = s.readFile(kTarget).value_or("(no file)");
            } else if (way == Way::InPlace) {
                std::vector<std::uint8_t> buffer(container.begin(), container.end());
                try {
                    payload::inflateInPlace(buffer);
                } catch (...) {
                    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), container)
                        << "a failed inflation leaves the buffer as it was";
                    throw;
                }
                got.assign(buffer.begin(), buffer.end());
            } else {
                got = payload::payloadBytes("GAME00", "GB_");
            }
        });
        if (error != "(no error)") {
            if (way == Way::Extract) {
                EXPECT_FALSE(s.exists(kTarget)) << "a failed extraction makes no file";
            }
            return "!" + error;
        }
        return got;
    }
};

struct Row {
    const char* rule;
    std::string container;
    std::string expected;  // the bytes, or "!" and the error text
};

std::string fail(const char* text) { return std::string("!") + text; }

std::vector<Row> rows() {
    const std::string text = sample(100);
    const std::string big = sample(300000, true);  // noise: the stream spans several input pieces
    const std::string z = zstream(text);
    // One stored block of 65529 bytes puts the trailer exactly at stream
    // offset 65536, the first byte of the second input piece; 65527 makes it
    // straddle the two pieces.
    const std::string atBoundary = sample(65529, true, 2), straddling = sample(65527, true, 3);
    std::string dict;  // a stream that needs a preset dictionary
    {
        z_stream zs{};
        deflateInit(&zs, 9);
        deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>("lunavire"), 8);
        std::string out(256, '\0');
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        zs.avail_in = static_cast<uInt>(text.size());
        zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
        zs.avail_out = static_cast<uInt>(out.size());
        deflate(&zs, Z_FINISH);
        out.resize(zs.total_out);
        deflateEnd(&zs);
        dict = out;
    }
    return {
        // -- what the payload yields
        {"a stream of exactly N bytes yields them", le32(100) + z, text},
        {"a stream longer than N yields exactly the first N bytes", le32(10) + z, text.substr(0, 10)},
        {"N = 1 yields one byte", le32(1) + z, text.substr(0, 1)},
        {"N = 0 yields nothing and does not read the stream", le32(0) + "garbage, not zlib", ""},
        {"N = 0 with no stream at all", le32(0), ""},
        {"the trailer is not checked when the stream goes on beyond N", le32(50) + flipLast(z),
         text.substr(0, 50)},
        {"bytes after the end of the stream are ignored", le32(100) + z + "tail", text},
        {"a stream of many input pieces", le32(300000) + zstream(big), big},
        {"N ending inside a multi-piece stream", le32(123457) + zstream(big), big.substr(0, 123457)},
        {"a trailer that starts a new input piece is read and checked",
         le32(65529) + storedStream({atBoundary}), atBoundary},
        {"a trailer split over two input pieces is read and checked",
         le32(65527) + storedStream({straddling}), straddling},
        {"a stream cut after N bytes, inside its trailer, has produced N bytes",
         le32(100) + z.substr(0, z.size() - 2), text},
        // -- what fails
        {"an empty resource", "", fail("Stream read error")},
        {"a resource of 3 bytes", std::string("\x05\x00\x00", 3), fail("Stream read error")},
        {"a size field with no stream", le32(5), fail("Stream read error")},
        {"a stream that ends before N", le32(101) + z, fail("Stream read error")},
        {"a stream cut short in its data", le32(300000) + zstream(big).substr(0, 150000),
         fail("Stream read error")},
        {"a size of 2^31", le32(0x80000000u) + z, fail("Stream write error")},
        {"a size of 2^32 - 1", le32(0xFFFFFFFFu) + z, fail("Stream write error")},
        {"a wrong zlib header", le32(100) + "\x78\x00" + z.substr(2), fail("error")},
        {"a reserved block type", le32(100) + std::string("\x78\x9c\x07\x00", 4), fail("error")},
        {"a stream that wants a preset dictionary", le32(100) + dict, fail("error")},
        {"a wrong Adler-32 where the stream ends with the N-th byte", le32(100) + flipLast(z), fail("error")},
        {"a wrong Adler-32 in the next input piece", le32(65529) + flipLast(storedStream({atBoundary})),
         fail("error")},
        {"a wrong Adler-32 split over two input pieces", le32(65527) + flipLast(storedStream({straddling})),
         fail("error")},
        // After N bytes the stream is followed only as far as its next byte:
        // a broken block header in between is still a corrupt stream.
        {"a corrupt block header right after the N-th byte",
         le32(10) + storedStream({text.substr(0, 10), text}).substr(0, 17) + "\x07", fail("error")},
        {"a valid block after the N-th byte is not inflated", le32(10) + storedStream({text.substr(0, 10), text}),
         text.substr(0, 10)},
    };
}

TEST_F(Payload, EveryWayAgreesOnEveryContainer) {
    for (const Row& row : rows()) {
        for (Way way : kWays) {
            std::string got = through(way, row.container);
            EXPECT_EQ(got.size(), row.expected.size()) << wayName(way) << ": " << row.rule;
            EXPECT_TRUE(got == row.expected) << wayName(way) << ": " << row.rule << "\n  got "
                                             << got.substr(0, 60);
        }
    }
}

TEST_F(Payload, NamesAndTypesAreFoundWithoutRegardToCase) {
    s.setResource("EX0", "SOUNDS", le32(4) + zstream("MZ!!"));
    const char* asked[][2] = {{"SOUNDS", "EX0"}, {"sounds", "ex0"}, {"Sounds", "Ex0"}};
    for (auto& a : asked) {
        s.remove(kTarget);
        EXPECT_EQ(errorOf([&] { payload::extractPayload(a[0], a[1], plat::Path(kTarget)); }), "(no error)")
            << a[0] << " " << a[1];
        EXPECT_EQ(s.readFile(kTarget), std::optional<std::string>("MZ!!")) << a[0] << " " << a[1];
        EXPECT_EQ(payload::payloadBytes(a[0], a[1]), "MZ!!");
    }
}

TEST_F(Payload, AMissingResourceIsNamedAsTheCallerAskedForIt) {
    s.setResource("EX0", "SOUNDS", le32(4) + zstream("MZ!!"));
    struct {
        const char* name;
        const char* type;
    } missing[] = {{"Sound2", "ex0"}, {"sounds", "ex1"}, {"", "EX0"}};
    for (auto& m : missing) {
        std::string want = std::string("Resource ") + m.name + " not found";
        EXPECT_EQ(errorOf([&] { payload::extractPayload(m.name, m.type, plat::Path(kTarget)); }), want);
        EXPECT_EQ(errorOf([&] { payload::payloadBytes(m.name, m.type); }), want);
        EXPECT_FALSE(s.exists(kTarget));
    }
}

TEST_F(Payload, AnExistingFileIsReplacedWhole) {
    s.setResource("TXT", "LINCE1", le32(5) + zstream("short"));
    s.setResource("TXT", "EMPTY", le32(0));
    s.writeFile(kTarget, std::string(5000, 'x'));
    payload::extractPayload("lince1", "txt", plat::Path(kTarget));
    EXPECT_EQ(s.readFile(kTarget), std::optional<std::string>("short")) << "the old file is truncated first";
    payload::extractPayload("empty", "txt", plat::Path(kTarget));
    EXPECT_EQ(s.readFile(kTarget), std::optional<std::string>("")) << "N = 0 empties an existing file";
}

TEST_F(Payload, ADamagedPayloadLeavesAnExistingFileAlone) {
    s.writeFile(kTarget, "old");
    const std::string damaged[] = {le32(101) + zstream(sample(100)), flipLast(le32(100) + zstream(sample(100))),
                                   le32(0x80000000u), "ab"};
    for (const std::string& c : damaged) {
        s.setResource("GB_", "README", c);
        EXPECT_NE(errorOf([] { payload::extractPayload("README", "GB_", plat::Path(kTarget)); }), "(no error)");
        EXPECT_EQ(s.readFile(kTarget), std::optional<std::string>("old"))
            << "the target is opened only once all N bytes exist";
    }
}

TEST_F(Payload, ATargetThatCannotBeCreatedIsReportedWithItsPath) {
    s.setResource("RE0", "REG000", le32(8) + zstream("REGEDIT4"));
    s.writeFile("C:\\Game\\ro.reg", "old", plat::attr::ReadOnly);
    s.writeFile("C:\\Game\\locked.reg", "old");
    s.lockFile("C:\\Game\\locked.reg");
    s.addDrive('D', true);
    struct {
        const char* rule;
        const char* target;
    } cases[] = {
        {"a read-only file", "C:\\Game\\ro.reg"},
        {"a file another process holds open", "C:\\Game\\locked.reg"},
        {"a folder that does not exist", "C:\\Nowhere\\00.reg"},
        {"read-only media", "D:\\00.reg"},
        {"a folder in the way", "C:\\Game"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(errorOf([&] { payload::extractPayload("reg000", "re0", c.target); }),
                  std::string("Cannot create file ") + c.target)
            << c.rule;
    }
    EXPECT_EQ(s.readFile("C:\\Game\\ro.reg"), std::optional<std::string>("old"));
    EXPECT_EQ(s.attributes("C:\\Game\\ro.reg") & plat::attr::ReadOnly, plat::attr::ReadOnly);
    EXPECT_EQ(s.readFile("C:\\Game\\locked.reg"), std::optional<std::string>("old"));
    EXPECT_FALSE(s.exists("D:\\00.reg"));
}

TEST_F(Payload, AWriteThatFallsShortIsAStreamWriteErrorWithThePath) {
    const std::string data = sample(5000);
    s.setResource("EX0", "SOUND1", le32(5000) + zstream(data));
    s.failWriteAt("C:\\Game\\out.~00", 4096, plat::err::DiskFull);
    EXPECT_EQ(errorOf([&] { payload::extractPayload("SOUND1", "EX0", plat::Path(kTarget)); }),
              "Stream write error\r\n" + kTarget);
    s.clearFaults();

    s.addDrive('E');
    s.setDriveCapacity('E', 1000);
    EXPECT_EQ(errorOf([&] { payload::extractPayload("SOUND1", "EX0", "E:\\asr3232.exe"); }),
              "Stream write error\r\nE:\\asr3232.exe");
    EXPECT_FALSE(s.exists("E:\\asr3232.exe"));
}

TEST_F(Payload, TheLargestPayloadSizeInflatesAndWrites) {
    // The size of the real main archive, in one piece through the seam.
    const std::string data = sample(9718716, false, 7);
    s.setResource("GB_", "GAME00", le32(9718716) + zstream(data, 6));
    payload::extractPayload("GAME00", "GB_", plat::Path(kTarget));
    auto got = s.readFile(kTarget);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->size(), 9718716u);
    EXPECT_TRUE(*got == data);
}

}  // namespace
