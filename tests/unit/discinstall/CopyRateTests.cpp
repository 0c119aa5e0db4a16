// The copy's percentage: the x87's extended-precision arithmetic, redone in
// integers.  On x86 the host's long double is that arithmetic, so it is the
// reference for every pair that can go wrong.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <random>
#include <vector>

#include "discinstall/FileCopy.h"

namespace {

TEST(CopyRate, KnownValues) {
    struct Row {
        std::uint32_t transferred, size;
        unsigned rate;
        const char* rule;
    } rows[] = {
        {54272, 102400, 52, "0.53 rounds below itself in 64 bits: 52, not 53"},
        {1024, 2500, 40, "40.96 is truncated, never rounded up"},
        {2048, 2500, 81, "81.92 is truncated"},
        {2500, 2500, 100, "the whole file is 100"},
        {1, 1, 100, "size 1"},
        {3072, 1024, 44, "more than the size: 300, low 8 bits"},
        {0xFFFFFFFFu, 1, 156, "the largest share: 429496729500, low 8 bits"},
        {0, 2500, 0, "nothing transferred yet"},
        {1024, 0, 0, "a size of 0 (a source of 4 GiB) gives 0 instead of dividing by zero"},
        {0, 0, 0, "0 of 0 gives 0"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(copyRate(r.transferred, r.size), r.rate) << r.transferred << " of " << r.size << ": " << r.rule;
}

#if defined(__i386__) || defined(__x86_64__)
std::uint8_t x87Rate(std::uint32_t transferred, std::uint32_t size) {
    volatile long double a = transferred, b = size;  // not folded at compile time
    const long double r = a / b * 100.0L;
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(r) & 0xFF);
}
#endif

TEST(CopyRate, MatchesTheX87ForAwkwardAndRandomPairs) {
#if defined(__i386__) || defined(__x86_64__)
    if (LDBL_MANT_DIG != 64) GTEST_SKIP() << "long double is not the x87's extended format here";
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
    const std::uint32_t edges[] = {1,          2,          3,          7,          100,         1023,
                                   1024,       1025,       2500,       102400,     0x7FFFFFFFu, 0x80000000u,
                                   0x80000001u, 0xFFFFFFFDu, 0xFFFFFFFEu, 0xFFFFFFFFu, 1000000007u, 0x10000u};
    for (std::uint32_t a : edges)
        for (std::uint32_t b : edges) pairs.emplace_back(a, b);
    for (std::uint32_t a = 1; a <= 300; ++a)
        for (std::uint32_t b = 1; b <= 300; ++b) pairs.emplace_back(a, b);
    // Where truncation bites: transferred / size * 100 at or next to a whole number.
    std::mt19937_64 rng(20240611);
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t size = static_cast<std::uint32_t>(rng() >> (32 + rng() % 32)) | 1;
        const std::uint64_t k = rng() % 101;
        const std::uint64_t exact = (k * size + 99) / 100;
        for (std::uint64_t a : {exact - 1, exact, exact + 1})
            if (a <= 0xFFFFFFFFu) pairs.emplace_back(static_cast<std::uint32_t>(a), size);
    }
    // Any magnitudes, each operand of random bit length.
    for (int i = 0; i < 1000000; ++i) {
        const auto a = static_cast<std::uint32_t>(rng() >> (32 + rng() % 32));
        const auto b = static_cast<std::uint32_t>(rng() >> (32 + rng() % 32));
        if (b != 0) pairs.emplace_back(a, b);
    }
    int mismatches = 0;
    for (const auto& [a, b] : pairs) {
        if (copyRate(a, b) == x87Rate(a, b)) continue;
        if (++mismatches <= 10)
            ADD_FAILURE() << a << " of " << b << ": " << int(copyRate(a, b)) << ", the x87 gives " << int(x87Rate(a, b));
    }
    EXPECT_EQ(mismatches, 0) << "the rate is the x87's for all " << pairs.size() << " pairs";
#else
    GTEST_SKIP() << "needs the x87";
#endif
}

}  // namespace
