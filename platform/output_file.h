// Creation of the header file without ever overwriting or half-writing one.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/result.h"

namespace platform {

class PublishGroup;

// True when anything at all answers to `path`: a file, a directory, or a
// symbolic link, even a dangling one. Never follows or opens it.
bool PathExists(const std::string& path);

// Where a file system can neither link nor refuse a name on rename (FAT
// through FUSE), a placeholder of ours holds the target's name for a moment
// before the header replaces it. It reads as an #error, so that it never
// compiles as a header, and its converter holds a lock on the temporary it
// names while it lives. A converter killed in that moment leaves both
// behind: this removes them when `path` is exactly such a placeholder (a
// regular file of this user, with the text one holds) that names a
// temporary of the form `path`'s own name gives (.NAME.hexcrate-XXXXXX),
// of this user too, whose lock is free; it says whether it did. Nothing
// else is ever removed.
bool ClearOrphanedPlaceholder(const std::string& path);

// A new file that is written unseen and appears under its final name only
// when published. It is created in the target's directory so that
// publishing is a link or a rename, not a copy. Until then nothing exists at
// the target; destroying an unpublished file discards it, and so does
// RemovePendingOutput() when the process is told to end or the conversion
// is abandoned, even before the file was created (see output_job.h).
class OutputFile {
public:
    enum class Temporary {
        Unnamed,  // Linux O_TMPFILE; falls back to Named where unsupported
        Named,    // a uniquely named hidden file beside the target, .NAME.hexcrate-XXXXXX
    };
    enum class PublishResult { Published, NameTaken, Failed };
    // How publishing went, with the system's reason when it failed, or when
    // a replacing file is in place but its directory could not be flushed.
    struct PublishStatus {
        PublishResult result = PublishResult::Failed;
        std::error_code reason;

        bool operator==(PublishResult other) const { return result == other; }
    };

    // Fails when the target can never be created: its directory is missing,
    // not a directory or not writable, or the name is too long.
    static Result<OutputFile> Create(const std::string& path, Temporary kind = Temporary::Unnamed);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Writes all `size` bytes, or says why not (a full disk, say).
    std::error_code Write(const void* data, std::size_t size);

    // Starts the file again, to be written from its first byte: the same
    // temporary serves, so that starting again removes nothing. Whatever
    // the earlier pass wrote beyond the new content goes when it is flushed.
    std::error_code Restart();

    // Flushes the content to disk, so that publishing has little left to do.
    std::error_code Flush();

    // Flushes the content to disk and gives the file its final name: after
    // a crash the target is either absent or complete. Fails with NameTaken
    // when something already answers to the name, which is never replaced.
    // Closes the file either way. A published file joins `group`, which may
    // still take it away again, and whose Sync() flushes its directory.
    PublishStatus Publish(PublishGroup& group);
    // The same for a file published on its own, its directory flushed.
    PublishStatus Publish();

    // The same, but atomically replaces whatever file has the name (readers
    // see the old content or the new, never a mix). Published or Failed;
    // Published with a reason when the directory could not be flushed, so
    // that after a crash the old file may be back (whole).
    PublishStatus PublishReplacing();

private:
    struct State;  // each system's own, in its source file
    explicit OutputFile(std::unique_ptr<State> state);

    std::unique_ptr<State> m_state;
};

// The new files of one run, published one after another but kept as a
// group: until Commit(), Rollback() (or destroying the group) removes every
// one of them again, and so does RemovePendingOutput() when the process is
// told to end. So a run's files appear all together or not at all. Only a
// file that is still the one published is removed, never one that has taken
// its name since.
class PublishGroup {
public:
    PublishGroup();
    ~PublishGroup();  // rolls back what was not committed
    PublishGroup(const PublishGroup&) = delete;
    PublishGroup& operator=(const PublishGroup&) = delete;

    // Flushes the directories of the files, so that their names survive a
    // crash; the reason when one cannot be flushed.
    std::error_code Sync() noexcept;
    // Keeps every file for good; false when RemovePendingOutput() has taken
    // the group away first. Either happens to the whole group, never to a
    // part of it.
    bool Commit() noexcept;
    void Rollback() noexcept;

    enum State : int { kOpen, kCommitted, kAbandoned };

private:
    friend class OutputFile;
    struct Member;  // each system's own, in its source file
    std::vector<std::unique_ptr<Member>> m_members;
    std::atomic<int> m_state{kOpen};  // decided once, by Commit() or by a removal
};

// Abandons every unpublished OutputFile: removes the hidden temporary it is
// writing (an unnamed one vanishes with its descriptor) and makes its
// Publish fail, so it never appears. Then removes the files of every
// PublishGroup not yet committed. Only async-signal-safe calls: for signal
// handlers, and for abandoning a conversion whose process goes on.
void RemovePendingOutput() noexcept;

}  // namespace platform
