#include <gtest/gtest.h>

#include "cli/depfile.h"
#include "cli/options.h"
#include "cli/report.h"
#include "core/name_rules.h"

namespace {

cli::ParsedCommandLine Parse(const std::vector<std::string>& args) {
    return cli::ParseCommandLine(args);
}

TEST(CommandLine, LongShortAndAttachedValuesMeanTheSame) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--class", "CX", "--output", "x.h", "--name", "px", "in.bin"},
             {"--class=CX", "--output=x.h", "--name=px", "in.bin"},
             {"in.bin", "-c", "CX", "-o", "x.h", "-n", "px"},
             {"-cCX", "-ox.h", "-npx", "in.bin"},
         }) {
        const auto parsed = Parse(args);
        ASSERT_TRUE(parsed.Ok()) << parsed.error;
        EXPECT_EQ(parsed.options.input, "in.bin");
        EXPECT_EQ(parsed.options.className, "CX");
        EXPECT_EQ(parsed.options.output, "x.h");
        EXPECT_EQ(parsed.options.prefix, "px");
        EXPECT_FALSE(parsed.options.update || parsed.options.quiet || parsed.options.depfile);
    }
}

TEST(CommandLine, FlagsBundlesValuesThatLookLikeOptionsAndTheEnd) {
    auto parsed = Parse({"-qc", "-x", "--update", "--depfile=d.d", "--", "-in"});
    ASSERT_TRUE(parsed.Ok()) << parsed.error;
    EXPECT_TRUE(parsed.options.quiet && parsed.options.update);
    EXPECT_EQ(parsed.options.className, "-x");  // a value is taken whatever it looks like
    EXPECT_EQ(parsed.options.depfile, "d.d");
    EXPECT_EQ(parsed.options.input, "-in");

    parsed = Parse({"-o", "-", "-"});  // "-" alone is a name; as output it is stdout
    ASSERT_TRUE(parsed.Ok());
    EXPECT_TRUE(parsed.options.ToStandardOutput());
    EXPECT_EQ(parsed.options.input, "-");

    parsed = Parse({"--class=", "in", "--class", "CLast"});  // the last one counts
    EXPECT_EQ(parsed.options.className, "CLast");
}

TEST(CommandLine, HelpAndVersionStopParsing) {
    EXPECT_TRUE(Parse({"--help", "--no-such"}).options.help);
    EXPECT_TRUE(Parse({"-qV"}).options.version);
    EXPECT_EQ(Parse({"--no-such", "-h"}).error, "unknown option --no-such");
}

TEST(CommandLine, RefusesWhatItCannotMeanExactly) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no INPUT given"},
        {{"-q"}, "no INPUT given"},
        {{"a", "b"}, "only one INPUT can be converted at a time"},
        {{"a", "--fast"}, "unknown option --fast"},
        {{"a", "--out=x.h"}, "unknown option --out"},  // no abbreviations
        {{"a", "-x"}, "unknown option -x"},
        {{"a", "-qx"}, "unknown option -x"},
        {{"a", "--class"}, "--class needs a value"},
        {{"a", "-o"}, "-o needs a value"},
        {{"a", "--quiet=yes"}, "--quiet takes no value"},
        {{"a", "--class="}, "--class needs a name"},
        {{"a", "-c", ""}, "--class needs a name"},
        {{"a", "--output="}, "--output needs a file name"},
        {{"a", "--depfile="}, "--depfile needs a file name"},
        {{"a", "-o-", "--update"}, "--update cannot be used with --output -"},
        {{"a", "--output=-", "--depfile=d"}, "--depfile cannot be used with --output -"},
    };
    for (const auto& [args, error] : cases) EXPECT_EQ(Parse(args).error, error);
}

TEST(Report, EscapesControlCharactersOnly) {
    EXPECT_EQ(cli::EscapeControls("a\nb\tc\rd"), "a\\nb\\tc\\rd");
    EXPECT_EQ(cli::EscapeControls("\x1B[31mred\x7F"), "\\x1B[31mred\\x7F");
    EXPECT_EQ(cli::EscapeControls(std::string("nul\0!", 5)), "nul\\x00!");
    EXPECT_EQ(cli::EscapeControls("csi\xC2\x9B"
                                  "2J"),
              "csi\\xC2\\x9B2J");
    EXPECT_EQ(cli::EscapeControls("caf\xC3\xA9 \xE2\x82\xAC \\n"), "caf\xC3\xA9 \xE2\x82\xAC \\n");
}

TEST(Report, ErrorsNameTheirFile) {
    EXPECT_EQ(cli::ErrorLine("in.bin", "Input file not found."),
              "hexcrate-convert: in.bin: Input file not found.");
    EXPECT_EQ(cli::ErrorLine("", "Please select a file"), "hexcrate-convert: Please select a file");
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

TEST(Report, IdentifierRule) {
    for (const char* good : {"a", "_x", "CLogoFile", "x9", "int_", "caf\xC3\xA9"})
        EXPECT_TRUE(core::IsIdentifier(good)) << good;
    for (const char* bad : {"", "9x", "a-b", "a b", "a.b", "int", "class", "co_await", "$x"})
        EXPECT_FALSE(core::IsIdentifier(bad)) << bad;
}

TEST(Report, CompileHintAboveOneMebibyteOnly) {
    EXPECT_EQ(cli::CompileCostHint("x", cli::kCompileHintThreshold), "");
    const std::string hint = cli::CompileCostHint("big.bin", 8 * cli::kCompileHintThreshold);
    EXPECT_EQ(hint.rfind("hexcrate-convert: warning: big.bin is 8.0 MiB: compiling", 0), 0u)
        << hint;
}

// The text is checked against real Make and Ninja in depfile_test.sh; here
// its exact form and the messages of what it refuses.
TEST(Depfile, EscapesWhatMakeAndNinjaBothUndoAndRefusesTheRest) {
    EXPECT_EQ(cli::MakeDepfileText("out/a.h", "/src/a.bin").text, "out/a.h: /src/a.bin\n");
    EXPECT_EQ(cli::MakeDepfileText("my file.h", "a#1$:%.bin").text,
              "my\\ file.h: a\\#1$$\\:%.bin\n");
    EXPECT_EQ(cli::MakeDepfileText("x.h", "dir\\ odd").text, "x.h: dir\\\\\\ odd\n");

    const std::vector<std::pair<std::pair<const char*, const char*>, std::string>> refused = {
        {{"x.h", "line\nend"}, "'line\nend': Make or Ninja would misread a line feed."},
        {{"x.h", "a;b"}, "'a;b': Make or Ninja would misread ';'."},
        {{"x%.h", "in"}, "'x%.h': Make or Ninja would misread '%'."},
        {{"x.h", "a\\#b"}, "'a\\#b': Make or Ninja would misread '\\#'."},
        {{"x.h", "in:"}, "'in:': Make or Ninja would misread a name that ends in ':'."},
    };
    for (const auto& [names, problem] : refused) {
        const cli::DepfileText text = cli::MakeDepfileText(names.first, names.second);
        EXPECT_EQ(text.problem, "Dependency file cannot name " + problem);
        EXPECT_EQ(text.text, "");
    }
}

}  // namespace
