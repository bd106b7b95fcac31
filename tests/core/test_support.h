// Temporary directories and a synchronous way to run the worker.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "core/conversion_state.h"
#include "core/header_writer.h"

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
