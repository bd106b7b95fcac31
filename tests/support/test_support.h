// Conversions run on the calling thread, beside the shared file helpers.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "core/conversion.h"
#include "core/outcome.h"
#include "test_files.h"

namespace test {

// Keeps what a conversion reported, and checks that the count never falls.
struct RecordedProgress final : core::ProgressSink {
    void Started(std::string_view name) override { displayName = name; }
    void Advanced(std::uint32_t count) override {
        EXPECT_GE(count, byteCount);
        byteCount = count;
        ++advances;
    }
    std::string displayName;
    std::uint32_t byteCount = 0;
    int advances = 0;
};

// Runs one conversion of the window's kind through the direct entry point.
inline core::ConversionResult ConvertWithReason(const std::string& input, const std::string& output,
                                                const std::string& className = "CTestFile") {
    core::NoProgress progress;
    return core::Convert({input, className, output, 0}, progress);
}

inline core::Outcome Convert(const std::string& input, const std::string& output,
                             const std::string& className = "CTestFile") {
    return ConvertWithReason(input, output, className).outcome;
}

}  // namespace test

namespace core {

// Failures name themselves in test output.
inline void PrintTo(Outcome outcome, std::ostream* os) {
    *os << (outcome == Outcome::Converted ? std::string_view("Converted") : MessageText(outcome));
}

}  // namespace core
