#pragma once
#include <gtest/gtest.h>

#include <string>

// Compares many values at once and, when some differ, names each one:
//   EXPECT_TRUE(Fields().Is("page", w.ActivePage(), kDuration).Is("path", text, typed));
// fails with "page: 3, expected 2" rather than two tuples to tell apart.
class Fields {
public:
    template <class Actual, class Expected>
    Fields& Is(const char* name, const Actual& actual, const Expected& expected) {
        if (!(actual == expected))
            m_differ += std::string("\n  ") + name + ": " + ::testing::PrintToString(actual) +
                        ", expected " + ::testing::PrintToString(expected);
        return *this;
    }

    operator ::testing::AssertionResult() const {
        if (m_differ.empty()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "these differ:" << m_differ;
    }

private:
    std::string m_differ;
};
