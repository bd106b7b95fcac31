// The Windows file layer: exclusive input, devices, both separators, names
// beyond ASCII, and an output that is never overwritten or left half-made.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>

#include "core/job_check.h"
#include "core/outcome.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "test_support.h"

namespace {

using platform::InputAccess;
using platform::InputFile;
using platform::OutputFile;
using test::EntriesIn;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;
using core::Outcome;

// Another program's handle on a file, as a viewer holds it: reading only, so
// that only a share mode of 0 on the converter's side refuses it.
class Holder {
public:
    Holder(const std::string& path, DWORD share)
        : m_file(::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0,
                               nullptr)) {}
    ~Holder() {
        if (m_file != INVALID_HANDLE_VALUE) ::CloseHandle(m_file);
    }
    bool Holds() const { return m_file != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_file;
};

TEST(WindowsInput, HeldFilesDevicesAndFoldersAreNotFound) {
    TempDir dir;
    WriteFile(dir / "held.bin", "data");
    fs::create_directory(dir / "folder");
    {
        Holder viewer(dir / "held.bin", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        ASSERT_TRUE(viewer.Holds());
        for (std::string name : {dir / "held.bin", dir / "folder", dir / "missing.bin",
                                 std::string("NUL"), std::string("CON"), std::string("\\\\.\\NUL"),
                                 dir / "nul", std::string("\xFF\xFE.bin")}) {
            SCOPED_TRACE(name);
            EXPECT_FALSE(InputFile::Open(name));
            EXPECT_EQ(core::CheckJob(name, "CX", dir / "out.h").outcome, Outcome::InputNotFound);
            EXPECT_EQ(test::Convert(name, dir / "out.h"), Outcome::InputNotFound);
        }
        // Shared access reads beside the other holder.
        auto shared = InputFile::Open(dir / "held.bin", InputAccess::Shared);
        ASSERT_TRUE(shared);
        EXPECT_EQ(shared->Size(), 4u);
    }
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);

    // While the converter holds it, nobody else opens it, not even to read.
    auto input = InputFile::Open(dir / "held.bin");
    ASSERT_TRUE(input);
    EXPECT_FALSE(Holder(dir / "held.bin", FILE_SHARE_READ).Holds());
    char bytes[8];
    EXPECT_EQ(*input->Read(bytes, sizeof bytes), 4u);
    EXPECT_EQ(*input->Read(bytes, sizeof bytes), 0u);
}

TEST(WindowsOutput, DevicesAndHeldFilesAreTakenNames) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    WriteFile(dir / "held.h", "");
    Holder exclusive(dir / "held.h", 0);
    ASSERT_TRUE(exclusive.Holds());
    for (std::string name :
         {std::string("NUL"), std::string("CON"), dir / "held.h", dir.Path().string()}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(platform::PathExists(name));
        EXPECT_EQ(core::CheckJob(dir / "in.bin", "CX", name).outcome, Outcome::OutputNameTaken);
        EXPECT_NE(test::Convert(dir / "in.bin", name), Outcome::Converted);
    }
    EXPECT_FALSE(platform::PathExists(dir / "free.h"));
    EXPECT_FALSE(platform::PathExists(dir / "no\\such\\free.h"));
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

// Each refusal carries its own reason, the same as on POSIX where one is
// shared (a device is not a regular file), and never one left over from an
// earlier call.
TEST(WindowsReasons, RefusalsSayWhy) {
    TempDir dir;
    ::SetLastError(ERROR_INVALID_FUNCTION);  // stale
    EXPECT_EQ(InputFile::Open("NUL").Error(), platform::Errc::NotRegularFile);
    EXPECT_EQ(InputFile::Open("").Error().value(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(InputFile::Open(std::string("a\0b", 3)).Error().value(), ERROR_INVALID_NAME);
    EXPECT_EQ(InputFile::Open("\xFF.bin").Error().value(), ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(InputFile::Open(dir / "missing.bin").Error().value(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(InputFile::Open(dir.Path().string()).Error(), std::errc::is_a_directory);
    EXPECT_EQ(OutputFile::Create(dir.Path().string() + "\\").Error().value(), ERROR_INVALID_NAME);
    WriteFile(dir / "in.bin", "abc");
    EXPECT_EQ(test::ConvertWithReason("NUL", dir / "out.h").reason.message(), "not a regular file");
    EXPECT_EQ(
        test::ConvertWithReason(dir / "in.bin", dir / std::string("bad\0.h", 6)).reason.value(),
        ERROR_INVALID_NAME);
}

TEST(WindowsPaths, BothSeparatorsAndNamesBeyondAscii) {
    TempDir dir;
    const std::string name =
        "Gr\xC3\xBC\xC3\x9F"
        "e-\xE6\x97\xA5\xE6\x9C\xAC.bin";  // Grüße-日本.bin
    fs::create_directories(dir.Path() / "a" / "b");
    const std::string folder = dir.Path().string() + "/a\\b";
    std::ofstream(fs::u8path(folder + "/" + name), std::ios::binary) << "xyz";

    ASSERT_EQ(test::Convert(folder + "\\" + name, folder + "/" +
                                                      "Gr\xC3\xBC\xC3\x9F"
                                                      "e.h"),
              Outcome::Converted);
    const fs::path header = dir.Path() / "a" / "b" /
                            fs::u8path(
                                "Gr\xC3\xBC\xC3\x9F"
                                "e.h");
    ASSERT_TRUE(fs::exists(header));
    std::ifstream in(header, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    EXPECT_NE(text.find("adds " + name + " to"), std::string::npos);
    EXPECT_EQ(EntriesIn(dir.Path() / "a" / "b"), 2u);
    // Published like any new file: not hidden.
    EXPECT_FALSE(::GetFileAttributesW(header.wstring().c_str()) & FILE_ATTRIBUTE_HIDDEN);

    // A bare name goes to the current directory, a drive-relative one too.
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    WriteFile("bare.bin", "1");
    EXPECT_EQ(test::Convert("bare.bin", "bare.h"), Outcome::Converted);
    const std::string drive = dir.Path().string().substr(0, 2);
    EXPECT_EQ(test::Convert(drive + "bare.bin", drive + "drive.h"), Outcome::Converted);
    fs::current_path(before);
    EXPECT_TRUE(fs::exists(dir / "bare.h"));
    EXPECT_TRUE(fs::exists(dir / "drive.h"));
}

TEST(WindowsOutput, PendingFileIsHiddenAndNeverPublishedOverAnother) {
    TempDir dir;
    auto out = OutputFile::Create(dir / "out.h");
    ASSERT_TRUE(out);
    ASSERT_FALSE(out->Write("new", 3));
    // Pending: one hidden file, nothing at the target yet.
    ASSERT_EQ(EntriesIn(dir.Path()), 1u);
    const fs::path temp = fs::directory_iterator(dir.Path())->path();
    EXPECT_TRUE(::GetFileAttributesW(temp.wstring().c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(fs::exists(dir / "out.h"));

    WriteFile(dir / "out.h", "someone else's");
    EXPECT_EQ(out->Publish(), OutputFile::PublishResult::NameTaken);
    EXPECT_EQ(ReadFile(dir / "out.h"), "someone else's");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);

    auto replacing = OutputFile::Create(dir / "out.h");
    ASSERT_TRUE(replacing);
    ASSERT_FALSE(replacing->Write("mine", 4));
    EXPECT_EQ(replacing->PublishReplacing(), OutputFile::PublishResult::Published);
    EXPECT_EQ(ReadFile(dir / "out.h"), "mine");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(WindowsOutput, DroppedAbandonedOrUncreatableLeavesNothing) {
    TempDir dir;
    {
        auto dropped = OutputFile::Create(dir / "dropped.h");
        ASSERT_TRUE(dropped);
        ASSERT_FALSE(dropped->Write("abc", 3));
    }
    // The window closing mid-conversion: the worker's publish must fail.
    auto abandoned = OutputFile::Create(dir / "abandoned.h");
    ASSERT_TRUE(abandoned);
    ASSERT_FALSE(abandoned->Write("abc", 3));
    platform::RemovePendingOutput();
    const OutputFile::PublishStatus status = abandoned->Publish();
    EXPECT_EQ(status, OutputFile::PublishResult::Failed);
    EXPECT_EQ(status.reason.value(), ERROR_CANCELLED);
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
    // Only the file it was meant for: the next one publishes.
    auto next = OutputFile::Create(dir / "next.h");
    ASSERT_TRUE(next);
    EXPECT_EQ(next->Publish(), OutputFile::PublishResult::Published);

    WriteFile(dir / "in.bin", "abc");
    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "no/such\\dir/out.h"), Outcome::OutputNotCreated);
    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "bad?name.h"), Outcome::OutputNotCreated);
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

}  // namespace
