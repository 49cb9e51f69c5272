#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tolvane {

enum class CommandRequest { Update, Help, Version };
enum class Verbosity { Quiet, Normal, Verbose };
enum class ProgressMode { Auto, On, Off };
enum class VerifyMode { Auto, On, Off };

// What one invocation of tolvane-update asks for.
struct CommandLine {
    CommandRequest request = CommandRequest::Update;
    std::string source;
    std::string target;
    bool deleteFromSource = false;
    // Read targets back from the storage: --verify, --no-verify, or on a move onto
    // removable media.
    VerifyMode verify = VerifyMode::Auto;
    unsigned jobs = 0;  // files updated at once; 0 lets the engine choose
    bool dryRun = false;
    Verbosity verbosity = Verbosity::Normal;
    ProgressMode progress = ProgressMode::Auto;
};

struct ParsedCommandLine {
    CommandLine command;
    std::string error;  // empty when every argument was understood
};

// Reads the arguments that follow the program name, with getopt_long: long options may be
// abbreviated as long as the abbreviation is unambiguous, short options may be bundled ("-dv").
// Options may stand before, between and after the operands; "--" ends the options, so that
// operands may begin with '-'. "-h" and "-V" win over everything that follows them. Not
// reentrant: getopt keeps its state in globals.
ParsedCommandLine ParseCommandLine(std::span<const char* const> arguments);

std::string UsageText();
std::string VersionText();

}  // namespace tolvane
