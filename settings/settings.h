// Settings file, registry keys and values, installed-product detection and
// the drive-letter refresh.
#pragma once

#include <windows.h>

// autorun.ini: one profile read from SettingsPath with the empty default.
DWORD ReadSetting(const char *section, const char *key, char *buffer, DWORD size);
// Lower-cases the letters A to Z in place; every other byte stays as it is.
void LowerCaseAscii(char *text);

// Registry keys and the dialog-suppression value.
extern const char ProductKeyPrefix[];
extern const char AppPathsPrefix[];
// The sub-key path below HKLM that OpenRegistryKey opens for this prefix;
// 0 when there is no such key (a product key with an empty Company,
// ProductTitle or ProductVersion).
int FormKeyPath(const char *prefix, char *path, size_t size);
int OpenRegistryKey(HKEY *key, const char *prefix);
// A value read into a fixed buffer, always terminated inside it; non-zero when
// the value exists and its data fits. count receives the stored byte count.
int ReadRegistryString(HKEY key, const char *name, char *buffer, DWORD size, DWORD *count);
int ShouldShowDialog(void);
void SetDialogSuppressed(int suppressed);
int ReplaceDriveLetter(HKEY key, const char *valueName);
// Marks the byte after data[count] (the buffer holds count + 1 bytes) so that
// writing the data back as a string keeps exactly count bytes.
void KeepByteCount(BYTE *data, DWORD count);
// A drive designator is a letter A to Z or a to z followed by ":".
int StartsWithDriveDesignator(const BYTE *data, DWORD count);
// A value that names a drive the refresh may rewrite: a drive designator at
// its start, or a letter alone ("D", with or without its terminator).
int HoldsDriveLetter(const BYTE *data, DWORD count);
// Non-zero when the launcher runs from a drive letter (not a network path).
int LaunchDriveIsLetter(void);

// Installed-product detection and the drive-letter refresh.
// The detection asks whether the product's own window is in front; that test
// belongs to the start-up sequence's foreground-window conditions.
int IsProductWindowForeground(void);
extern char InstalledCommand[256];
int DetectInstalledProduct(int *productWindowForeground);
char *FindExeExtension(char *command);
// The blank that ends the program path in a command, or null when none does.
char *FindArgumentBlank(char *command);
int InstalledProgramExists(void);
int InstallDirectoryExists(void);
int ProductKeyExists(void);
int RunsFromInstallDrive(void);
void RefreshDriveLetters(HKEY appPathKey, DWORD count);
void RefreshProductConfigFile(void);
int ReplaceDriveLetterInFile(const char *path, const char *section, const char *key);
