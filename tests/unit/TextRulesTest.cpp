#include <gtest/gtest.h>

#include "services/TextRules.h"

TEST(TextRules, Placeholder) { EXPECT_EQ(DisplayVersion({1, 0, 1}), "1.01"); }
