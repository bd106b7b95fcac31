// The hand-over between a worker thread and a poll on another thread, as the
// window and the command-line converter use it. Built with ThreadSanitizer
// by `make sanitize`.
#include <gtest/gtest.h>

#include <climits>

#include "core/job_check.h"
#include "platform/thread.h"
#include "test_support.h"

namespace {

using test::TempDir;

TEST(WorkerProtocol, PollSeesSteadyProgressThenTheOutcome) {
    TempDir dir;
    const std::size_t size = 3 * 1024 * 1024 + 5;
    test::WriteFile(dir / "big.bin", std::string(size, 'z'));
    core::ConversionState& state = core::TheConversionState();

    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        const std::string output = dir / ("big" + std::to_string(run) + ".h");
        const core::JobCheck check = core::CheckJob(dir / "big.bin", "CBigFile", output);
        ASSERT_TRUE(check.Ok());
        state.BeginJob(dir / "big.bin", "CBigFile", output, check.inputLength);
        // The previous run's flag must not read as this run's end.
        ASSERT_FALSE(state.IsDone());
        ASSERT_TRUE(platform::StartThread(core::ConvertThreadProc, nullptr));

        std::uint32_t last = 0;
        while (!state.IsDone()) {
            const std::uint32_t count = state.byteCount.load(std::memory_order_relaxed);
            EXPECT_LE(count, size);
            const int percent = core::ProgressPercent(count, state.inputLength);
            EXPECT_TRUE(percent >= 0 && percent <= 100) << percent;
            if (count >= last) last = count;
            (void)state.DisplayName();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(state.ErrorText(), "");
        EXPECT_EQ(state.byteCount.load(), size);
        EXPECT_EQ(state.DisplayName(), "big.bin");
        EXPECT_TRUE(std::filesystem::exists(output));
    }
}

TEST(WorkerProtocol, FailureIsReportedThroughTheRecord) {
    TempDir dir;
    core::ConversionState& state = core::TheConversionState();
    state.BeginJob(dir / "missing.bin", "CX", dir / "x.h", 10);
    ASSERT_TRUE(platform::StartThread(core::ConvertThreadProc, nullptr));
    while (!state.IsDone()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(state.ErrorText(), "Input file not found.");
}

TEST(ProgressPercent, TruncatesTheDoubleQuotient) {
    EXPECT_EQ(core::ProgressPercent(29, 100), 28);
    EXPECT_EQ(core::ProgressPercent(57, 100), 56);
    EXPECT_EQ(core::ProgressPercent(58, 100), 57);
    EXPECT_EQ(core::ProgressPercent(0, 0), 0);
    EXPECT_EQ(core::ProgressPercent(100, 100), 100);
    EXPECT_EQ(core::ProgressPercent(150, 100), 150);  // a file that grew
    EXPECT_EQ(core::ProgressPercent(0xFFFFFFFFu, 0xFFFFFFFFu), 100);
    EXPECT_EQ(core::ProgressPercent(0xFFFFFFFFu, 1), INT_MAX);
}

}  // namespace
