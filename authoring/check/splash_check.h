// The splash picture's diagnostics: whether the launcher's loader takes the
// picture the settings name (and if not, the real cause in the file), whether
// it draws what the author sees, and whether it fits the dialogs the disc can
// show.
#pragma once

#include <functional>
#include <string>

#include "authoring/check/diagnostics.h"

// What the picture's check needs from the rest of the check.
struct SplashCheckContext {
    DiagnosticSink *sink = nullptr;
    std::string settingsName; // the settings file as printed
    char drive = 'E';         // the disc's drive in the stand-in
    // A value as the launcher reads it, at the launcher's buffer size.
    std::function<std::string(const char *section, const char *key, unsigned size)> read;
    // The line of a key (else its section, else 0).
    std::function<int(const char *section, const char *key)> lineOf;
};

void CheckSplashPicture(const SplashCheckContext &context);
