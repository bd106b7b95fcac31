// What the worker and the Convert checks do with bad input and hostile
// outputs: a clear message, and never a touched, overwritten or partial file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdlib>

#include "core/job_check.h"
#include "core/outcome.h"
#include "test_support.h"

namespace {

using test::EntriesIn;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;
using core::Outcome;

// A small tmpfs mounted for one test; needs root. Unmounted on destruction.
class SmallMount {
public:
    SmallMount(const fs::path& where, const char* options) : m_where(where) {
        fs::create_directory(where);
        m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options) == 0;
    }
    ~SmallMount() {
        if (m_mounted) ::umount2(m_where.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }
    void MakeReadOnly() {
        m_mounted =
            ::mount("tmpfs", m_where.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    fs::path m_where;
    bool m_mounted = false;
};

// A FAT image mounted through FUSE: no unnamed files, no hard links, and no
// rename that refuses an existing name. Needs fusefat, mkfs.vfat and the
// right to mount FUSE file systems.
class FatMount {
public:
    FatMount(const fs::path& image, const fs::path& where, int kib) : m_where(where) {
        fs::create_directory(where);
        const std::string make =
            "mkfs.vfat -C '" + image.string() + "' " + std::to_string(kib) + " >/dev/null 2>&1";
        const std::string mount =
            "fusefat -o rw+ '" + image.string() + "' '" + where.string() + "' >/dev/null 2>&1";
        // fusefat can report success without mounting: ask the kernel.
        struct statfs info {};
        m_mounted = std::system(make.c_str()) == 0 && std::system(mount.c_str()) == 0 &&
                    ::statfs(where.c_str(), &info) == 0 && info.f_type == kFuseMagic;
    }
    ~FatMount() {
        if (m_mounted) std::system(("fusermount -u '" + m_where.string() + "'").c_str());
    }
    bool Mounted() const { return m_mounted; }

private:
    static constexpr decltype(statfs::f_type) kFuseMagic = 0x65735546;
    fs::path m_where;
    bool m_mounted = false;
};

TEST(ConvertOutput, FatImageGetsWholeHeadersAndNoLeftovers) {
    TempDir dir;
    FatMount fat(dir / "fat.img", dir / "fat", 1024);
    if (!fat.Mounted())
        GTEST_SKIP() << "cannot mount a FAT image: needs fusefat, dosfstools and /dev/fuse access";
    WriteFile(dir / "in.bin", std::string(1000, 'x'));
    // 1.2 MiB of header: too big.
    WriteFile(dir / "big.bin", std::string(std::size_t{200} * 1024, 'x'));

    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "in.h"), Outcome::Converted);
    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "fat/in.h"), Outcome::Converted);
    EXPECT_EQ(ReadFile(dir / "fat/in.h"), ReadFile(dir / "in.h"));
    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "fat/in.h"), Outcome::OutputExists);
    EXPECT_EQ(test::Convert(dir / "big.bin", dir / "fat/big.h"), Outcome::OutputNotWritten);
    EXPECT_EQ(EntriesIn(dir / "fat"), 1u);
    EXPECT_EQ(ReadFile(dir / "fat/in.h"), ReadFile(dir / "in.h"));
}

TEST(ConvertInput, UnusableInputsAreNotFoundAndNothingIsCreated) {
    TempDir dir;
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    WriteFile(dir / "locked.bin", "data");
    const int holder = ::open((dir / "locked.bin").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);

    for (const char* name : {"missing.bin", "folder", "fifo", "locked.bin"}) {
        SCOPED_TRACE(name);
        // The FIFO has no writer: a blocking open would hang here.
        EXPECT_EQ(core::CheckJob(dir / name, "CX", dir / "out.h").outcome, Outcome::InputNotFound);
        EXPECT_EQ(test::Convert(dir / name, dir / "out.h"), Outcome::InputNotFound);
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "out.h")));
    }
    ::close(holder);
    EXPECT_EQ(test::Convert(dir / "locked.bin", dir / "out.h"), Outcome::Converted);
    EXPECT_EQ(ReadFile(dir / "locked.bin"), "data");
}

TEST(ConvertOutput, AnythingAtTheOutputPathIsLeftAlone) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    WriteFile(dir / "full.h", "keep me");
    WriteFile(dir / "empty.h", "");
    WriteFile(dir / "victim.txt", "precious");
    fs::create_symlink(dir / "victim.txt", dir / "link.h");
    fs::create_symlink(dir / "nowhere.txt", dir / "dangling.h");
    fs::create_directory(dir / "folder.h");

    for (const char* name : {"full.h", "empty.h", "link.h", "dangling.h", "folder.h"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(core::CheckJob(dir / "in.bin", "CX", dir / name).outcome,
                  Outcome::OutputNameTaken);
        EXPECT_EQ(test::Convert(dir / "in.bin", dir / name), Outcome::OutputExists);
    }
    EXPECT_EQ(ReadFile(dir / "full.h"), "keep me");
    EXPECT_EQ(ReadFile(dir / "empty.h"), "");
    EXPECT_EQ(ReadFile(dir / "victim.txt"), "precious");
    EXPECT_FALSE(fs::exists(dir / "nowhere.txt"));
    EXPECT_EQ(EntriesIn(dir.Path()), 7u);
}

