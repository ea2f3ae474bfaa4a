// Reading and writing decimal numbers independently of the process locale,
// which a media player may have switched to one with a decimal comma.
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "settings/c_locale_number.h"

namespace gainlet_test {
namespace {

using gainlet::FormatSignedThreeDecimals;
using gainlet::ParseDecimalPrefix;

std::wstring Format(double value) {
    wchar_t text[64];
    FormatSignedThreeDecimals(value, L"", text, 64);
    return text;
}

TEST(DecimalText, LongestDecimalPrefixIsRead) {
    EXPECT_EQ(ParseDecimalPrefix(L"6"), 6.0);
    EXPECT_EQ(ParseDecimalPrefix(L" \t+6.5dB"), 6.5);
    EXPECT_EQ(ParseDecimalPrefix(L"-0.131"), -0.131);
    EXPECT_EQ(ParseDecimalPrefix(L"2e1"), 20.0);
    EXPECT_EQ(ParseDecimalPrefix(L"2E-1x"), 0.2);
    EXPECT_EQ(ParseDecimalPrefix(L"2e"), 2.0) << "an exponent needs digits";
    EXPECT_EQ(ParseDecimalPrefix(L"2e+"), 2.0);
    EXPECT_EQ(ParseDecimalPrefix(L".5"), 0.5);
    EXPECT_EQ(ParseDecimalPrefix(L"5."), 5.0);
    EXPECT_EQ(ParseDecimalPrefix(L"1,5"), 1.0) << "a comma is no decimal point";
    EXPECT_EQ(ParseDecimalPrefix(L""), 0.0);
    EXPECT_EQ(ParseDecimalPrefix(L"abc"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix(L"-"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix(L"."), 0.0);
    EXPECT_EQ(ParseDecimalPrefix(L"inf"), 0.0) << "only decimal numbers";
    EXPECT_EQ(ParseDecimalPrefix(L"0x10"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix(L"\x0660"), 0.0) << "no digits of other scripts";
}

TEST(DecimalText, OutOfRangeMagnitudesSaturateTheWayTheyPoint) {
    EXPECT_EQ(ParseDecimalPrefix(L"1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseDecimalPrefix(L"-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseDecimalPrefix(L"0.00001e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseDecimalPrefix(L"1e-400"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix(L"100000e-405"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix(L"0e999999999999"), 0.0);
}

TEST(DecimalText, ThreeDecimalsWithSign) {
    EXPECT_EQ(Format(-0.131f), L"-0.131");
    EXPECT_EQ(Format(6.0), L"+6.000");
    EXPECT_EQ(Format(0.0), L"+0.000");
    EXPECT_EQ(Format(-0.0), L"-0.000");
    EXPECT_EQ(Format(-100.0), L"-100.000");
    EXPECT_EQ(Format(-0.1234f), L"-0.123");
    EXPECT_EQ(Format(23.9996), L"+24.000");
    wchar_t small[4];
    FormatSignedThreeDecimals(-12.5, L"dB", small, 4);
    EXPECT_STREQ(small, L"-12") << "cut to the buffer, terminated";
}

// The standard library's own conversions, correctly rounded, as the oracle
// for texts far beyond the page's: every double's shortest and fixed forms,
// long digit strings, and the exact halfway points between neighbouring
// doubles with and without a far-off digit that decides the tie.
uint64_t Bits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

::testing::AssertionResult ParsesAsTheLibraryDoes(const std::string& text) {
    double expected = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), expected);
    if (result.ec != std::errc()) return ::testing::AssertionSuccess();  // out of range: the rows above
    const double parsed = ParseDecimalPrefix(std::wstring(text.begin(), text.end()).c_str());
    if (Bits(parsed) == Bits(expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << text << " gave " << parsed << ", not " << expected;
}

::testing::AssertionResult FormatsAsTheLibraryDoes(double value) {
    char text[400];
    std::size_t length = 0;
    if (!std::signbit(value) && !std::isnan(value)) text[length++] = '+';
    const auto result = std::to_chars(text + length, text + sizeof text, value, std::chars_format::fixed, 3);
    const std::string expected(text, result.ptr);
    wchar_t wide[400];
    FormatSignedThreeDecimals(value, L"", wide, 400);
    const std::wstring formatted = wide;
    if (formatted == std::wstring(expected.begin(), expected.end())) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << value << " formatted as "
                                         << std::string(formatted.begin(), formatted.end()) << ", not " << expected;
}

TEST(DecimalText, AgreesBitForBitWithTheStandardConversions) {
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        ASSERT_TRUE(FormatsAsTheLibraryDoes(value));
        char text[64];
        if (std::isfinite(value)) {
            ASSERT_TRUE(ParsesAsTheLibraryDoes(std::string(text, std::to_chars(text, text + 64, value).ptr)));
        }
        // Page-sized values with few fraction bits, exact ties among them.
        const double page = std::ldexp(static_cast<double>(static_cast<int64_t>(random() % (1u << 20)) - (1 << 19)),
                                       -static_cast<int>(random() % 12));
        ASSERT_TRUE(FormatsAsTheLibraryDoes(page));
        const int decimals = static_cast<int>(random() % 8);
        ASSERT_TRUE(ParsesAsTheLibraryDoes(
            std::string(text, std::to_chars(text, text + 64, page, std::chars_format::fixed, decimals).ptr)));

        std::string digits;
        for (int n = 1 + static_cast<int>(random() % 40); n > 0; --n) digits += static_cast<char>('0' + random() % 10);
        digits.insert(random() % (digits.size() + 1), ".");
        if (digits == ".") continue;
        ASSERT_TRUE(ParsesAsTheLibraryDoes(digits + "e" + std::to_string(static_cast<int>(random() % 700) - 350)));
    }
    for (int i = 0; i < 2000; ++i) {
        uint64_t bits = random() & 0x7FEFFFFFFFFFFFFFull;
        if (i % 4 == 0) bits &= 0x000FFFFFFFFFFFFFull;  // subnormal
        double low;
        std::memcpy(&low, &bits, sizeof low);
        const double high = std::nextafter(low, std::numeric_limits<double>::infinity());
        // 80-bit long double holds the midpoint exactly; its decimal form has
        // up to 767 significant digits.
        const long double middle = (static_cast<long double>(low) + high) / 2;
        static char text[1000];
        const std::string exact(
            text, std::to_chars(text, text + sizeof text, middle, std::chars_format::scientific, 800).ptr);
        const std::size_t e = exact.find('e');
        std::string mantissa = exact.substr(0, e);
        while (mantissa.back() == '0') mantissa.pop_back();
        if (mantissa.back() == '.') mantissa += '0';
        const std::string exponent = exact.substr(e);
        ASSERT_TRUE(ParsesAsTheLibraryDoes(mantissa + exponent));
        ASSERT_TRUE(ParsesAsTheLibraryDoes(mantissa + std::string(900, '0') + "1" + exponent));
    }
}

TEST(DecimalText, TheProcessLocaleDoesNotMatter) {
    const char* switched = setlocale(LC_ALL, "German_Germany.1252");
    if (!switched) switched = setlocale(LC_ALL, "de-DE");
    if (!switched) GTEST_SKIP() << "no locale with a decimal comma here";
    ASSERT_STREQ(localeconv()->decimal_point, ",");
    EXPECT_EQ(ParseDecimalPrefix(L"1.5"), 1.5);
    EXPECT_EQ(ParseDecimalPrefix(L"1,5"), 1.0);
    EXPECT_EQ(Format(-0.131f), L"-0.131");
    setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace gainlet_test
