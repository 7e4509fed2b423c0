// Values a product's 32-bit setup leaves in the registry, of every type the
// launcher may meet, and the registry editor exports made of them. The Wine
// suite seeds these values, runs the real registry editor and compares its
// export with the .reg file named here; the native suite imports that file
// into the stand-in and expects these values back, byte for byte.
#pragma once

#include "registry_cases.h"

#include <windows.h>

namespace golden {

struct ExportedValue {
    const char *keyPath; // below HKEY_LOCAL_MACHINE, as stored (Wow6432Node spelled out)
    const char *name;    // "" for the default value; nullptr ends the list
    DWORD type;
    RegBytes data;
};

struct ExportedKey {
    const char *goldenFile; // in tests/golden
    const char *regeditKey; // the key handed to the registry editor's /E
    ExportedValue values[12];
};

#define GOLDEN_PRODUCT "SOFTWARE\\Wow6432Node\\Example Company\\Example Product\\1.0"
#define GOLDEN_APP_PATH "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PRODUCT.EXE"

inline const ExportedKey kExportedKeys[] = {
    {"regedit_product_wow6432.reg",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Example Company",
     {
         {GOLDEN_PRODUCT, "", REG_SZ, GOLDEN_REG("Example Product 1.0\0")},
         {GOLDEN_PRODUCT, "$Install_ToDirectory$", REG_SZ,
          GOLDEN_REG("C:\\Program Files (x86)\\Example Company\\Example Product\0")},
         {GOLDEN_PRODUCT, "$Install_FromDrive$", REG_SZ, GOLDEN_REG("D:\\\0")},
         {GOLDEN_PRODUCT, "Disable Autorun Dialog (Y/N)?", REG_SZ, GOLDEN_REG("Y\0")},
         {GOLDEN_PRODUCT, "Quoted \"name\"", REG_SZ,
          GOLDEN_REG("say \"hi\" to C:\\Temp\\ and \\\\server\\share\0")},
         {GOLDEN_PRODUCT, "Empty", REG_SZ, GOLDEN_REG("\0")},
         {GOLDEN_PRODUCT, "Expandable", REG_EXPAND_SZ, GOLDEN_REG("%ProgramFiles%\\Example\0")},
         {GOLDEN_PRODUCT, "Count", REG_DWORD, GOLDEN_REG("\x2a\0\0\0")},
         {GOLDEN_PRODUCT, "Blob", REG_BINARY, GOLDEN_REG("\x00\x01\x7f\x80\xfe\xff")},
         {GOLDEN_PRODUCT "\\Components", "Main", REG_DWORD, GOLDEN_REG("\x01\0\0\0")},
         {nullptr, nullptr, 0, {}},
     }},
    {"regedit_app_paths.reg",
     "HKEY_LOCAL_MACHINE\\" GOLDEN_APP_PATH,
     {
         {GOLDEN_APP_PATH, "", REG_SZ,
          GOLDEN_REG("C:\\Program Files (x86)\\Example Company\\Example Product\\PRODUCT.EXE\0")},
         {GOLDEN_APP_PATH, "Path", REG_SZ,
          GOLDEN_REG("C:\\Program Files (x86)\\Example Company\\Example Product\0")},
         {GOLDEN_APP_PATH, "Working", REG_EXPAND_SZ, GOLDEN_REG("%ProgramFiles(x86)%\\Example\0")},
         {nullptr, nullptr, 0, {}},
     }},
};

#undef GOLDEN_PRODUCT
#undef GOLDEN_APP_PATH

} // namespace golden
