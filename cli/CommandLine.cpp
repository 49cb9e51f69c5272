#include "CommandLine.h"

#include <array>
#include <optional>
#include <vector>

#include "PathText.h"
#include "Version.h"

namespace tolvane {

namespace {

enum class OptionId { Delete, DryRun, Verbose, Quiet, Progress, NoProgress, Help, Version };

struct OptionName {
    OptionId id;
    char shortName;  // '\0' when the option has only a long name
    std::string_view longName;
};

constexpr std::array kOptions{
    OptionName{OptionId::Delete, 'd', "delete-from-source"},
    OptionName{OptionId::DryRun, 'n', "dry-run"},
    OptionName{OptionId::Verbose, 'v', "verbose"},
    OptionName{OptionId::Quiet, 'q', "quiet"},
    OptionName{OptionId::Progress, '\0', "progress"},
    OptionName{OptionId::NoProgress, '\0', "no-progress"},
    OptionName{OptionId::Help, 'h', "help"},
    OptionName{OptionId::Version, 'V', "version"},
};

std::optional<OptionId> FindShort(char name) {
    for (const auto& option : kOptions) {
        if (option.shortName != '\0' && option.shortName == name) {
            return option.id;
        }
    }
    return std::nullopt;
}

std::optional<OptionId> FindLong(std::string_view name) {
    for (const auto& option : kOptions) {
        if (option.longName == name) {
            return option.id;
        }
    }
    return std::nullopt;
}

// Applies one option; returns true when parsing ends here (help or version).
bool Apply(OptionId id, CommandLine& command) {
    switch (id) {
        case OptionId::Delete:
            command.deleteFromSource = true;
            break;
        case OptionId::DryRun:
            command.dryRun = true;
            break;
        case OptionId::Verbose:
            command.verbosity = Verbosity::Verbose;
            break;
        case OptionId::Quiet:
            command.verbosity = Verbosity::Quiet;
            break;
        case OptionId::Progress:
            command.progress = ProgressMode::On;
            break;
        case OptionId::NoProgress:
            command.progress = ProgressMode::Off;
            break;
        case OptionId::Help:
            command.request = CommandRequest::Help;
            return true;
        case OptionId::Version:
            command.request = CommandRequest::Version;
            return true;
    }
    return false;
}

class Parser {
  public:
    explicit Parser(std::span<const char* const> arguments) : m_arguments(arguments) {}

    ParsedCommandLine Run() {
        bool optionsEnded = false;
        bool seenVerbose = false;
        bool seenQuiet = false;
        for (const char* raw : m_arguments) {
            const std::string_view argument(raw);
            if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
                m_operands.emplace_back(argument);
                continue;
            }
            if (argument == "--") {
                optionsEnded = true;
                continue;
            }
            std::vector<OptionId> ids;
            if (!ReadOption(argument, ids)) {
                return Failed();
            }
            for (OptionId id : ids) {
                seenVerbose = seenVerbose || id == OptionId::Verbose;
                seenQuiet = seenQuiet || id == OptionId::Quiet;
                if (Apply(id, m_result.command)) {
                    // Help and version ignore every other argument.
                    CommandLine request;
                    request.request = m_result.command.request;
                    return {request, {}};
                }
            }
        }
        if (seenVerbose && seenQuiet) {
            m_result.error = "--verbose and --quiet cannot be used together";
            return Failed();
        }
        return TakeOperands();
    }

  private:
    // Turns "--name" or a bundle of short options into option ids.
    bool ReadOption(std::string_view argument, std::vector<OptionId>& ids) {
        if (argument.starts_with("--")) {
            const std::string_view name = argument.substr(2);
            const size_t equals = name.find('=');
            const auto id = FindLong(name.substr(0, equals));
            if (!id) {
                m_result.error = "unknown option " + QuotePath(argument);
                return false;
            }
            if (equals != std::string_view::npos) {
                m_result.error =
                    "option '--" + std::string(name.substr(0, equals)) + "' takes no value";
                return false;
            }
            ids.push_back(*id);
            return true;
        }
        for (char name : argument.substr(1)) {
            const auto id = FindShort(name);
            if (!id) {
                m_result.error = "unknown option " + QuotePath(std::string{'-', name});
                return false;
            }
            ids.push_back(*id);
        }
        return true;
    }

    ParsedCommandLine TakeOperands() {
        if (m_operands.empty()) {
            m_result.error = "missing SOURCE and TARGET";
        } else if (m_operands.size() == 1) {
            m_result.error = "missing TARGET after " + QuotePath(m_operands[0]);
        } else if (m_operands.size() > 2) {
            m_result.error = "unexpected argument " + QuotePath(m_operands[2]);
        } else if (m_operands[0].empty() || m_operands[1].empty()) {
            m_result.error = "SOURCE and TARGET must not be empty";
        } else {
            m_result.command.source = m_operands[0];
            m_result.command.target = m_operands[1];
        }
        return m_result.error.empty() ? m_result : Failed();
    }

    ParsedCommandLine Failed() {
        m_result.command = CommandLine{};
        return m_result;
    }

    std::span<const char* const> m_arguments;
    std::vector<std::string> m_operands;
    ParsedCommandLine m_result;
};

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const char* const> arguments) {
    return Parser(arguments).Run();
}

std::string_view UsageText() {
    return "tolvane-update [OPTIONS] SOURCE TARGET\n"
           "  -d, --delete-from-source  also delete source files that the target holds at the "
           "same size or that were just copied\n"
           "  -n, --dry-run             change nothing; report what a run would do\n"
           "  -v, --verbose             one line per action on stdout: \"mkdir PATH\", "
           "\"copy SRC -> DST\", \"link SRC -> DST\", \"delete SRC\", \"skip SRC: REASON\"\n"
           "  -q, --quiet               print nothing but errors\n"
           "      --progress, --no-progress   a live status line on stderr (default: on when "
           "stderr is a terminal): entries visited, files copied, bytes, rate, current path\n"
           "  -h, --help                usage\n"
           "  -V, --version             the version record's values\n"
           "\n"
           "Brings the folder tree TARGET up to date from the folder tree SOURCE: every folder of\n"
           "SOURCE is made under TARGET, and a file is copied when TARGET has no file of that\n"
           "name or a shorter one. Files are compared by size alone. A missing TARGET is created\n"
           "with its missing parent folders (not with --dry-run). \"--\" ends the options.\n"
           "\n"
           "The last line on stdout is \"N file(s) updated.\"; with --delete-from-source the line\n"
           "\"M source file(s) deleted.\" comes before it. Each failure is one line on stderr.\n"
           "The first SIGINT or SIGTERM ends the run after the entry in hand; a second one also\n"
           "abandons the file being copied.\n"
           "\n"
           "Exit status: 0 every entry handled; 1 some entries failed; 2 usage error or refused\n"
           "folders (nothing changed); 130 stopped by a signal.\n";
}

std::string VersionText() {
    using namespace tolvane::version;
    std::string text = "tolvane-update ";
    text += kFileVersion;
    text += "\nFileVersion: ";
    text += kFileVersion;
    text += "\nProductVersion: ";
    text += kProductVersion;
    text += "\nInternalName: ";
    text += kInternalName;
    text += "\nProductName: ";
    text += kProductName;
    text += "\nFileDescription: ";
    text += kFileDescription;
    text += "\n";
    text += kReleaseText;
    text += "\n";
    return text;
}

}  // namespace tolvane
