// Creation of the header file without ever overwriting or half-writing one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace platform {

// True when anything at all answers to `path`: a file, a directory, or a
// symbolic link, even a dangling one. Never follows or opens it.
bool PathExists(const std::string& path);

// A new file that is written unseen and appears under its final name only
// when Publish() succeeds. It is created in the target's directory so that
// publishing is a link, not a copy. Until then nothing exists at the target;
// destroying an unpublished file (or the process ending) discards it.
class OutputFile {
public:
    enum class Temporary {
        Unnamed,  // Linux O_TMPFILE; falls back to Named where unsupported
        Named,    // a uniquely named hidden file beside the target
    };
    enum class PublishResult { Published, NameTaken, Failed };

    // Returns nothing when the directory is missing or not writable.
    static std::optional<OutputFile> Create(const std::string& path,
                                            Temporary kind = Temporary::Unnamed);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Writes all `size` bytes; false on any error (a full disk, say).
    bool Write(const void* data, std::size_t size);

    // Gives the file its final name, failing with NameTaken when something
    // already answers to it. Closes the file either way.
    PublishResult Publish();

private:
    OutputFile(int fd, std::string target, std::string tempPath)
        : m_fd(fd), m_target(std::move(target)), m_tempPath(std::move(tempPath)) {}
    bool LinkToTarget();
    void Discard() noexcept;

    int m_fd = -1;
    std::string m_target;
    std::string m_tempPath;  // empty for an unnamed temporary
};

}  // namespace platform
