// What the converter prints: error lines with the system's reason, warnings,
// and the progress line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <system_error>

#include "cli/report.h"
#include "cli/terminal_progress.h"
#include "core/conversion.h"
#include "core/name_rules.h"
#include "system_calls_mock.h"
#include "test_files.h"

namespace {

TEST(Report, EscapesControlCharactersOnly) {
    EXPECT_EQ(core::EscapeControls("a\nb\tc\rd"), "a\\nb\\tc\\rd");
    EXPECT_EQ(core::EscapeControls("\x1B[31mred\x7F"), "\\x1B[31mred\\x7F");
    EXPECT_EQ(core::EscapeControls(std::string("nul\0!", 5)), "nul\\x00!");
    EXPECT_EQ(core::EscapeControls("csi\xC2\x9B"
                                   "2J"),
              "csi\\xC2\\x9B2J");
    EXPECT_EQ(core::EscapeControls("caf\xC3\xA9 \xE2\x82\xAC \\n"), "caf\xC3\xA9 \xE2\x82\xAC \\n");
}

TEST(Report, ErrorsNameTheirFile) {
    EXPECT_EQ(cli::ErrorLine("in.bin", "Input file not found."),
              "hexcrate-convert: in.bin: Input file not found.");
    EXPECT_EQ(cli::ErrorLine("", "Please select a file"), "hexcrate-convert: Please select a file");
}

// A full disk, emulated through the system-call seam, reaches the user as
// the message with the system's reason.
TEST(Report, FullDiskNamesTheReason) {
    test::TempDir dir;
    test::WriteFile(dir / "in.bin", std::string(std::size_t{256} * 1024, 'x'));
    test::ScopedSystemCalls sys;
    sys->write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
    core::NoProgress progress;
    const core::ConversionResult result =
        core::Convert({dir / "in.bin", "CInFile", dir / "out.h"}, progress);
    EXPECT_EQ(result.outcome, core::Outcome::OutputNotWritten);
    EXPECT_EQ(result.reason, std::errc::no_space_on_device);
    EXPECT_EQ(
        cli::ErrorLine("out.h", result),
        "hexcrate-convert: out.h: Output file could not be written. (No space left on device)");
    EXPECT_EQ(test::EntriesIn(dir.Path()), 1u);
}

TEST(Report, WarnsAboutNamesThatDoNotCompile) {
    EXPECT_TRUE(cli::NameWarnings("CLogoFile", "logo").empty());
    EXPECT_TRUE(cli::NameWarnings("CProfileFile", "").empty());  // 'file', 'length' compile
    const auto warnings = cli::NameWarnings("CDebian-logoFile", "debian-logo");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0],
              "hexcrate-convert: warning: class name 'CDebian-logoFile' is not a valid C++ "
              "identifier; choose one with --class");
    EXPECT_EQ(warnings[1],
              "hexcrate-convert: warning: identifier prefix 'debian-logo' gives "
              "'debian-logofile', not a valid C++ identifier; choose a prefix with --name");
    EXPECT_EQ(cli::NameWarnings("CFile", "x").size(), 1u);  // collides with the header's own
    EXPECT_EQ(cli::NameWarnings("C", "2x").size(), 1u);
}

TEST(Report, CompileHintAboveOneMebibyteOnly) {
    EXPECT_EQ(cli::CompileCostHint("x", cli::kCompileHintThreshold), "");
    const std::string hint = cli::CompileCostHint("big.bin", 8 * cli::kCompileHintThreshold);
    EXPECT_EQ(hint.rfind("hexcrate-convert: warning: big.bin is 8.0 MiB: compiling", 0), 0u)
        << hint;
    EXPECT_NE(hint.find("--data=source, --data=incbin or --data=string"), std::string::npos)
        << hint;
}

// What the progress line wrote to a temporary file.
std::string Written(std::FILE* file) {
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    return text;
}

TEST(TerminalProgress, RewritesTheLineOnlyWhenThePercentChanges) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    cli::TerminalProgress progress(200, true, file);
    progress.Started("a\x1B.bin");
    for (std::uint32_t count : {0u, 1u, 2u, 3u, 200u}) progress.Advanced(count);
    progress.Clear();
    EXPECT_EQ(Written(file), "\r0% a\\x1B.bin\r1% a\\x1B.bin\r100% a\\x1B.bin\r\033[K");
    std::fclose(file);

    file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    cli::TerminalProgress quiet(200, false, file);  // not a terminal: nothing at all
    quiet.Started("a.bin");
    quiet.Advanced(100);
    quiet.Clear();
    EXPECT_EQ(Written(file), "");
    std::fclose(file);
}

}  // namespace
