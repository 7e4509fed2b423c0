// The Linux half of the profile differential test: asks the stand-in's
// GetPrivateProfileStringA the same reads of the same generated files, holds
// each answer to the one the real call gave under Wine, and sorts every
// difference into the behaviour it comes from. Some behaviours are Wine's
// own, where the platform answers otherwise; the stand-in answers as the
// platform does there, and those differences are counted apart.
// Usage: profile_diff_compare ANSWERS FOLDER [REPORT]
// Exit status 0 when at least 99% of the reads outside Wine's own behaviours
// agree, 1 when fewer do, 2 when the answers cannot be read.
#include "profile_diff.h"

#include <standin.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using profilediff::Read;
using profilediff::Use;

enum Class {
    Utf16File,
    Utf8Mark,
    NulByte,
    EmptySection,
    BlankDefault,
    QuotedJustFits,
    CutListEnd,
    KeyListUntrimmed,
    NamelessInKeyList,
    EmptyKeyListDefault,
    CutListCount,
    NamelessKey,
    CommentKey,
    QuotedDefault,
    Unexplained,
    ClassCount
};

struct ClassInfo {
    const char *name;
    bool wine; // Wine's own behaviour; the platform answers as the stand-in does
};

const ClassInfo Classes[ClassCount] = {
    {"UTF-16 file", false},
    {"UTF-8 byte-order mark", true},
    {"NUL byte in the file", false},
    {"section \"\"", true},
    {"all-blank default", true},
    {"quoted text that just fits loses a character", true},
    {"cut list: last terminator", true},
    {"key list: section name asked for not trimmed", false},
    {"\"=value\" line in a key list", false},
    {"key list of an empty section: the default", false},
    {"cut list: count and exact fit", false},
    {"\"=value\" line read as key \"\"", false},
    {"\";\" line read as a key", false},
    {"quotes stripped from the default", false},
    {"unexplained", false},
};

std::string Escaped(const std::string &bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            text += hex;
        }
    }
    return text;
}

bool AllBlanks(const std::string &text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c != ' ') {
            return false;
        }
    }
    return true;
}

bool Quoted(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text.size() > 1 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0];
}

// The behaviour a differing answer comes from: file-wide causes first, as
// they change every answer of the file, then those of the read itself.
Class Classify(const profilediff::FileModel &file, const Read &read,
               const profilediff::Answer &wine, const profilediff::Answer &standin) {
    if (file.encoding == profilediff::Encoding::Utf8Mark) {
        return Utf8Mark;
    }
    // Wine leaves the buffer's last byte as it was where the platform ends
    // a cut list with a second terminator.
    if (read.use != Use::Value && wine.count == standin.count && read.size >= 2 &&
        standin.bytes.size() == read.size && wine.bytes.size() + 1 == read.size &&
        standin.bytes.compare(0, wine.bytes.size(), wine.bytes) == 0 &&
        standin.bytes.back() == '\0') {
        return CutListEnd;
    }
    // Wine cuts one character too many from a value or default in quotes
    // whose text just fits the buffer.
    if (read.use != Use::Sections && wine.count + 1 == standin.count &&
        standin.count + 1 == read.size && wine.bytes.size() == standin.count &&
        standin.bytes.find('\0') == standin.count &&
        standin.bytes.compare(0, wine.count, wine.bytes, 0, wine.count) == 0) {
        return QuotedJustFits;
    }
    if (read.hasSection && profilediff::detail::Trimmed(read.section).empty()) {
        return EmptySection;
    }
    // Wine keeps one blank of a value's all-blank default, where the
    // platform strips them all.
    if (read.hasDefault && AllBlanks(read.defaultValue) && read.use == Use::Value &&
        standin.count == 0 && wine.count == 1 && wine.bytes == std::string(" \0", 2)) {
        return BlankDefault;
    }
    if (file.encoding == profilediff::Encoding::Utf16) {
        return Utf16File;
    }
    if (file.nul) {
        return NulByte;
    }
    const profilediff::SectionModel *target =
        read.target >= 0 ? &file.sections[static_cast<std::size_t>(read.target)] : nullptr;
    if (read.use != Use::Value) {
        if (read.use == Use::Keys) {
            if (read.section != profilediff::detail::Trimmed(read.section)) {
                return KeyListUntrimmed;
            }
            if (target != nullptr && target->nameless) {
                return NamelessInKeyList;
            }
            bool empty = target == nullptr;
            if (target != nullptr) {
                empty = true;
                for (const std::string &key : target->keys) {
                    if (!key.empty()) {
                        empty = false;
                    }
                }
            }
            if (empty) {
                return EmptyKeyListDefault;
            }
        }
        if (read.size >= 2 && (wine.count + 2 == read.size || standin.count + 2 == read.size)) {
            return CutListCount;
        }
        return Unexplained;
    }
    std::string key = profilediff::detail::Trimmed(read.key);
    if (key.empty()) {
        return NamelessKey;
    }
    if (key[0] == ';') {
        return CommentKey;
    }
    if (read.hasDefault && Quoted(read.defaultValue)) {
        return QuotedDefault;
    }
    return Unexplained;
}

bool ParseAnswer(const std::string &line, profilediff::Answer *answer) {
    std::istringstream in(line);
    std::string hex;
    if (!(in >> answer->count)) {
        return false;
    }
    in >> hex;
    if (hex.size() % 2 != 0) {
        return false;
    }
    answer->bytes.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        answer->bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return true;
}

struct Tally {
    unsigned reads = 0;
    unsigned agree = 0;
};

