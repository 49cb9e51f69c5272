#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane {
namespace {

struct ParseRow {
    const char* name;
    std::vector<const char*> arguments;
    std::string error;  // expected error; empty when the arguments are valid
    CommandLine expected;
};

CommandLine Update(const char* source, const char* target) {
    CommandLine command;
    command.source = source;
    command.target = target;
    return command;
}

CommandLine With(CommandLine command, void (*change)(CommandLine&)) {
    change(command);
    return command;
}

CommandLine Request(CommandRequest request) {
    CommandLine command;
    command.request = request;
    return command;
}

std::vector<ParseRow> ParseRows() {
    return {
        {"Plain", {"a", "b"}, "", Update("a", "b")},
        {"LongOptions",
         {"--delete-from-source", "--dry-run", "--verbose", "--no-progress", "a", "b"},
         "",
         With(Update("a", "b"),
              [](CommandLine& c) {
                  c.deleteFromSource = true;
                  c.dryRun = true;
                  c.verbosity = Verbosity::Verbose;
                  c.progress = ProgressMode::Off;
              })},
        {"BundledShortOptionsAfterTheOperands",
         {"a", "b", "-dnq"},
         "",
         With(Update("a", "b"),
              [](CommandLine& c) {
                  c.deleteFromSource = true;
                  c.dryRun = true;
                  c.verbosity = Verbosity::Quiet;
              })},
        {"ProgressOn",
         {"--progress", "a", "b"},
         "",
         With(Update("a", "b"), [](CommandLine& c) { c.progress = ProgressMode::On; })},
        {"LastProgressOptionWins",
         {"--progress", "--no-progress", "a", "b"},
         "",
         With(Update("a", "b"), [](CommandLine& c) { c.progress = ProgressMode::Off; })},
        {"DoubleDashMakesOptionsOperands",
         {"-v", "--", "-n", "--help"},
         "",
         With(Update("-n", "--help"), [](CommandLine& c) { c.verbosity = Verbosity::Verbose; })},
        {"SingleDashIsAnOperand", {"-", "b"}, "", Update("-", "b")},
        {"HelpWinsOverMissingOperands", {"-h"}, "", Request(CommandRequest::Help)},
        {"HelpWinsOverWhatFollows", {"a", "--help", "--bogus"}, "", Request(CommandRequest::Help)},
        {"VersionInABundle", {"-vV"}, "", Request(CommandRequest::Version)},
        {"NoOperands", {}, "missing SOURCE and TARGET", {}},
        {"OneOperand", {"only"}, "missing TARGET after 'only'", {}},
        {"ThreeOperands", {"a", "b", "c"}, "unexpected argument 'c'", {}},
        {"EmptyOperand", {"a", ""}, "SOURCE and TARGET must not be empty", {}},
        {"UnambiguousAbbreviations",
         {"--verb", "--dry", "--del", "--no-v", "--verif", "--no-p", "a", "b"},
         "",
         With(Update("a", "b"),
              [](CommandLine& c) {
                  c.verbosity = Verbosity::Verbose;
                  c.dryRun = true;
                  c.deleteFromSource = true;
                  c.verify = VerifyMode::On;
                  c.progress = ProgressMode::Off;
              })},
        {"VerifyTurnedOff",
         {"--verify", "--no-verify", "a", "b"},
         "",
         With(Update("a", "b"), [](CommandLine& c) { c.verify = VerifyMode::Off; })},
        {"AmbiguousAbbreviation",
         {"--ver", "a", "b"},
         "option '--ver' is ambiguous; possibilities: '--verify' '--verbose' '--version'",
         {}},
        {"UnknownLongOption", {"--bogus=1", "a", "b"}, "unrecognized option '--bogus=1'", {}},
        {"UnknownShortOptionInABundle", {"-dx", "a", "b"}, "invalid option -- 'x'", {}},
        {"ValueGivenToAnAbbreviatedFlag",
         {"--verb=yes", "a", "b"},
         "option '--verbose' doesn't allow an argument",
         {}},
        {"VerboseAndQuietTogether",
         {"-v", "-q", "a", "b"},
         "--verbose and --quiet cannot be used together",
         {}},
        {"UnknownOptionShownEscaped", {"--\xff", "a", "b"}, "unrecognized option '--\\xff'", {}},
        {"HelpAfterAnUnknownOption", {"--bogus", "--help"}, "unrecognized option '--bogus'", {}},
        {"JobsInABundleAndAbbreviated",
         {"-dj", "3", "--jo=12", "a", "b"},
         "",
         [] {
             CommandLine c = Update("a", "b");
             c.deleteFromSource = true;
             c.jobs = 12;
             return c;
         }()},
        {"JobsOfZero", {"--jobs", "0", "a", "b"}, "invalid number of jobs: '0'", {}},
        {"JobsThatWrapToOne",
         {"--jobs", "4294967297", "a", "b"},
         "invalid number of jobs: '4294967297'",
         {}},
        {"JobsWithoutANumber", {"a", "b", "-j"}, "option requires an argument -- 'j'", {}},
    };
}

void PrintTo(const ParseRow& row, std::ostream* out) {
    *out << row.name;
}

class ParseCommandLineTest : public testing::TestWithParam<ParseRow> {};

TEST_P(ParseCommandLineTest, ReadsArguments) {
    const ParseRow& row = GetParam();
    const ParsedCommandLine parsed = ParseCommandLine(row.arguments);
    EXPECT_EQ(parsed.error, row.error);
    const CommandLine& got = parsed.command;
    EXPECT_EQ(got.request, row.expected.request);
    EXPECT_EQ(got.source, row.expected.source);
    EXPECT_EQ(got.target, row.expected.target);
    EXPECT_EQ(got.deleteFromSource, row.expected.deleteFromSource);
    EXPECT_EQ(got.verify, row.expected.verify);
    EXPECT_EQ(got.jobs, row.expected.jobs);
    EXPECT_EQ(got.dryRun, row.expected.dryRun);
    EXPECT_EQ(got.verbosity, row.expected.verbosity);
    EXPECT_EQ(got.progress, row.expected.progress);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseCommandLineTest, testing::ValuesIn(ParseRows()),
                         [](const testing::TestParamInfo<ParseRow>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace tolvane
