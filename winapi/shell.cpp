// The shell's document-start service: each request is recorded and answered
// as the test scripted (accepted by default).
#include <shellapi.h>
#include <standin.h>

namespace {
INT_PTR answer = 42;
std::vector<standin::ShellRequest> requests;
} // namespace

namespace standin {
void SetShellAnswer(INT_PTR value) {
    answer = value;
}
std::vector<ShellRequest> ShellRequests() {
    return requests;
}
namespace detail {
void ResetShell() {
    answer = 42;
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
    using standin::detail::Text;
    if (standin::detail::Recording()) {
        standin::detail::Record(
            {"ShellExecuteA",
             {Text(verb), Text(file), Text(parameters), Text(directory), std::to_string(show)},
             static_cast<long long>(answer),
             {}});
    }
    return reinterpret_cast<HINSTANCE>(answer);
}
