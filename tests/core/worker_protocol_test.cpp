// The hand-over between a worker thread and a poll on another thread, as the
// window uses it (the converter converts on its own thread and shows
// progress as it goes). Built with ThreadSanitizer by `make sanitize`.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/convert_thread.h"
#include "core/job_check.h"
#include "core/progress_report.h"
#include "platform/output_file.h"
#include "platform/thread.h"
#include "test_support.h"

namespace {

using test::TempDir;

void WaitUntilDone(const core::ConversionState& state) {
    while (!state.IsDone()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(WorkerProtocol, PollSeesSteadyProgressThenTheOutcome) {
    TempDir dir;
    const std::uint32_t size = 3 * 1024 * 1024 + 5;
    test::WriteFile(dir / "big.bin", std::string(size, 'z'));
    core::ConversionState& state = core::TheConversionState();

    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        const std::string output = dir / ("big" + std::to_string(run) + ".h");
        const core::JobCheck check = core::CheckJob(dir / "big.bin", "CBigFile", output);
        ASSERT_TRUE(check.Ok());
        state.BeginJob({dir / "big.bin", "CBigFile", output, check.inputLength});
        // Neither the previous run's flag nor its count may read as this run's.
        ASSERT_FALSE(state.IsDone());
        ASSERT_EQ(state.ByteCount(), 0u);
        ASSERT_TRUE(platform::StartThread(core::ConvertThreadProc, nullptr));

        // The count only grows, and the bar with it.
        std::uint32_t lastCount = 0;
        int lastBar = 0;
        while (!state.IsDone()) {
            const std::uint32_t count = state.ByteCount();
            ASSERT_GE(count, lastCount);
            ASSERT_LE(count, size);
            lastCount = count;
            const core::ProgressReport report = core::TakeProgressReport(state);
            if (report.done) break;
            ASSERT_GE(report.barPosition, lastBar);
            lastBar = report.barPosition;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        WaitUntilDone(state);
        EXPECT_EQ(state.ErrorText(), "");
        EXPECT_EQ(state.ByteCount(), size);
        EXPECT_EQ(state.DisplayName(), "big.bin");
        EXPECT_TRUE(std::filesystem::exists(output));
    }
}

TEST(WorkerProtocol, FailureIsReportedThroughTheRecord) {
    TempDir dir;
    core::ConversionState& state = core::TheConversionState();
    state.BeginJob({dir / "missing.bin", "CX", dir / "x.h", 10});
    ASSERT_TRUE(platform::StartThread(core::ConvertThreadProc, nullptr));
    WaitUntilDone(state);
    EXPECT_EQ(state.ErrorText(), "Input file not found.");
}

// A window closed before its worker has even created the header abandons
// it all the same: the worker still finishes, and nothing appears.
TEST(WorkerProtocol, AbandonedBeforeTheOutputExistsNothingAppears) {
    TempDir dir;
    test::WriteFile(dir / "a.bin", "abc");
    core::ConversionState& state = core::TheConversionState();
    state.BeginJob({dir / "a.bin", "CAFile", dir / "a.h", 3});
    platform::RemovePendingOutput();
    ASSERT_TRUE(platform::StartThread(core::ConvertThreadProc, nullptr));
    WaitUntilDone(state);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    // The next job is not touched by the earlier abandonment.
    state.BeginJob({dir / "a.bin", "CAFile", dir / "b.h", 3});
    ASSERT_TRUE(platform::StartThread(core::ConvertThreadProc, nullptr));
    WaitUntilDone(state);
    EXPECT_EQ(state.ErrorText(), "");
    EXPECT_TRUE(std::filesystem::exists(dir / "b.h"));
}

}  // namespace
