// The shell's document-start service: each request is recorded and answered
// as the test scripted (accepted by default), or, when asked to, as Windows
// answers a request for a file that is not there.
#include <shellapi.h>
#include <standin.h>

namespace {
INT_PTR answer = 42;
bool refusesMissingFiles = false;
std::vector<standin::ShellRequest> requests;

bool SameVerb(const char *verb, const char *known) {
    for (; *verb != '\0' && *known != '\0'; ++verb, ++known) {
        char c = *verb >= 'A' && *verb <= 'Z' ? static_cast<char>(*verb + 32) : *verb;
        if (c != *known) {
            return false;
        }
    }
    return *verb == '\0' && *known == '\0';
}

// What the shell answers a request for file: the scripted answer, unless the
// file is a path on a mapped drive that names nothing, which Windows refuses
// with "file not found" (2), or "path not found" (3) when its folder is
// missing too. A folder has the verbs open, explore and find (in any letter
// case, as the registry names them); any other is "no association" (31).
INT_PTR AnswerFor(const char *verb, const char *file) {
    if (!refusesMissingFiles || file == nullptr) {
        return answer;
    }
    // "D:" is the drive's current folder, its root for the shell.
    const bool driveAlone = file[0] != '\0' && file[1] == ':' && file[2] == '\0';
    std::string host = standin::HostPath(driveAlone ? (std::string(file) + "\\").c_str() : file);
    if (!host.empty() && verb != nullptr && standin::detail::StatHost(host).directory &&
        !SameVerb(verb, "open") && !SameVerb(verb, "explore") && !SameVerb(verb, "find")) {
        return SE_ERR_NOASSOC;
    }
    if (host.empty() || standin::detail::StatHost(host).exists) {
        return answer;
    }
    std::string parent = host.substr(0, host.find_last_of('/'));
    return standin::detail::StatHost(parent).directory ? SE_ERR_FNF : SE_ERR_PNF;
}
} // namespace

namespace standin {
void SetShellAnswer(INT_PTR value) {
    answer = value;
}
void SetShellRefusesMissingFiles(bool on) {
    refusesMissingFiles = on;
}
std::vector<ShellRequest> ShellRequests() {
    return requests;
}
namespace detail {
void ResetShell() {
    answer = 42;
    refusesMissingFiles = false;
    requests.clear();
}
} // namespace detail
} // namespace standin

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT show) {
    standin::ShellRequest request;
    request.hasOwner = owner != nullptr;
    request.hasVerb = verb != nullptr;
    request.verb = verb != nullptr ? verb : "";
    request.file = file != nullptr ? file : "";
    request.hasParameters = parameters != nullptr;
    request.parameters = parameters != nullptr ? parameters : "";
    request.hasDirectory = directory != nullptr;
    request.directory = directory != nullptr ? directory : "";
    request.show = show;
    request.dllDirectorySet = standin::DllDirectorySet();
    requests.push_back(request);
    INT_PTR given = AnswerFor(verb, file);
    using standin::detail::Text;
    if (standin::detail::Recording()) {
        standin::detail::Record(
            {"ShellExecuteA",
             {Text(verb), Text(file), Text(parameters), Text(directory), std::to_string(show)},
             static_cast<long long>(given),
             {}});
    }
    return reinterpret_cast<HINSTANCE>(given);
}
