#include "authoring/check/disc_image.h"

#include <standin.h>

#include <fstream>
#include <vector>

#include "authoring/host_programs.h"

bool IsDiscImage(const std::string &path) {
    return standin::StatHostFile(path).regular;
}

bool ExtractDiscImage(const std::string &image, const std::string &into, std::string *label,
                      std::string *error) {
    // The Joliet tree without Rock Ridge, as Windows reads a disc; names in
    // UTF-8 whatever the locale, so a C locale does not turn them into '_'.
    // The volume descriptor's report gives the label in the same run.
    std::string log = into + ".log";
    std::vector<std::string> command = {
        "xorriso", "-no_rc",         "-report_about", "SORRY",          "-osirrox",
        "on",      "-read_fs",       "norock",        "-local_charset", "UTF-8",
        "-indev",  "stdio:" + image, "-pvd_info",     "-extract",       "/",
        into};
    int status = RunProgram(command, log);
    if (status < 0) {
        *error = "cannot run xorriso, which reads the image: is it installed?";
        return false;
    }
    std::ifstream in(standin::HostFsPath(log), std::ios::binary);
    std::string line;
    label->clear();
    // xorriso takes a file that holds no image for a blank medium and
    // extracts nothing from it; only an image has a volume descriptor.
    bool descriptor = false;
    const std::string volumeId = "Volume Id";
    while (std::getline(in, line)) {
        descriptor = descriptor || line.rfind("PVD address", 0) == 0;
        if (line.compare(0, volumeId.size(), volumeId) == 0 &&
            line.find(':') != std::string::npos) {
            std::size_t start = line.find_first_not_of(' ', line.find(':') + 1);
            *label = start == std::string::npos ? "" : line.substr(start);
            while (!label->empty() && (label->back() == ' ' || label->back() == '\r')) {
                label->pop_back();
            }
        }
    }
    if (status != 0 || !descriptor) {
        *error = "'" + image + "' is neither a folder nor an ISO 9660 image that xorriso can read";
        return false;
    }
    return true;
}
