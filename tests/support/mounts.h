// Small file systems mounted for a test, each unmounted when it goes: a
// tmpfs (needs root) and a FAT image through FUSE (needs fusefat, dosfstools
// and /dev/fuse). Linux only.
#pragma once

#include <sys/mount.h>
#include <sys/vfs.h>

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
        : m_image(image), m_where(where) {
        std::filesystem::create_directory(where);
        const std::string make =
            "mkfs.vfat -C '" + image.string() + "' " + std::to_string(kib) + " >/dev/null 2>&1";
        const std::string mount =
            "fusefat -o rw+ '" + image.string() + "' '" + where.string() + "' >/dev/null 2>&1";
        // fusefat can report success without mounting: ask the kernel.
        struct statfs info {};
        m_mounted = std::system(make.c_str()) == 0 && std::system(mount.c_str()) == 0 &&
                    ::statfs(where.c_str(), &info) == 0 && info.f_type == kFuseMagic;
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
    void Unmount() {
        if (m_mounted) std::system(("fusermount -u '" + m_where.string() + "'").c_str());
        m_mounted = false;
    }

    static constexpr decltype(statfs::f_type) kFuseMagic = 0x65735546;
    std::filesystem::path m_image;
    std::filesystem::path m_where;
    bool m_mounted = false;
};

}  // namespace test
