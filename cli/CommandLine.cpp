#include "CommandLine.h"

#include <getopt.h>

#include <vector>

#include "PathText.h"
#include "Version.h"

#ifndef TOLVANE_HELP_PAGE
#error "TOLVANE_HELP_PAGE names the installed help page"
#endif

namespace tolvane {

namespace {

// Values of the options that have no short name; above every char value.
enum LongOnly : int { kVerify = 256, kNoVerify, kProgress, kNoProgress };

constexpr option kLongOptions[] = {
    {"delete-from-source", no_argument, nullptr, 'd'},
    {"verify", no_argument, nullptr, kVerify},
    {"no-verify", no_argument, nullptr, kNoVerify},
    {"jobs", required_argument, nullptr, 'j'},
    {"dry-run", no_argument, nullptr, 'n'},
    {"verbose", no_argument, nullptr, 'v'},
    {"quiet", no_argument, nullptr, 'q'},
    {"progress", no_argument, nullptr, kProgress},
    {"no-progress", no_argument, nullptr, kNoProgress},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// The leading '-' hands operands over in order (as value 1) instead of permuting argv, so
// that "-h" wins only over what follows it, also under POSIXLY_CORRECT.
constexpr const char* kShortOptions = "-dnvqhVj:";

const option* FindByValue(int value) {
    for (const option& entry : kLongOptions) {
        if (entry.name != nullptr && entry.val == value) {
            return &entry;
        }
    }
    return nullptr;
}

// getopt_long reports an unknown and an ambiguous long option alike when opterr is 0; this
// words them as getopt itself would, with the argument escaped for the terminal.
std::string LongOptionError(std::string_view argument) {
    const std::string_view typed = argument.substr(2, argument.find('=') - 2);
    std::string matches;
    int count = 0;
    for (const option& entry : kLongOptions) {
        if (entry.name != nullptr && std::string_view(entry.name).starts_with(typed)) {
            matches += " '--" + std::string(entry.name) + "'";
            ++count;
        }
    }
    if (count > 1) {
        return "option " + QuotePath(std::string("--") += typed) +
               " is ambiguous; possibilities:" + matches;
    }
    return "unrecognized option " + QuotePath(argument);
}

// The message for getopt_long's '?', given the argument it was reading.
std::string OptionError(int optionValue, std::string_view argument) {
    if (optionValue == 0) {
        return LongOptionError(argument);
    }
    if (const option* known = FindByValue(optionValue)) {
        if (known->has_arg == required_argument) {
            return argument.starts_with("--")
                       ? "option '--" + std::string(known->name) + "' requires an argument"
                       : "option requires an argument -- '" +
                             std::string(1, static_cast<char>(optionValue)) + "'";
        }
        return "option '--" + std::string(known->name) + "' doesn't allow an argument";
    }
    return "invalid option -- " + QuotePath(std::string(1, static_cast<char>(optionValue)));
}

class Parser {
  public:
    explicit Parser(std::span<const char* const> arguments) {
        m_argv.push_back(const_cast<char*>("tolvane-update"));
        for (const char* argument : arguments) {
            // getopt_long reorders nothing with kShortOptions and never writes to the strings.
            m_argv.push_back(const_cast<char*>(argument));
        }
        m_argv.push_back(nullptr);
    }

    ParsedCommandLine Run() {
        const int argc = static_cast<int>(m_argv.size() - 1);
        optind = 0;  // 0, not 1: glibc then also forgets a bundle left half-read
        opterr = 0;
        for (;;) {
            const int value =
                getopt_long(argc, m_argv.data(), kShortOptions, kLongOptions, nullptr);
            if (value == -1) {
                break;
            }
            if (value == '?') {
                return Failed(OptionError(optopt, m_argv[optind - 1]));
            }
            if (value == 'j' && !ParseJobs(optarg)) {
                return Failed("invalid number of jobs: " + QuotePath(optarg));
            }
            if (Apply(value)) {
                // Help and version ignore every other argument.
                CommandLine request;
                request.request = m_command.request;
                return {request, {}};
            }
        }
        for (int i = optind; i < argc; ++i) {
            m_operands.emplace_back(m_argv[i]);
        }
        if (m_seenVerbose && m_seenQuiet) {
            return Failed("--verbose and --quiet cannot be used together");
        }
        return TakeOperands();
    }

  private:
    // A whole number from 1 to 1024.
    bool ParseJobs(std::string_view text) {
        unsigned jobs = 0;
        for (const char c : text) {
            if (c < '0' || c > '9' || jobs > 1024) {
                return false;
            }
            jobs = jobs * 10 + static_cast<unsigned>(c - '0');
        }
        m_command.jobs = jobs;
        return jobs >= 1 && jobs <= 1024;
    }

    // Applies one value from getopt_long; returns true when parsing ends here.
    bool Apply(int value) {
        switch (value) {
            case 1:
                m_operands.emplace_back(optarg);
                break;
            case 'd':
                m_command.deleteFromSource = true;
                break;
            case kVerify:
                m_command.verify = VerifyMode::On;
                break;
            case kNoVerify:
                m_command.verify = VerifyMode::Off;
                break;
            case 'n':
                m_command.dryRun = true;
                break;
            case 'v':
                m_command.verbosity = Verbosity::Verbose;
                m_seenVerbose = true;
                break;
            case 'q':
                m_command.verbosity = Verbosity::Quiet;
                m_seenQuiet = true;
                break;
            case kProgress:
                m_command.progress = ProgressMode::On;
                break;
            case kNoProgress:
                m_command.progress = ProgressMode::Off;
                break;
            case 'h':
                m_command.request = CommandRequest::Help;
                return true;
            case 'V':
                m_command.request = CommandRequest::Version;
                return true;
        }
        return false;
    }

    ParsedCommandLine TakeOperands() {
        if (m_operands.empty()) {
            return Failed("missing SOURCE and TARGET");
        }
        if (m_operands.size() == 1) {
            return Failed("missing TARGET after " + QuotePath(m_operands[0]));
        }
        if (m_operands.size() > 2) {
            return Failed("unexpected argument " + QuotePath(m_operands[2]));
        }
        if (m_operands[0].empty() || m_operands[1].empty()) {
            return Failed("SOURCE and TARGET must not be empty");
        }
        m_command.source = m_operands[0];
        m_command.target = m_operands[1];
        return {m_command, {}};
    }

    static ParsedCommandLine Failed(std::string error) { return {CommandLine{}, std::move(error)}; }

    std::vector<char*> m_argv;
    std::vector<std::string> m_operands;
    CommandLine m_command;
    bool m_seenVerbose = false;
    bool m_seenQuiet = false;
};

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const char* const> arguments) {
    return Parser(arguments).Run();
}

std::string UsageText() {
    return "Usage: tolvane-update [OPTION]... SOURCE TARGET\n"
           "Bring the folder tree TARGET up to date from the folder tree SOURCE: make every\n"
           "folder of SOURCE under TARGET and copy each file that TARGET lacks or holds\n"
           "shorter. A missing TARGET is created with its missing parent folders.\n"
           "\n"
           "  -d, --delete-from-source  also delete each source file that TARGET provably\n"
           "                              holds: just copied, of the same size and time,\n"
           "                              or of the same content\n"
           "      --verify              read each target back from the storage (not from\n"
           "                              memory) once its data is on the disk, and compare\n"
           "                              it with the source: with -d before the source is\n"
           "                              deleted, also where size and time match, else\n"
           "                              after each copy; a target this run wrote that\n"
           "                              reads back otherwise is removed and reported.\n"
           "                              Costs one more read of every target and source.\n"
           "                              On by default for -d onto removable media (USB\n"
           "                              sticks, SD cards)\n"
           "      --no-verify           do not read targets back, also onto removable media\n"
           "  -j, --jobs=N              update N files at once (default: chosen by the\n"
           "                              storage, many on network and FUSE file systems);\n"
           "                              1 walks strictly one entry after another\n"
           "  -n, --dry-run             change nothing; report what a run would do\n"
           "  -v, --verbose             one line per action on stdout (mkdir, copy,\n"
           "                              resume, link, delete, skip), and the bytes copied\n"
           "                              and time\n"
           "  -q, --quiet               print nothing but errors\n"
           "      --progress            show a status line on stderr (the default when\n"
           "                              stderr is a terminal)\n"
           "      --no-progress         show no status line\n"
           "  -h, --help                display this help and exit\n"
           "  -V, --version             output version information and exit\n"
           "\n"
           "Options may stand before, between and after the operands; \"--\" ends them.\n"
           "\n"
           "The last line on stdout is \"N file(s) updated.\"; with -d the line\n"
           "\"M source file(s) deleted.\" comes before it. With -n they read \"would be\n"
           "updated\" and \"would be deleted\". Each failure is one line on stderr.\n"
           "\n"
           "The first SIGINT, SIGTERM or SIGHUP ends the run after the file in hand; a\n"
           "second one also abandons the file being copied.\n"
           "\n"
           "A large copy that is cut off (a second signal, a full disk, a lost device, a\n"
           "kill) is kept under a hidden temporary name with a record of how much of it is\n"
           "on the storage; the next run finishes it from there (\"resume\" with -v) when\n"
           "the source is unchanged and the end of the kept part matches it, and\n"
           "otherwise copies the file afresh.\n"
           "\n"
           "Exit status: 0 every entry handled; 1 some entries failed; 2 usage error or\n"
           "refused folders (nothing changed); 130 stopped by a signal.\n"
           "\n"
           "Full documentation: man tolvane-update, or the help page\n" TOLVANE_HELP_PAGE "\n";
}

std::string VersionText() {
    return std::string("tolvane-update (Tolvane) ") + version::kVersion + "\n" + version::kLicense +
           "\n";
}

}  // namespace tolvane
