// The names proposed for an input: display name, identifier prefix, class, output.
#include <gtest/gtest.h>

#include "core/name_rules.h"

namespace {

struct NameCase {
    const char* path;
    const char* display;
    const char* prefix;
    const char* output;
    const char* className;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << '\'' << c.path << '\''; }

class NameRules : public testing::TestWithParam<NameCase> {};

TEST_P(NameRules, DerivesEveryName) {
    const NameCase& c = GetParam();
    EXPECT_EQ(core::DisplayName(c.path), c.display);
    EXPECT_EQ(core::IdentifierPrefix(c.path), c.prefix);
    EXPECT_EQ(core::DefaultOutputName(c.path), c.output);
    EXPECT_EQ(core::DefaultClassName(c.path), c.className);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, NameRules,
    testing::Values(
        NameCase{"C:\\Pictures\\MyLogo.BMP", "MyLogo.BMP", "MyLogo", "MyLogo.h", "CMylogoFile"},
        NameCase{"C:\\dir\\archive.tar.gz", "archive.tar.gz", "archive.tar", "archive.tar.h",
                 "CArchive.tarFile"},
        // Only dot first: empty base name; the class takes the base of the rest.
        NameCase{"C:\\home\\.profile", ".profile", "", ".h", "C.profileFile"},
        NameCase{"a.bin", "a.bin", "a", "a.h", "CAFile"},
        // The ends of the alphabet change case too.
        NameCase{"zZz.bin", "zZz.bin", "zZz", "zZz.h", "CZzzFile"},
        NameCase{"data.bin", "data.bin", "data", "data.h", "CDataFile"},
        NameCase{"C:\\dir\\", "", "", ".h", "CFile"}, NameCase{"", "", "", ".h", "CFile"},
        NameCase{"C:\\my.dir\\readme", "readme", "readme", "readme.h", "CReadmeFile"},
        NameCase{"my-file 2.dat", "my-file 2.dat", "my-file 2", "my-file 2.h", "CMy-file 2File"},
        // No dot: the whole name is its base name, for every keystroke.
        NameCase{"Makefile", "Makefile", "Makefile", "Makefile.h", "CMakefileFile"},
        NameCase{"C:", "C:", "C:", "C:.h", "CC:File"},
        // Forward slashes separate directories too.
        NameCase{"/home/ann/my.dir/Photo.JPG", "Photo.JPG", "Photo", "Photo.h", "CPhotoFile"},
        NameCase{"/home/ann/", "", "", ".h", "CFile"},
        // UTF-8 passes through; only ASCII letters change case.
        NameCase{"/tmp/\xC3\x89t\xC3\xA9.PNG", "\xC3\x89t\xC3\xA9.PNG", "\xC3\x89t\xC3\xA9",
                 "\xC3\x89t\xC3\xA9.h",
                 "C\xC3\x89t\xC3\xA9"
                 "File"},
        NameCase{"/tmp/\xC3\xA9LAN.txt", "\xC3\xA9LAN.txt", "\xC3\xA9LAN", "\xC3\xA9LAN.h",
                 "C\xC3\xA9lanFile"}));

TEST(NameRules, TypingAPathProposesNamesAtEveryKeystroke) {
    const std::string path = "/x/ab.c";
    const char* expectedClass[] = {"CFile",  "CFile",   "CXFile",  "CFile",
                                   "CAFile", "CAbFile", "CAbFile", "CAbFile"};
    const char* expectedOutput[] = {".h", ".h", "x.h", ".h", "a.h", "ab.h", "ab.h", "ab.h"};
    for (std::size_t n = 0; n <= path.size(); ++n) {
        SCOPED_TRACE(path.substr(0, n));
        EXPECT_EQ(core::DefaultClassName(path.substr(0, n)), expectedClass[n]);
        EXPECT_EQ(core::DefaultOutputName(path.substr(0, n)), expectedOutput[n]);
    }
}

TEST(NameRules, IdentifierRule) {
    for (const char* good : {"a", "z", "Z", "_x", "CLogoFile", "x9", "int_", "caf\xC3\xA9"})
        EXPECT_TRUE(core::IsIdentifier(good)) << good;
    for (const char* bad : {"", "9x", "a-b", "a b", "a.b", "int", "class", "co_await", "$x"})
        EXPECT_FALSE(core::IsIdentifier(bad)) << bad;
}

}  // namespace
