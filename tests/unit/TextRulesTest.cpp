// The pure text rules: version forms, the update file's first field and its number, the balloon
// setting's truth value. (The update check's journeys read the common answers through the dialog.)
#include <gtest/gtest.h>

#include "services/TextRules.h"

namespace {

TEST(TextRules, VersionFormsFieldsNumbersAndTruths) {
    const std::tuple<VersionNumbers, std::string, std::string> versions[] = {
        {{1, 0, 1}, "1.01", "1.01"}, {{1, 2, 0}, "1.2", "1.20"}, {{2, 0, 15}, "2.015", "2.015"},
        {{1, 0, 10}, "1.010", "1.010"}, {{65535, 65535, 65535}, "65535.6553565535", "65535.6553565535"}};
    for (const auto& [v, display, comparison] : versions)
        EXPECT_EQ(std::pair(DisplayVersion(v), ComparisonVersion(v)), std::pair(display, comparison));
    EXPECT_EQ(NumericValue("1.010"), NumericValue("1.01"));  // 1.0.10 is not newer than 1.0.1
    for (auto [content, field] : {std::pair("1.02\r\n1.01\r\n", "1.02"), {"\"1,02\",x", "1,02"}, {"\t1.02 \n", "1.02"},
                                  {"   ", ""}, {"\"never closed", "never closed"}, {"\n1.02", ""}})
        EXPECT_EQ(FirstField(content), field) << content;
    for (auto [text, number] : {std::pair("1 . 0 2", 1.02), {"1.02beta", 1.02}, {"1.02.3", 1.02}, {"-1.5", -1.5},
                                {".5", 0.5}, {"1e3", 1000.0}, {"1.02e", 1.02}, {"1e-400", 0.0}, {"1,5", 1.0}}) {
        EXPECT_TRUE(LeadingNumber(text)) << text;
        EXPECT_DOUBLE_EQ(NumericValue(text), number) << text;
    }
    for (const char* text : {"", ".", "-", "1e400", "Version 1.02", "\xEF\xBB\xBF" "1.02"}) {
        EXPECT_FALSE(LeadingNumber(text)) << text;
        EXPECT_EQ(NumericValue(text), 0.0) << text;
    }
    for (const char* yes : {"-1", " 1 ", "0.5", "+3", ".1", "TRUE", " tRuE "}) EXPECT_TRUE(BubblesTruth(yes)) << yes;
    for (const char* no : {"-0", "0.0", "00", "False", "1e3", "1 0", "yes", "1x", ".", "\xEF\xBB\xBF" "1"})
        EXPECT_FALSE(BubblesTruth(no)) << no;
}

}  // namespace
