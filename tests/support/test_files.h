// Files for tests: a temporary directory that cleans up after itself, whole
// files written and read in one call, and what a directory holds.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace test {

namespace fs = std::filesystem;

// A fresh directory under $TMPDIR (%TEMP% on Windows), removed with
// everything in it.
class TempDir {
public:
    TempDir() {
        std::random_device random;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            const auto tag = std::to_string(random() ^ static_cast<unsigned>(now) ^ attempt);
            m_path = fs::temp_directory_path() / ("hexcrate-test-" + tag);
            if (fs::create_directory(m_path)) return;  // false: the name is taken
        }
        throw std::runtime_error("no free name for a temporary directory");
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
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

// How many entries `dir` holds, hidden ones included.
inline std::size_t EntriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

// The names of the entries of `dir`, sorted.
inline std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::string> Entries(const TempDir& dir) { return Entries(dir.Path()); }

}  // namespace test
