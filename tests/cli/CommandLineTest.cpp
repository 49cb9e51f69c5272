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
        {"plain", {"a", "b"}, "", Update("a", "b")},
        {"long options",
         {"--delete-from-source", "--dry-run", "--verbose", "--no-progress", "a", "b"},
         "",
         With(Update("a", "b"),
              [](CommandLine& c) {
                  c.deleteFromSource = true;
                  c.dryRun = true;
                  c.verbosity = Verbosity::Verbose;
                  c.progress = ProgressMode::Off;
              })},
        {"bundled short options after the operands",
         {"a", "b", "-dnq"},
         "",
         With(Update("a", "b"),
              [](CommandLine& c) {
                  c.deleteFromSource = true;
                  c.dryRun = true;
                  c.verbosity = Verbosity::Quiet;
              })},
        {"progress on",
         {"--progress", "a", "b"},
         "",
         With(Update("a", "b"), [](CommandLine& c) { c.progress = ProgressMode::On; })},
        {"last progress option wins",
         {"--progress", "--no-progress", "a", "b"},
         "",
         With(Update("a", "b"), [](CommandLine& c) { c.progress = ProgressMode::Off; })},
        {"double dash makes options operands",
         {"-v", "--", "-n", "--help"},
         "",
         With(Update("-n", "--help"), [](CommandLine& c) { c.verbosity = Verbosity::Verbose; })},
        {"single dash is an operand", {"-", "b"}, "", Update("-", "b")},
        {"help wins over missing operands", {"-h"}, "", Request(CommandRequest::Help)},
        {"help wins over what follows",
         {"a", "--help", "--bogus"},
         "",
         Request(CommandRequest::Help)},
        {"version in a bundle", {"-vV"}, "", Request(CommandRequest::Version)},
        {"no operands", {}, "missing SOURCE and TARGET", {}},
        {"one operand", {"only"}, "missing TARGET after 'only'", {}},
        {"three operands", {"a", "b", "c"}, "unexpected argument 'c'", {}},
        {"empty operand", {"a", ""}, "SOURCE and TARGET must not be empty", {}},
        {"unknown long option", {"--delete", "a", "b"}, "unknown option '--delete'", {}},
        {"unknown short option in a bundle", {"-dx", "a", "b"}, "unknown option '-x'", {}},
        {"value given to a flag",
         {"--verbose=yes", "a", "b"},
         "option '--verbose' takes no value",
         {}},
        {"verbose and quiet together",
         {"-v", "-q", "a", "b"},
         "--verbose and --quiet cannot be used together",
         {}},
        {"unknown option shown escaped", {"--\xff", "a", "b"}, "unknown option '--\\xff'", {}},
        {"help after an unknown option", {"--bogus", "--help"}, "unknown option '--bogus'", {}},
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
    EXPECT_EQ(got.dryRun, row.expected.dryRun);
    EXPECT_EQ(got.verbosity, row.expected.verbosity);
    EXPECT_EQ(got.progress, row.expected.progress);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseCommandLineTest, testing::ValuesIn(ParseRows()),
                         [](const testing::TestParamInfo<ParseRow>& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace tolvane
