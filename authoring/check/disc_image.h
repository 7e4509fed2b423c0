// A disc given to check as its ISO image rather than as a folder: the image
// is read as Windows reads it from a CD-ROM drive (its Joliet tree, with the
// names in UTF-8), so an image made by any burning tool is judged the same
// way as the folder it was made from.
#pragma once

#include <string>

// Whether path names a file (an image) rather than a folder.
bool IsDiscImage(const std::string &path);

// Puts the image's files into the empty folder `into` and gives its volume
// label; false with a message for the author when the image cannot be read.
bool ExtractDiscImage(const std::string &image, const std::string &into, std::string *label,
                      std::string *error);