TEST(ConvertOutput, UncreatableOutputIsReported) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "no/such/dir/out.h"), Outcome::OutputNotCreated);

    // A read-only place: permissions for an ordinary user, a read-only mount
    // for root (who ignores permissions).
    fs::create_directory(dir / "ro");
    SmallMount mount(dir / "ro", "size=64k");
    if (mount.Mounted()) {
        mount.MakeReadOnly();
    } else {
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        if (::geteuid() == 0)
            GTEST_SKIP() << "root without mount(2) cannot make a read-only directory";
    }
    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "ro/out.h"), Outcome::OutputNotCreated);
    EXPECT_EQ(EntriesIn(dir / "ro"), 0u);
}

TEST(ConvertOutput, FullDiskLeavesNothingBehind) {
    TempDir dir;
    SmallMount disk(dir / "disk", "size=256k");
    if (!disk.Mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root";
    // About 1.2 MiB of header.
    WriteFile(dir / "in.bin", std::string(std::size_t{200} * 1024, 'x'));

    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "disk/in.h"), Outcome::OutputNotWritten);
    EXPECT_EQ(EntriesIn(dir / "disk"), 0u);
    // The space is free again for a conversion that fits.
    WriteFile(dir / "small.bin", "abc");
    EXPECT_EQ(test::Convert(dir / "small.bin", dir / "disk/small.h"), Outcome::Converted);
}

TEST(ConvertInput, ReadErrorIsReportedAndNothingIsLeft) {
    // Reading a process's own memory file at offset 0 fails with EIO.
    if (!fs::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc here";
    TempDir dir;
    EXPECT_EQ(test::Convert("/proc/self/mem", dir / "mem.h"), Outcome::InputUnreadable);
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(ConvertInput, InputIsOnlyRead) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    fs::permissions(dir / "in.bin", fs::perms::owner_read);
    const auto before = fs::last_write_time(dir / "in.bin");
    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "in.h"), Outcome::Converted);
    EXPECT_EQ(ReadFile(dir / "in.bin"), "abc");
    EXPECT_EQ(fs::last_write_time(dir / "in.bin"), before);
}

TEST(JobCheck, RefusesInOrderAndMeasuresTheInput) {
    TempDir dir;
    WriteFile(dir / "in.bin", "hello");
    WriteFile(dir / "taken.h", "");
    const std::string in = dir / "in.bin";
    const std::string out = dir / "out.h";

    EXPECT_EQ(core::CheckJob("", "", "").outcome, Outcome::NoInputPath);
    EXPECT_EQ(core::CheckJob(dir / "missing", "", "").outcome, Outcome::NoClassName);
    EXPECT_EQ(core::CheckJob(dir / "missing", "CX", "").outcome, Outcome::OutputNameTaken);
    EXPECT_EQ(core::CheckJob(dir / "missing", "CX", dir / "taken.h").outcome,
              Outcome::OutputNameTaken);
    EXPECT_EQ(core::CheckJob(dir / "missing", "CX", out).outcome, Outcome::InputNotFound);
    // A text of spaces is not empty.
    EXPECT_TRUE(core::CheckJob(in, " ", out).Ok());

    const core::JobCheck ok = core::CheckJob(in, "CX", out);
    EXPECT_TRUE(ok.Ok());
    EXPECT_EQ(ok.inputLength, 5u);
    EXPECT_FALSE(fs::exists(out));
}

TEST(JobCheck, RefusesInputsOf4GiBOrMore) {
    TempDir dir;
    // Sparse files: no disk space is used.
    for (auto [size, expected] :
         {std::pair<std::uintmax_t, Outcome>{0xFFFFFFFFull, Outcome::Accepted},
          {0x100000000ull, Outcome::InputTooLarge}}) {
        WriteFile(dir / "big.bin", "");
        fs::resize_file(dir / "big.bin", size);
        const core::JobCheck check = core::CheckJob(dir / "big.bin", "CX", dir / "big.h");
        EXPECT_EQ(check.outcome, expected);
        if (check.Ok()) {
            EXPECT_EQ(check.inputLength, 0xFFFFFFFFu);
        }
    }
    EXPECT_EQ(test::Convert(dir / "big.bin", dir / "big.h"), Outcome::InputTooLarge);
    EXPECT_FALSE(fs::exists(dir / "big.h"));
}

}  // namespace