double Percent(unsigned part, unsigned whole) {
    return whole == 0 ? 100.0 : 100.0 * part / whole;
}

const char *UseName(Use use) {
    switch (use) {
    case Use::Value:
        return "value";
    case Use::Keys:
        return "key list";
    default:
        return "section list";
    }
}

std::string Describe(const Read &read) {
    std::string text = std::string(UseName(read.use)) + " (";
    text += read.hasSection ? "\"" + Escaped(read.section) + "\"" : "none";
    text += ", ";
    text += read.hasKey ? "\"" + Escaped(read.key) + "\"" : "none";
    text += ", ";
    text += read.hasDefault ? "\"" + Escaped(read.defaultValue) + "\"" : "none";
    text += ", " + std::to_string(read.size) + ")";
    return text;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: profile_diff_compare ANSWERS FOLDER [REPORT]\n");
        return 2;
    }
    std::ifstream answers(argv[1], std::ios::binary);
    std::string header;
    if (!answers || !std::getline(answers, header)) {
        std::fprintf(stderr, "profile_diff_compare: cannot read %s\n", argv[1]);
        return 2;
    }
    char expected[128];
    std::snprintf(expected, sizeof expected, "profile-diff seed %llx files %u reads %u acp ",
                  static_cast<unsigned long long>(profilediff::Seed), profilediff::FileCount,
                  profilediff::FileCount * profilediff::ReadsPerFile);
    if (header.compare(0, std::strlen(expected), expected) != 0) {
        std::fprintf(stderr, "profile_diff_compare: %s was made by another generator: %s\n",
                     argv[1], header.c_str());
        return 2;
    }
    if (header.substr(std::strlen(expected)) != "1252") {
        std::fprintf(stderr, "profile_diff_compare: Wine ran with ANSI code page %s, not 1252\n",
                     header.substr(std::strlen(expected)).c_str());
        return 2;
    }

    std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    standin::Reset();
    standin::MapDrive('E', folder.string());
    std::FILE *report = argc == 4 ? std::fopen(argv[3], "w") : nullptr;

    Tally byUse[3];
    unsigned byClass[ClassCount][3] = {};
    std::vector<std::string> unexplained;
    unsigned wineOwn = 0;
    for (unsigned index = 0; index < profilediff::FileCount; ++index) {
        profilediff::Case item = profilediff::Generate(index);
        std::string name = profilediff::FileName(index);
        std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << item.file.bytes;
        std::string windowsName = "E:\\" + name;
        for (std::size_t r = 0; r < item.reads.size(); ++r) {
            const Read &read = item.reads[r];
            std::string line;
            profilediff::Answer wine;
            if (!std::getline(answers, line) || !ParseAnswer(line, &wine)) {
                std::fprintf(stderr, "profile_diff_compare: %s ends early or is damaged\n",
                             argv[1]);
                return 2;
            }
            profilediff::Answer standin = profilediff::Ask(read, windowsName.c_str());
            int use = static_cast<int>(read.use);
            ++byUse[use].reads;
            if (standin.count == wine.count && standin.bytes == wine.bytes) {
                ++byUse[use].agree;
                continue;
            }
            Class cause = Classify(item.file, read, wine, standin);
            ++byClass[cause][use];
            if (Classes[cause].wine) {
                ++wineOwn;
            }
            std::string detail = name + " read " + std::to_string(r) + ": " + Describe(read) +
                                 "\n  wine:     " + std::to_string(wine.count) + " \"" +
                                 Escaped(wine.bytes) +
                                 "\"\n  stand-in: " + std::to_string(standin.count) + " \"" +
                                 Escaped(standin.bytes) + "\"\n";
            if (cause == Unexplained && unexplained.size() < 10) {
                unexplained.push_back(detail);
            }
            if (report != nullptr) {
                std::fprintf(report, "[%s] %s", Classes[cause].name, detail.c_str());
            }
        }
    }
    if (report != nullptr) {
        std::fclose(report);
    }

    unsigned reads = 0, agree = 0;
    for (const Tally &tally : byUse) {
        reads += tally.reads;
        agree += tally.agree;
    }
    std::printf("Profile reads: the stand-in against GetPrivateProfileStringA under Wine\n\n");
    std::printf("%-58s %6s %9s %9s %9s\n", "differences by behaviour", "values", "key lists",
                "sections", "total");
    for (int c = 0; c < ClassCount; ++c) {
        unsigned total = byClass[c][0] + byClass[c][1] + byClass[c][2];
        if (total == 0) {
            continue;
        }
        std::string label = std::string(Classes[c].name) + (Classes[c].wine ? " (Wine's own)" : "");
        std::printf("%-58s %6u %9u %9u %9u\n", label.c_str(), byClass[c][0], byClass[c][1],
                    byClass[c][2], total);
    }
    std::printf("\nagreement: %.1f%% of %u reads (values %.1f%%, key lists %.1f%%, section lists "
                "%.1f%%)\n",
                Percent(agree, reads), reads, Percent(byUse[0].agree, byUse[0].reads),
                Percent(byUse[1].agree, byUse[1].reads), Percent(byUse[2].agree, byUse[2].reads));
    double outside = Percent(agree, reads - wineOwn);
    std::printf("outside Wine's own behaviours (%u reads): %.2f%% (at least 99%% wanted)\n",
                wineOwn, outside);
    for (const std::string &detail : unexplained) {
        std::printf("\n%s", detail.c_str());
    }
    return outside >= 99.0 ? 0 : 1;
}
