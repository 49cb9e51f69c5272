#include "ProgramLauncher.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <cstdlib>
#include <thread>

#include "ShellResultCodes.h"

extern char** environ;

namespace tolvane {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

bool Exists(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

std::string ParentFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

std::optional<std::string> FindProgram(const std::string& name) {
    if (name.empty()) {
        return std::nullopt;
    }
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* pathVariable = std::getenv("PATH");
    const std::string folders = pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) {
            end = folders.size();
        }
        // An empty entry means the current folder, as the shells take it.
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + name;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

int StartErrorCode(int error, const std::string& path) {
    switch (error) {
        case ENOENT:
            if (!Exists(ParentFolder(path))) {
                return SE_ERR_PNF;
            }
            // The file is there, so what is missing is its loader or script interpreter.
            return Exists(path) ? SE_ERR_DLLNOTFOUND : SE_ERR_FNF;
        case ENOTDIR:
        case ELOOP:
        case ENAMETOOLONG:
            return SE_ERR_PNF;
        case EACCES:
        case EPERM:
            return SE_ERR_ACCESSDENIED;
        case ENOMEM:
        case E2BIG:
            return SE_ERR_OOM;
        case ENOEXEC:
        case ELIBBAD:
            return ERROR_BAD_FORMAT;
        case ETXTBSY:
            return SE_ERR_SHARE;
        default:
            return ERROR_OUT_OF_RESOURCES;
    }
}

int SpawnChild(const std::string& path, const std::vector<std::string>& args, pid_t* child) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_init(&attributes);
    // A session of its own: a browser started from here outlives the program and is not
    // stopped by a Ctrl+C meant for the terminal that started the program.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const int error = posix_spawn(child, path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

void ReapInBackground(pid_t child) {
    std::thread([child] {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

int StartProgram(std::string_view commandLine) {
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) {
        return SE_ERR_FNF;
    }
    const std::optional<std::string> path = FindProgram(words.front());
    if (!path) {
        return SE_ERR_FNF;
    }
    pid_t child = 0;
    const int error = SpawnChild(*path, words, &child);
    if (error != 0) {
        return StartErrorCode(error, *path);
    }
    ReapInBackground(child);
    return kProgramStarted;
}

}  // namespace tolvane
