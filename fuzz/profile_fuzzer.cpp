// The stand-in's profile calls over arbitrary file bytes: every read form at
// many buffer sizes stays inside its buffer, cuts the way a larger buffer's
// answer predicts, and a write of key=value reads back as that value while
// every other key keeps its value.
#include <fuzzer/FuzzedDataProvider.h>

#include <standin.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string directory;
const char *const FileName = "P:\\T.INI";
const DWORD Sizes[] = {0, 1, 2, 3, 4, 7, 8, 16, 50, 64, 255, 256, 257};
const DWORD Whole = 1 << 16; // more than any fuzz file holds

[[noreturn]] void Fail(const char *what, const std::string &detail) {
    std::fprintf(stderr, "PROFILE: %s [%s]\n", what, detail.c_str());
    std::abort();
}

// One call into an exact-size buffer (a guard byte for size 0, which must
// stay untouched); the bytes the call gave back, terminators included.
struct Answer {
    DWORD count = 0;
    std::string bytes;
};
Answer Read(const char *section, const char *key, const char *defaultValue, DWORD size) {
    std::unique_ptr<char[]> buffer(new char[size == 0 ? 1 : size]);
    std::memset(buffer.get(), 0x5A, size == 0 ? 1 : size);
    Answer answer;
    answer.count =
        GetPrivateProfileStringA(section, key, defaultValue, buffer.get(), size, FileName);
    if (size == 0) {
        if (answer.count != 0 || buffer[0] != 0x5A) {
            Fail("size 0 wrote or counted", "");
        }
        return answer;
    }
    answer.bytes.assign(buffer.get(), size);
    return answer;
}

std::vector<std::string> SplitList(const std::string &bytes, DWORD count) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == '\0') {
            names.push_back(bytes.substr(start, i - start));
            start = i + 1;
        }
    }
    return names;
}

// A list (of sections or keys) at every size against the whole list. A list
// fits only with a byte to spare; one that just fits counts as cut. A key
// list that comes out empty gives the default, here "".
void CheckList(const char *section, const std::string &label) {
    Answer whole = Read(section, nullptr, "", Whole);
    if (whole.count + 1 >= Whole) {
        return;
    }
    std::string list = whole.bytes.substr(0, whole.count);
    if (whole.bytes[whole.count] != '\0' || (whole.count > 0 && list.back() != '\0')) {
        Fail("list not closed", label);
    }
    for (DWORD size : Sizes) {
        Answer cut = Read(section, nullptr, "", size);
        if (size == 0) {
            continue;
        }
        if (section != nullptr && size <= 2) {
            if (cut.count != 0 || cut.bytes[0] != '\0') {
                Fail("key list without room", label);
            }
        } else if (list.size() + 1 < size) {
            if (cut.count != list.size() ||
                cut.bytes.compare(0, list.size() + 1, list + '\0') != 0) {
                Fail("fitting list differs", label);
            }
        } else if (size == 1) {
            if (cut.count != 0 || cut.bytes[0] != '\0') {
                Fail("list in one byte", label);
            }
        } else if (cut.count != size - 2 ||
                   cut.bytes.compare(0, size - 2, list, 0, size - 2) != 0 ||
                   cut.bytes[size - 2] != '\0' || cut.bytes[size - 1] != '\0') {
            Fail("cut list", label + " size " + std::to_string(size));
        }
    }
}

// A value at every size against the whole value.
std::string CheckValue(const char *section, const char *key, const char *defaultValue) {
    Answer whole = Read(section, key, defaultValue, Whole);
    if (whole.count + 1 >= Whole) {
        return "";
    }
    std::string value = whole.bytes.substr(0, whole.count);
    if (whole.bytes[whole.count] != '\0') {
        Fail("value not terminated", key);
    }
    for (DWORD size : Sizes) {
        Answer cut = Read(section, key, defaultValue, size);
        if (size == 0) {
            continue;
        }
        DWORD kept = value.size() < size ? static_cast<DWORD>(value.size()) : size - 1;
        if (cut.count != kept || cut.bytes.compare(0, kept, value, 0, kept) != 0 ||
            cut.bytes[kept] != '\0') {
            Fail("cut value", std::string(key) + " size " + std::to_string(size));
        }
    }
    return value;
}

bool IsBlank(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte == ' ' || (byte >= 0x09 && byte <= 0x0D) || byte == 0x1A;
}

// A name or value that a profile line can carry and give back as written.
bool Plain(const std::string &text, bool isValue) {
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return false;
    }
    if (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back()))) {
        return false;
    }
    if (isValue) {
        return !(text.size() > 1 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0]);
    }
    return !text.empty() && text.find('=') == std::string::npos && text[0] != '[' && text[0] != ';';
}

