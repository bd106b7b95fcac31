// Temporary directories, files, and conversions run on the calling thread.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "core/conversion.h"
#include "core/outcome.h"

namespace test {

namespace fs = std::filesystem;

// A fresh directory under $TMPDIR, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "hexcrate-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return (m_path / name).string(); }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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
