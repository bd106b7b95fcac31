// Drives the output file through random runs of system-call results: each
// call of the file layer may fail with a plausible error, write only part of
// what it was given, or report a failed close. Whatever happens, afterwards
// a target that was there is untouched (or, when replacing, wholly old or
// wholly new), nothing but the target is left in the directory (or an
// orphaned placeholder that the next run clears), and a published target
// holds exactly the bytes written.
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/output_file.h"
#include "platform/output_job.h"
#include "platform/system_calls.h"

namespace fs = std::filesystem;

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "output file: %s\n", what);
    std::abort();
}

FuzzedDataProvider* g_input = nullptr;

// 0 lets the call through; otherwise one of `errors` is returned, the call
// not made. About one call in five fails; an exhausted input lets every
// call through.
template <std::size_t N>
int Fault(const int (&errors)[N]) {
    const auto pick = g_input->ConsumeIntegralInRange<std::size_t>(0, 5 * N - 1);
    return pick < 4 * N ? 0 : errors[pick - 4 * N];
}

int Fail(int error) {
    errno = error;
    return -1;
}

const platform::SystemCalls& Real() { return platform::RealSystemCalls(); }

int FakeOpenat(int dir, const char* path, int flags, mode_t mode) {
    static constexpr int kErrors[] = {EOPNOTSUPP, EISDIR, EEXIST, EACCES, ENOSPC, EIO, EMFILE};
    const int error = Fault(kErrors);
    return error ? Fail(error) : Real().openat(dir, path, flags, mode);
}

ssize_t FakeWrite(int fd, const void* data, size_t size) {
    static constexpr int kErrors[] = {ENOSPC, EIO, EINTR, EFBIG};
    const int error = Fault(kErrors);
    if (error) return Fail(error);
    // A short write, now and then one that writes nothing.
    if (size > 0 && g_input->ConsumeBool())
        size = g_input->ConsumeIntegralInRange<std::size_t>(0, size - 1);
    return size == 0 ? 0 : Real().write(fd, data, size);
}

int FakeClose(int fd) {
    static constexpr int kErrors[] = {EIO, ENOSPC};
    const int error = Fault(kErrors);
    const int closed = Real().close(fd);  // the number is gone whatever close says
    return error ? Fail(error) : closed;
}

// Never really flushes: nothing here looks at what a crash would keep, and
// flushing to disk would make each input take milliseconds.
int FakeFsync(int /*fd*/) {
    static constexpr int kErrors[] = {EIO, ENOSPC, EINVAL};
    const int error = Fault(kErrors);
    return error ? Fail(error) : 0;
}

int FakeFstatat(int dir, const char* path, struct stat* info, int flags) {
    static constexpr int kErrors[] = {EIO, EACCES};
    const int error = Fault(kErrors);
    return error ? Fail(error) : Real().fstatat(dir, path, info, flags);
}

int FakeLinkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    static constexpr int kErrors[] = {EEXIST, EPERM, EOPNOTSUPP, EMLINK, ENOENT, EIO, ENOSPC};
    const int error = Fault(kErrors);
    return error ? Fail(error) : Real().linkat(fromDir, from, toDir, to, flags);
}

int FakeRenameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    static constexpr int kErrors[] = {EEXIST, EINVAL, ENOSYS, EIO, ENOSPC};
    const int error = Fault(kErrors);
    return error ? Fail(error) : Real().renameat2(fromDir, from, toDir, to, flags);
}

// The faults in place for one input; the real calls back afterwards. Removing
// files is never faulted: a temporary the system refuses to remove is no
// fault of the file layer's.
class FaultyCalls {
public:
    explicit FaultyCalls(FuzzedDataProvider& input) {
        g_input = &input;
        platform::SystemCalls& sys = platform::Sys();
        sys.openat = FakeOpenat;
        sys.write = FakeWrite;
        sys.close = FakeClose;
        sys.fsync = FakeFsync;
        sys.fstatat = FakeFstatat;
        sys.linkat = FakeLinkat;
        sys.renameat2 = FakeRenameat2;
    }
    ~FaultyCalls() {
        platform::Sys() = Real();
        g_input = nullptr;
    }
    FaultyCalls(const FaultyCalls&) = delete;
    FaultyCalls& operator=(const FaultyCalls&) = delete;
};

// Beside the fuzzer itself, emptied for every input and kept between runs:
// a fuzzer that stops at its time limit runs no exit handlers.
const fs::path& Directory() {
    static const fs::path dir = [] {
        fs::path path = fs::read_symlink("/proc/self/exe").parent_path() / "output_file_fuzz.work";
        fs::create_directories(path);
        return path;
    }();
    return dir;
}

