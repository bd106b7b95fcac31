// Small file systems mounted for a test, each unmounted when it goes: a
// tmpfs (needs root) and a FAT image through FUSE (needs fusefat, dosfstools
// and /dev/fuse). Linux only.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace test {

class SmallMount {
public:
    SmallMount(const std::filesystem::path& where, const char* options) : m_where(where) {
        std::filesystem::create_directory(where);
        m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options) == 0;
    }
    ~SmallMount() {
        if (m_mounted) ::umount2(m_where.c_str(), MNT_DETACH);
    }
    SmallMount(const SmallMount&) = delete;
    SmallMount& operator=(const SmallMount&) = delete;

    bool Mounted() const { return m_mounted; }
    void MakeReadOnly() {
        m_mounted =
            ::mount("tmpfs", m_where.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::filesystem::path m_where;
    bool m_mounted = false;
};

// No unnamed files, no hard links, and no rename that refuses an existing
// name: the converter's last way of publishing. fusefat cannot shorten a
// file: write new files rather than over old ones. It also loses the
// clusters written to a file after its name was removed, which fsck then
// reports.
class FatMount {
public:
    FatMount(const std::filesystem::path& image, const std::filesystem::path& where, int kib)
        : m_where(where), m_image(image) {
        std::filesystem::create_directory(where);
        const std::string make =
            "mkfs.vfat -C '" + image.string() + "' " + std::to_string(kib) + " >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) return;
        // In the foreground, as a child of ours: unmounting then waits for
        // it to have written everything to the image.
        m_daemon = ::fork();
        if (m_daemon == 0) {
            // A test killed midway (a hang, a timeout) takes its mount along.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execlp("fusefat", "fusefat", "-f", "-o", "rw+", image.c_str(), where.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // fusefat can run without mounting: ask the kernel.
        for (int wait = 0; wait < 100 && m_daemon > 0 && !m_mounted; ++wait) {
            struct statfs info {};
            m_mounted = ::statfs(where.c_str(), &info) == 0 && info.f_type == kFuseMagic;
            if (!m_mounted && ::waitpid(m_daemon, nullptr, WNOHANG) != 0) m_daemon = -1;
            if (!m_mounted) ::usleep(50'000);
        }
    }
    ~FatMount() { Unmount(); }
    FatMount(const FatMount&) = delete;
    FatMount& operator=(const FatMount&) = delete;

    bool Mounted() const { return m_mounted; }

    // Unmounts, then asks fsck whether the volume is still sound.
    bool UnmountAndCheck() {
        Unmount();
        return std::system(("fsck.vfat -n '" + m_image.string() + "' >/dev/null 2>&1").c_str()) ==
               0;
    }

private:
    // A volume still busy for a moment (a process just ended) is waited for:
    // stopping the daemon instead would leave the volume unclean.
    void Unmount() {
        const std::string unmount = "fusermount -u -q '" + m_where.string() + "' 2>/dev/null";
        bool unmounted = !m_mounted;
        for (int attempt = 0; !unmounted && attempt < 40; ++attempt) {
            unmounted = std::system(unmount.c_str()) == 0;
            if (!unmounted) ::usleep(50'000);
        }
        if (!unmounted) ::kill(m_daemon, SIGTERM);
        if (m_daemon > 0) ::waitpid(m_daemon, nullptr, 0);
        m_mounted = false;
        m_daemon = -1;
    }

    static constexpr decltype(statfs::f_type) kFuseMagic = 0x65735546;
    std::filesystem::path m_where;
    std::filesystem::path m_image;
    pid_t m_daemon = -1;
    bool m_mounted = false;
};

}  // namespace test