// Every (section, key) -> value the file gives, first sections and keys winning.
std::vector<std::pair<std::pair<std::string, std::string>, std::string>> AllValues() {
    std::vector<std::pair<std::pair<std::string, std::string>, std::string>> all;
    Answer sections = Read(nullptr, nullptr, "", Whole);
    for (const std::string &section : SplitList(sections.bytes, sections.count)) {
        Answer keys = Read(section.c_str(), nullptr, "", Whole);
        for (const std::string &key : SplitList(keys.bytes, keys.count)) {
            Answer value = Read(section.c_str(), key.c_str(), "", Whole);
            all.push_back({{section, key}, value.bytes.substr(0, value.count)});
        }
    }
    return all;
}

// Names compare as the profile calls compare them: blanks around them
// trimmed, ASCII letters without regard to case. (A name with a zero byte in
// the file shows in a list as pieces; a piece such as " a" names section "a".)
bool SameName(const std::string &untrimmedA, const std::string &untrimmedB) {
    auto trim = [](const std::string &text) {
        std::size_t begin = 0;
        std::size_t end = text.size();
        while (begin < end && IsBlank(text[begin])) {
            ++begin;
        }
        while (end > begin && IsBlank(text[end - 1])) {
            --end;
        }
        return text.substr(begin, end - begin);
    };
    const std::string a = trim(untrimmedA);
    const std::string b = trim(untrimmedB);
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (directory.empty()) {
        char pattern[] = "/tmp/profile_fuzzer_XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::abort();
        }
        directory = pattern;
        // The folder goes when the run ends normally (a crash leaves it for a look).
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(directory, ignored);
        });
    }
    FuzzedDataProvider provider(data, size);
    int sectionPick = provider.ConsumeIntegralInRange<int>(0, 3);
    int keyPick = provider.ConsumeIntegralInRange<int>(0, 3);
    std::string ownSection = provider.ConsumeRandomLengthString(32);
    std::string ownKey = provider.ConsumeRandomLengthString(32);
    std::string value = provider.ConsumeRandomLengthString(64);
    std::string file = provider.ConsumeRemainingBytesAsString();

    standin::Reset();
    standin::MapDrive('P', directory);
    std::string host = directory + "/T.INI";
    std::ofstream(host, std::ios::binary | std::ios::trunc) << file;

    // Every read form.
    CheckList(nullptr, "sections");
    Answer sections = Read(nullptr, nullptr, "", Whole);
    std::vector<std::string> sectionNames = SplitList(sections.bytes, sections.count);
    std::string section = ownSection;
    if (sectionPick > 0 && !sectionNames.empty()) {
        section = sectionNames[static_cast<std::size_t>(sectionPick) % sectionNames.size()];
    }
    CheckList(section.c_str(), "keys of " + section);
    Answer keys = Read(section.c_str(), nullptr, "", Whole);
    std::vector<std::string> keyNames = SplitList(keys.bytes, keys.count);
    std::string key = ownKey;
    if (keyPick > 0 && !keyNames.empty()) {
        key = keyNames[static_cast<std::size_t>(keyPick) % keyNames.size()];
    }
    CheckValue(section.c_str(), key.c_str(), nullptr);
    CheckValue(section.c_str(), key.c_str(), "");
    std::string fallback = CheckValue(section.c_str(), "\x01no such key\x01", "default  ");
    if (fallback != "default") {
        Fail("default not used", fallback);
    }

    // The round trip (a UTF-16 file is read but not rewritten).
    if (file.compare(0, 2, "\xFF\xFE") == 0) {
        if (WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), FileName)) {
            Fail("UTF-16 file rewritten", section);
        }
        return 0;
    }
    if (!Plain(section, false) || section.find(']') != std::string::npos || !Plain(key, false) ||
        !Plain(value, true)) {
        return 0;
    }
    auto before = AllValues();
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), FileName)) {
        Fail("write refused", section + "/" + key);
    }
    std::string back = CheckValue(section.c_str(), key.c_str(), "\x01");
    if (back != value) {
        Fail("written value reads back differently", key + "=" + value + " -> " + back);
    }
    auto after = AllValues();
    if (std::getenv("PROFILE_FUZZER_SHOW") != nullptr) {
        std::fprintf(stderr, "wrote [%s] %s=%s\n", section.c_str(), key.c_str(), value.c_str());
        for (const auto &[where, was] : before) {
            std::fprintf(stderr, "before [%s] %s=%s\n", where.first.c_str(), where.second.c_str(),
                         was.c_str());
        }
        for (const auto &[where, is] : after) {
            std::fprintf(stderr, "after  [%s] %s=%s\n", where.first.c_str(), where.second.c_str(),
                         is.c_str());
        }
    }
    for (const auto &[where, was] : before) {
        if (SameName(where.first, section) && SameName(where.second, key)) {
            continue;
        }
        bool seen = false;
        for (const auto &[now, is] : after) {
            if (now == where) {
                seen = true;
                if (is != was) {
                    Fail("another key changed", where.first + "/" + where.second);
                }
                break;
            }
        }
        if (!seen) {
            Fail("another key vanished", where.first + "/" + where.second);
        }
    }
    return 0;
}
