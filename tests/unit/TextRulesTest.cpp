// The pure text rules: version forms, the update file's first field and numeric value, and the
// balloon setting's truth value.
#include <gtest/gtest.h>

#include <cmath>

#include "services/TextRules.h"

namespace {

TEST(TextRules, VersionForms) {
    struct {
        VersionNumbers v;
        const char* display;
        const char* comparison;
    } cases[] = {
        {{1, 0, 1}, "1.01", "1.01"},   {{1, 2, 0}, "1.2", "1.20"},       {{2, 0, 15}, "2.015", "2.015"},
        {{1, 0, 10}, "1.010", "1.010"}, {{65535, 65535, 65535}, "65535.6553565535", "65535.6553565535"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayVersion(c.v), c.display);
        EXPECT_EQ(ComparisonVersion(c.v), c.comparison);
    }
    // 1.0.10 compares equal to 1.0.1; 1.2.0's comparison form has the value of its display form.
    EXPECT_EQ(NumericValue(ComparisonVersion({1, 0, 10})), NumericValue(ComparisonVersion({1, 0, 1})));
    EXPECT_EQ(NumericValue(ComparisonVersion({1, 2, 0})), NumericValue(DisplayVersion({1, 2, 0})));
}

TEST(TextRules, FirstField) {
    struct {
        const char* content;
        const char* field;
    } cases[] = {
        {"1.02", "1.02"},          {"1.02\r\n1.01\r\n", "1.02"}, {"1.02,beta", "1.02"},
        {"\"1.02\"", "1.02"},      {"\"1,02\",x", "1,02"},       {"   1.02", "1.02"},
        {"\t1.02 \n", "1.02"},     {"", ""},                     {"   ", ""},
        {"\"never closed", "never closed"}, {"\n1.02", ""},      {"Version 1.02", "Version 1.02"},
    };
    for (const auto& c : cases) EXPECT_EQ(FirstField(c.content), c.field) << c.content;
}

TEST(TextRules, NumericValue) {
    struct {
        const char* text;
        bool isNumber;
        double value;
    } cases[] = {
        {"1.02", true, 1.02},     {"1.1", true, 1.1},         {"1.009", true, 1.009},  {"1 . 0 2", true, 1.02},
        {"1.02beta", true, 1.02}, {"1.02.3", true, 1.02},     {"-1.5", true, -1.5},    {"+2", true, 2},
        {".5", true, 0.5},        {"5.", true, 5},            {"1e3", true, 1000},     {"1.02e", true, 1.02},
        {"1.02 else", true, 1.02}, {"1e-400", true, 0},       {"0", true, 0},          {"Version 1.02", false, 0},
        {"", false, 0},           {"   ", false, 0},          {".", false, 0},         {"-", false, 0},
        {"1e400", false, 0},      {"\xEF\xBB\xBF" "1.02", false, 0},
    };
    for (const auto& c : cases) {
        auto n = LeadingNumber(c.text);
        EXPECT_EQ(n.has_value(), c.isNumber) << c.text;
        EXPECT_DOUBLE_EQ(NumericValue(c.text), c.value) << c.text;
    }
    // The decimal point is "." whatever the user's locale: a comma ends the number.
    EXPECT_DOUBLE_EQ(NumericValue("1,5"), 1.0);
    // The comparisons the update check makes against version 1.0.1.
    const double local = NumericValue("1.01");
    EXPECT_LT(local, NumericValue("1.02"));
    EXPECT_LT(local, NumericValue("1.1"));
    EXPECT_FALSE(local < NumericValue("1.01"));
    EXPECT_FALSE(local < NumericValue("1.009"));
}

TEST(TextRules, BubblesTruth) {
    const char* truths[] = {"1", "-1", "2", " 1 ", "0.5", "+3", ".1", "True", "TRUE", "true", " tRuE "};
    const char* falsehoods[] = {"",      "0",    "-0",   "0.0", "00",   "False", "FALSE", " false",
                                "maybe", "1e3",  "1 0",  "yes", "1x",   ".",     "-",     "\xEF\xBB\xBF" "1"};
    for (const char* t : truths) EXPECT_TRUE(BubblesTruth(t)) << '"' << t << '"';
    for (const char* f : falsehoods) EXPECT_FALSE(BubblesTruth(f)) << '"' << f << '"';
}

}  // namespace
