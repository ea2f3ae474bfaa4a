// Reading and writing decimal numbers independently of the process locale,
// which a media player may have switched to one with a decimal comma.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

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
