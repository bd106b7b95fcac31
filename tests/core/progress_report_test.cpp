// What a poll shows, decided from a record set by hand: no worker, no window.
#include <gtest/gtest.h>

#include <climits>

#include "core/progress_report.h"

namespace {

using Icon = core::CompletionBox::Icon;

TEST(ProgressPercent, TruncatesTheDoubleQuotient) {
    EXPECT_EQ(core::ProgressPercent(29, 100), 28);
    EXPECT_EQ(core::ProgressPercent(57, 100), 56);
    EXPECT_EQ(core::ProgressPercent(58, 100), 57);
    EXPECT_EQ(core::ProgressPercent(0, 0), 0);
    EXPECT_EQ(core::ProgressPercent(100, 100), 100);
    EXPECT_EQ(core::ProgressPercent(0xFFFFFFFFu, 0xFFFFFFFFu), 100);
    EXPECT_EQ(core::ProgressPercent(0xFFFFFFFFu, 1), INT_MAX);
}

class ProgressReportTest : public testing::Test {
protected:
    void Run(std::uint32_t length, std::uint32_t count) {
        m_state.BeginJob({"/in/x.bin", "CXFile", "x.h", length});
        m_state.SetDisplayName("x.bin");
        m_state.SetByteCount(count);
    }

    core::ConversionState m_state;
};

TEST_F(ProgressReportTest, RunningShowsThePercentInTitleAndBar) {
    struct Case {
        std::uint32_t length, count;
        const char* title;
        int bar;
    };
    // Truncated, not rounded; beyond 100 when the input grew, the bar full;
    // an empty input shows 0 rather than dividing by zero.
    for (const Case& c :
         {Case{100, 29, "28% Hexcrate - x.bin", 28}, Case{100, 150, "150% Hexcrate - x.bin", 100},
          Case{0, 0, "0% Hexcrate - x.bin", 0}}) {
        SCOPED_TRACE(c.title);
        Run(c.length, c.count);
        const core::ProgressReport report = core::TakeProgressReport(m_state);
        EXPECT_FALSE(report.done);
        EXPECT_EQ(report.title, c.title);
        EXPECT_EQ(report.barPosition, c.bar);
        EXPECT_EQ(report.displayName, "x.bin");
        EXPECT_FALSE(report.box);
    }
}

TEST_F(ProgressReportTest, SuccessFillsTheBarAndNamesTheFullInputPath) {
    Run(100, 57);  // finished before any poll saw progress
    m_state.Finish("");
    const core::ProgressReport report = core::TakeProgressReport(m_state);
    EXPECT_TRUE(report.done);
    EXPECT_EQ(report.barPosition, 100);
    EXPECT_EQ(report.title, "100% Hexcrate - x.bin");
    ASSERT_TRUE(report.box);
    EXPECT_EQ(report.box->text, "Conversion of file /in/x.bin completed.");
    EXPECT_EQ(report.box->caption, "Conversion complete.");
    EXPECT_EQ(report.box->icon, Icon::Information);
}

TEST_F(ProgressReportTest, FailureKeepsTheTitleAndIsReportedOnce) {
    Run(100, 29);
    m_state.Finish("Input file not found.");
    const core::ProgressReport report = core::TakeProgressReport(m_state);
    EXPECT_TRUE(report.done);
    EXPECT_EQ(report.barPosition, 100);
    EXPECT_FALSE(report.title);
    ASSERT_TRUE(report.box);
    EXPECT_EQ(report.box->text, "Input file not found.");
    EXPECT_EQ(report.box->caption, "Can't convert /in/x.bin.");
    EXPECT_EQ(report.box->icon, Icon::Exclamation);
    // The next job starts with no stale error.
    EXPECT_EQ(m_state.ErrorText(), "");
}

}  // namespace
