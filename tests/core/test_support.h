// A synchronous way to run the worker, beside the shared file helpers.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "core/conversion_state.h"
#include "core/header_writer.h"
#include "test_files.h"

namespace test {

// Runs one conversion on the calling thread and returns its error text.
inline std::string Convert(const std::string& input, const std::string& output,
                           const std::string& className = "CTestFile") {
    core::ConversionState& state = core::TheConversionState();
    state.BeginJob({input, className, output, 0});
    core::ConvertThreadProc(nullptr);
    EXPECT_TRUE(state.IsDone());
    return state.ErrorText();
}

}  // namespace test
