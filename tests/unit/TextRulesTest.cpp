// The pure text rules: version forms, the update file's first field and its number, and the
// balloon setting's truth value.
#include <gtest/gtest.h>

#include "services/TextRules.h"

namespace {

TEST(TextRules, VersionFormsAndTheirValues) {
    struct {
        VersionNumbers v;
        const char *display, *comparison;
    } rows[] = {{{1, 0, 1}, "1.01", "1.01"}, {{1, 2, 0}, "1.2", "1.20"}, {{2, 0, 15}, "2.015", "2.015"},
                {{1, 0, 10}, "1.010", "1.010"}, {{65535, 65535, 65535}, "65535.6553565535", "65535.6553565535"}};
    for (const auto& r : rows) EXPECT_EQ(std::pair(DisplayVersion(r.v), ComparisonVersion(r.v)), std::pair(std::string(r.display), std::string(r.comparison)));
    EXPECT_EQ(NumericValue(ComparisonVersion({1, 0, 10})), NumericValue(ComparisonVersion({1, 0, 1})));
}

TEST(TextRules, FirstField) {
    const char* rows[][2] = {{"1.02", "1.02"}, {"1.02\r\n1.01\r\n", "1.02"}, {"1.02,beta", "1.02"},
                             {"\"1.02\"", "1.02"}, {"\"1,02\",x", "1,02"}, {"   1.02", "1.02"}, {"\t1.02 \n", "1.02"},
                             {"", ""}, {"   ", ""}, {"\"never closed", "never closed"}, {"\n1.02", ""},
                             {"Version 1.02", "Version 1.02"}};
    for (const auto& r : rows) EXPECT_EQ(FirstField(r[0]), r[1]) << r[0];
}

TEST(TextRules, LeadingNumber) {
    struct {
        const char* text;
        bool number;
        double value;
    } rows[] = {{"1.02", true, 1.02}, {"1.009", true, 1.009}, {"1 . 0 2", true, 1.02}, {"1.02beta", true, 1.02},
                {"1.02.3", true, 1.02}, {"-1.5", true, -1.5}, {".5", true, 0.5}, {"1e3", true, 1000},
                {"1.02e", true, 1.02}, {"1e-400", true, 0}, {"1,5", true, 1}, {"Version 1.02", false, 0},
                {"", false, 0}, {".", false, 0}, {"1e400", false, 0}, {"\xEF\xBB\xBF" "1.02", false, 0}};
    for (const auto& r : rows) {
        EXPECT_EQ(LeadingNumber(r.text).has_value(), r.number) << r.text;
        EXPECT_DOUBLE_EQ(NumericValue(r.text), r.value) << r.text;
    }
    EXPECT_LT(NumericValue("1.01"), NumericValue("1.1"));  // 1.1 is newer than 1.01
}

TEST(TextRules, BubblesTruth) {
    for (const char* t : {"1", "-1", "2", " 1 ", "0.5", "+3", ".1", "True", "TRUE", " tRuE "}) EXPECT_TRUE(BubblesTruth(t)) << t;
    for (const char* f : {"", "0", "-0", "0.0", "00", "False", " false", "maybe", "1e3", "1 0", "yes", "1x", ".", "\xEF\xBB\xBF" "1"})
        EXPECT_FALSE(BubblesTruth(f)) << f;
}

}  // namespace