std::optional<std::string> Content(const fs::path& path) {
    if (fs::is_symlink(path) || !fs::is_regular_file(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

enum class Ending { Publish, PublishReplacing, Drop, AbandonThenPublish };
enum class Before { Nothing, File, Symlink, Directory };
const std::string kOld = "old header\n";
const std::string kTheirs = "theirs\n";

// One input's run and how it ended.
struct Run {
    Before before = Before::Nothing;
    Ending ending = Ending::Drop;
    bool raced = false;  // something else took the name before publishing
    std::string written;
    std::optional<platform::OutputFile::PublishResult> result;
};

Run Drive(FuzzedDataProvider& input, const fs::path& target) {
    Run run;
    run.before = static_cast<Before>(input.ConsumeIntegralInRange(0, 3));
    if (run.before == Before::File) WriteFile(target, kOld);
    if (run.before == Before::Symlink) fs::create_symlink("nowhere", target);
    if (run.before == Before::Directory) fs::create_directory(target);
    const auto kind = input.ConsumeBool() ? platform::OutputFile::Temporary::Unnamed
                                          : platform::OutputFile::Temporary::Named;
    run.ending = static_cast<Ending>(input.ConsumeIntegralInRange(0, 3));
    if (run.ending == Ending::PublishReplacing && run.before != Before::Nothing &&
        run.before != Before::File)
        run.ending = Ending::Publish;
    // Abandoned before the file is even created: its job's mark is older.
    const bool abandonFirst = input.ConsumeIntegralInRange(0, 15) == 0;
    run.raced = run.before == Before::Nothing && run.ending != Ending::PublishReplacing &&
                input.ConsumeIntegralInRange(0, 7) == 0;

    const platform::JobOutputScope job(platform::TakeJobMark());
    if (abandonFirst) platform::RemovePendingOutput();
    const FaultyCalls faults(input);
    auto file = platform::OutputFile::Create(target.string(), kind);
    if (abandonFirst) Require(!file, "created for an abandoned job");
    bool complete = file.Ok();
    for (int i = input.ConsumeIntegralInRange(0, 4); complete && i > 0; --i) {
        const std::string chunk = input.ConsumeRandomLengthString(4096);
        complete = !file->Write(chunk.data(), chunk.size());
        run.written += chunk;
    }
    if (run.raced) WriteFile(target, kTheirs);
    if (!complete) return run;
    switch (run.ending) {
        case Ending::Publish:
            run.result = file->Publish().result;
            break;
        case Ending::PublishReplacing:
            run.result = file->PublishReplacing().result;
            break;
        case Ending::AbandonThenPublish:
            platform::RemovePendingOutput();
            run.result = file->Publish().result;
            Require(run.result != platform::OutputFile::PublishResult::Published,
                    "an abandoned file was published");
            break;
        case Ending::Drop:
            break;
    }
    return run;
}

void Check(const Run& run, const fs::path& target) {
    const bool published = run.result == platform::OutputFile::PublishResult::Published;
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(target.parent_path())) {
        Require(entry.path() == target, "something besides the target was left behind");
        ++entries;
    }
    const std::optional<std::string> now = Content(target);
    const bool replacing = run.ending == Ending::PublishReplacing;
    if (run.raced) {
        Require(!published && now == kTheirs, "a target that appeared meanwhile was replaced");
    } else if (run.before == Before::File) {
        Require(now == kOld || (replacing && now == run.written),
                replacing ? "the replaced target is neither old nor new" : "the target changed");
        Require(!published || (replacing && now == run.written),
                "published over an existing target");
    } else if (run.before == Before::Symlink) {
        Require(fs::is_symlink(target) && !published, "a symbolic link was replaced");
    } else if (run.before == Before::Directory) {
        Require(fs::is_directory(target) && !published, "a directory was replaced");
    } else if (published) {
        Require(now == run.written, "the published target differs from what was written");
    } else if (entries != 0 && !(replacing && now == run.written)) {
        // A replacement renamed but not flushed is reported as a failure,
        // yet the name is there and complete. Anything else left must be a
        // placeholder whose removal failed to be confirmed, and the next
        // run clears it.
        Require(platform::ClearOrphanedPlaceholder(target.string()) &&
                    fs::is_empty(target.parent_path()),
                "a failed publish left a target");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const fs::path& dir = Directory();
    for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
    const fs::path target = dir / "out.h";
    Check(Drive(input, target), target);
    return 0;
}
