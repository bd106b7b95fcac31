#include "platform/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/system_calls.h"

namespace platform {
namespace {

struct Place {
    std::string dir;
    std::string name;
};

Place PlaceOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool Identical(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

PathKind KindOfPath(const std::string& path) {
    struct stat info {};
    if (Sys().fstatat(AT_FDCWD, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? PathKind::Missing : PathKind::Other;
    return S_ISREG(info.st_mode) ? PathKind::RegularFile : PathKind::Other;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat infoA {};
    struct stat infoB {};
    const bool existsA = Sys().fstatat(AT_FDCWD, a.c_str(), &infoA, 0) == 0;
    const bool existsB = Sys().fstatat(AT_FDCWD, b.c_str(), &infoB, 0) == 0;
    if (existsA && existsB) return Identical(infoA, infoB);

    // "out.h", "./out.h" and "/work/out.h" are one name before the file exists.
    const Place placeA = PlaceOf(a);
    const Place placeB = PlaceOf(b);
    if (placeA.name != placeB.name) return false;
    const bool dirA = Sys().fstatat(AT_FDCWD, placeA.dir.c_str(), &infoA, 0) == 0;
    const bool dirB = Sys().fstatat(AT_FDCWD, placeB.dir.c_str(), &infoB, 0) == 0;
    return dirA && dirB ? Identical(infoA, infoB) : placeA.dir == placeB.dir;
}

}  // namespace platform
