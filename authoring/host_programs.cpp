#include "authoring/host_programs.h"

#include <standin.h>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
#endif

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

#ifdef _WIN32
// The programs the tool runs (the image writer and reader) are Linux ones.
int RunProgram(const std::vector<std::string> &, const std::string &) {
    return -1;
}
#else
int RunProgram(const std::vector<std::string> &arguments, const std::string &errorLog) {
    std::vector<char *> argv;
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    pid_t pid = 0;
    int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
#endif

bool TemporaryFolder::Make(const char *prefix, std::string *error) {
    path_ = standin::MakeHostTemporaryFolder(prefix);
    if (path_.empty()) {
        *error = "cannot make a temporary folder of its own";
        return false;
    }
    return true;
}

TemporaryFolder::~TemporaryFolder() {
    if (path_.empty()) {
        return;
    }
    // Files taken from an image keep its read-only modes; a folder must be
    // writable for its entries to go. Links are not followed, so a staging
    // folder's links go and their targets stay.
    std::error_code code;
    fs::path path = standin::HostFsPath(path_);
    for (auto it = fs::recursive_directory_iterator(path, code);
         !code && it != fs::recursive_directory_iterator(); it.increment(code)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, code);
    fs::remove_all(path, code);
}
