// The Windows half of the profile differential test: writes every generated
// settings file and asks the real GetPrivateProfileStringA all the reads, in
// one process, writing the answers to a file for the Linux comparer.
// Usage: profile_diff_wine FOLDER ANSWERS (Unix paths are taken as Z: paths).
#include "profile_diff.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Wine maps the Unix root to Z:, so a path given by the build passes as is.
std::string WindowsPath(const char *path) {
    std::string text = path;
    for (char &c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    if (!text.empty() && text[0] == '\\') {
        text = "Z:" + text;
    }
    return text;
}

bool WriteAll(const std::string &name, const std::string &bytes) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = bytes.empty() ||
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: profile_diff_wine FOLDER ANSWERS\n");
        return 2;
    }
    std::string folder = WindowsPath(argv[1]);
    CreateDirectoryA(folder.c_str(), nullptr);
    FILE *out = std::fopen(WindowsPath(argv[2]).c_str(), "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "profile_diff_wine: cannot write %s\n", argv[2]);
        return 2;
    }
    std::fprintf(out, "profile-diff seed %llx files %u reads %u acp %u\n",
                 static_cast<unsigned long long>(profilediff::Seed), profilediff::FileCount,
                 profilediff::FileCount * profilediff::ReadsPerFile, GetACP());
    for (unsigned index = 0; index < profilediff::FileCount; ++index) {
        profilediff::Case item = profilediff::Generate(index);
        std::string name = folder + "\\" + profilediff::FileName(index);
        if (!WriteAll(name, item.file.bytes)) {
            std::fprintf(stderr, "profile_diff_wine: cannot write %s\n", name.c_str());
            std::fclose(out);
            return 2;
        }
        for (const profilediff::Read &read : item.reads) {
            profilediff::Answer answer = profilediff::Ask(read, name.c_str());
            std::fprintf(out, "%u %s\n", answer.count, profilediff::Hex(answer.bytes).c_str());
        }
    }
    if (std::fclose(out) != 0) {
        return 2;
    }
    return 0;
}
