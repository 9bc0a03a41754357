// The version forms the update check shows and compares, for file versions whose third field the
// check ignores and whose revision is or is not 0.
#include <gtest/gtest.h>

#include "services/TextRules.h"

namespace {

TEST(UpdateCheck, VersionFormsOfFileVersions) {
    struct Case {
        const char* fileVersion;
        VersionNumbers numbers;  // major, minor, and the fourth field
        const char* display;
        const char* comparison;
    } cases[] = {
        {"1.0.0.1", {1, 0, 1}, "1.01", "1.01"},
        {"1.2.0.0", {1, 2, 0}, "1.2", "1.20"},
        {"2.0.0.15", {2, 0, 15}, "2.015", "2.015"},
        {"1.0.0.10", {1, 0, 10}, "1.010", "1.010"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileVersion);
        EXPECT_EQ(DisplayVersion(c.numbers), c.display);
        EXPECT_EQ(ComparisonVersion(c.numbers), c.comparison);
    }
    // 1.0.0.10 compares equal to 1.0.0.1: a server announcing "1.01" is no update for either.
    EXPECT_EQ(NumericValue(ComparisonVersion({1, 0, 10})), NumericValue("1.01"));
    EXPECT_LT(NumericValue(ComparisonVersion({1, 2, 0})), NumericValue("1.21"));
}

}  // namespace
