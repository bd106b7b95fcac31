// The converter's command line and the dependency file's escaping.
#include <gtest/gtest.h>

#include "cli/depfile.h"
#include "cli/options.h"

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
        EXPECT_EQ(parsed.options.inputs, std::vector<std::string>{"in.bin"});
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
    EXPECT_EQ(parsed.options.inputs, std::vector<std::string>{"-in"});

    parsed = Parse({"-o", "-", "-"});  // "-" alone is a name; as output it is stdout
    ASSERT_TRUE(parsed.Ok());
    EXPECT_TRUE(parsed.options.ToStandardOutput());
    EXPECT_EQ(parsed.options.inputs, std::vector<std::string>{"-"});

    parsed = Parse({"--class=", "in", "--class", "CLast"});  // the last one counts
    EXPECT_EQ(parsed.options.className, "CLast");

    parsed = Parse({"b.wav", "--data=incbin", "a.png", "--", "-c"});  // inputs keep their order
    ASSERT_TRUE(parsed.Ok()) << parsed.error;
    EXPECT_EQ(parsed.options.inputs, (std::vector<std::string>{"b.wav", "a.png", "-c"}));
    EXPECT_EQ(parsed.options.data, core::DataKind::Incbin);
    EXPECT_EQ(Parse({"--data", "rc", "a"}).options.data, core::DataKind::Rc);
    EXPECT_EQ(Parse({"a"}).options.data, core::DataKind::Hex);
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
        {{"a", "b", "-c", "C"}, "--class, --name and --output take one INPUT only"},
        {{"a", "b", "-n", "p"}, "--class, --name and --output take one INPUT only"},
        {{"a", "b", "-o", "x.h"}, "--class, --name and --output take one INPUT only"},
        {{"a", "--data=bin"}, "unknown --data kind 'bin' (hex, string, incbin, rc or source)"},
        {{"a", "--data=rc", "-o-"},
         "--data=rc cannot be used with --output -: it writes a .rc file beside the header"},
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

// The text is checked against real Make and Ninja in depfile_test.sh; here
// its exact form and the messages of what it refuses.
TEST(Depfile, EscapesWhatMakeAndNinjaBothUndoAndRefusesTheRest) {
    EXPECT_EQ(cli::MakeDepfileText("out/a.h", "/src/a.bin").text, "out/a.h: /src/a.bin\n");
    EXPECT_EQ(cli::MakeDepfileText("my file.h", "a#1$:%.bin").text,
              "my\\ file.h: a\\#1$$\\:%.bin\n");
    EXPECT_EQ(cli::MakeDepfileText("x.h", "dir\\ odd").text, "x.h: dir\\\\\\ odd\n");
    // Every file of the rule, the header first; any name can refuse the line.
    EXPECT_EQ(cli::MakeDepfileText(std::vector<std::string>{"a b.h", "a b.c"}, "in").text,
              "a\\ b.h a\\ b.c: in\n");
    EXPECT_EQ(cli::MakeDepfileText(std::vector<std::string>{"x.h", "x%.c"}, "in").problem,
              "Dependency file cannot name 'x%.c': Make or Ninja would misread '%'.");

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
