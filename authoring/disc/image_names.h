// What goes on a disc image and what comes back from it, in the terms
// Windows reads a disc by: its Joliet names (UTF-16, compared without regard
// to case), their lengths, and the paths the launcher and Windows open.
#pragma once

#include <map>
#include <string>
#include <vector>

// One finding about the image: a message for the author and its stable code.
struct ImageFinding {
    std::string code;
    std::string message;
};

// Joliet's limits as Windows reads them: a name of 64 UTF-16 characters, a
// path from the root ("\" and every name and separator) of 240 bytes, that
// is 120 UTF-16 characters; a file's size in 32 bits.
const std::size_t JolietNameLimit = 64;
const std::size_t JolietPathLimit = 120;
const unsigned long long IsoFileSizeLimit = 4294967296ULL; // 4 GiB: refused from here

// The length of UTF-8 text in UTF-16 characters; false when it is not valid
// UTF-8.
bool Utf16Length(const std::string &utf8, std::size_t *length);

// A name as Windows compares names on a disc: letters of the Latin, Greek
// and Cyrillic alphabets in one case. UTF-8 in and out.
std::string FoldName(const std::string &utf8);

// A name for a message: bytes that are not UTF-8 written as \xNN.
std::string Printable(const std::string &bytes);

// Walks the author's folder as it is (links not followed): a link that
// points outside the folder, or at nothing, is a finding.
void CheckLinks(const std::string &folder, std::vector<ImageFinding> *findings);

// Walks the staged disc as the image will hold it (links followed): every
// name Joliet or Windows cannot hold, a path too long, two names in one
// folder that differ only in case, a file too large for ISO 9660, a folder
// that holds itself. Adds the total of file bytes to *bytes.
void CheckStagedTree(const std::string &stage, std::vector<ImageFinding> *findings,
                     unsigned long long *bytes);

// The image's tree as read back: every path from the root ("A/B/C", UTF-8,
// folded) and whether it is a folder.
struct ImageTree {
    std::map<std::string, bool> entries;      // folded path -> is a folder
    std::map<std::string, std::string> names; // folded path -> the path as on the image
};
// Parses xorriso's `-pkt_output on -find / -exec lsdl` result lines.
ImageTree ParseImageListing(const std::string &listing);

// A disc path ("SETUP\SETUP.EXE", UTF-8, "\" or "/" between names) as a key
// of ImageTree::entries.
std::string ImageKey(const std::string &discPath);
