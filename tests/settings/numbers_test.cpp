#include "settings/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace qv {
namespace {

struct IntCase {
    const char* text;
    bool ok;
    int32_t value;
};

TEST(NumberReading, IntegersReadOrFailWithoutUndefinedBehaviour) {
    const IntCase cases[] = {
        {"42", true, 42},
        {"  -17", true, -17},
        {"+8", true, 8},
        {",  5  ,", true, 5},
        {"\t12\r\n", true, 12},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999999", false, 0},
        {"12abc", false, 0},
        {"1.5", false, 0},
        {"", false, 0},
        {"   ", false, 0},
        {"-", false, 0},
        {"+", false, 0},
        {"abc", false, 0},
        {"1e3", false, 0},
        {"12 34", true, 12},
        {"007", true, 7},
    };
    for (const auto& c : cases) {
        int32_t v = -999;
        EXPECT_EQ(read_int(c.text, v), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

struct RealCase {
    const char* text;
    bool ok;
    double value;
};

TEST(NumberReading, RealsAcceptPointAndExponent) {
    const RealCase cases[] = {
        {"5", true, 5.0},      {"5.000", true, 5.0},   {"-1.25", true, -1.25},
        {".5", true, 0.5},     {"5.", true, 5.0},      {"1e3", true, 1000.0},
        {"2.5E-1", true, 0.25}, {"+3.5", true, 3.5},   {"1d2", true, 100.0},
        {"", false, 0},        {".", false, 0},        {"1e", false, 0},
        {"1.2.3", false, 0},   {"nan", false, 0},      {"inf", false, 0},
        {"1e999", false, 0},   {"7x", false, 0},       {"--1", false, 0},
    };
    for (const auto& c : cases) {
        double v = -999;
        EXPECT_EQ(read_real(c.text, v), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
}

TEST(NumberReading, ScannerReadsSeveralAndStopsAtTheFirstBadOne) {
    NumberScanner scanner(" 1, 2  3,,4 x 5");
    int32_t v = 0;
    int got[4] = {};
    for (int& g : got) {
        ASSERT_TRUE(scanner.next_int(v));
        g = v;
    }
    EXPECT_EQ(got[0] + got[1] + got[2] + got[3], 10);
    EXPECT_FALSE(scanner.next_int(v));
    EXPECT_FALSE(scanner.at_end());
    EXPECT_EQ(std::string(scanner.rest()), " x 5");

    int32_t values[3] = {};
    int read = 0;
    EXPECT_FALSE(read_ints("8 9", values, 3, &read));
    EXPECT_EQ(read, 2);
    EXPECT_TRUE(read_ints("8,9,10", values, 3, &read));
    EXPECT_EQ(values[2], 10);
}

}  // namespace
}  // namespace qv
