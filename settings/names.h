// Every name the launcher looks up in autorun.ini, the registry and the
// product's configuration file, in one place. They are fixed by the discs and
// setup programs already in the field, so each is used character for character.
#pragma once

// autorun.ini sections
#define SECTION_GENERAL_INFO "general info"
#define SECTION_DIALOG_ITEMS "Dialog Items"
#define SECTION_INSTALLER_ITEMS "Installer Items"
#define SECTION_ENABLE_CONDITIONS "Enable Conditions"
#define SECTION_DISABLE_CONDITIONS "Disable Conditions"

// [general info]
#define KEY_REGISTRY_KEY "registrykey"
#define KEY_COMPANY "Company"
#define KEY_PRODUCT_TITLE "ProductTitle"
#define KEY_PRODUCT_VERSION "ProductVersion"
#define KEY_EXECUTABLE_FILE "ExecutableFile"
#define KEY_EXECUTABLE_WORKING_DIR "ExecutableWorkingDir"
#define KEY_ALTERNATE_ACTION "Alternate Action"
#define KEY_EXE_WINDOW_CLASS "exe_window_class"
#define KEY_EXE_WINDOW_CAPTION "exe_window_caption"

// [Dialog Items]
#define KEY_CAPTION "caption"
#define KEY_USE_TWO_BUTTONS "Use Two Buttons"
#define KEY_BITMAP "bitmap"

// [Installer Items]
#define KEY_SETUP_PATH "Setup (Installer) Path and File"
#define KEY_EXECUTABLE_TO_PASS "Executable to Pass to Setup"

// Condition sections: numbered pairs
#define KEY_CONDITION_CLASS_FORMAT "class%d"
#define KEY_CONDITION_CAPTION_FORMAT "caption%d"

// Macro words in ExecutableFile and ExecutableWorkingDir
#define MACRO_INSTALL_FROM_DRIVE "$Install_FromDrive$"
#define MACRO_INSTALL_TO_DIRECTORY "$Install_ToDirectory$"
#define MACRO_SETUP_DIRECTORY "$SetupEXE_AutorunEXE_Directory$"

// Registry values
#define VALUE_DISABLE_DIALOG "Disable Autorun Dialog (Y/N)?"
#define VALUE_INSTALL_TO_DIRECTORY "$Install_ToDirectory$"
#define VALUE_INSTALL_FROM_DRIVE "$Install_FromDrive$"
#define VALUE_PATH "Path"
#define VALUE_DEFAULT ""

// The product's configuration file
#define CONFIG_SECTION_DIRECTORIES "directories"
#define CONFIG_SECTION_INSTALL "install"
#define CONFIG_KEY_INSTALL_FROM_DIR "InstallFromDir"
#define CONFIG_KEY_INSTALL_FROM_DRIVE "InstallFromDrive"

#define SETTINGS_FILE_NAME "autorun.ini"

// The buffer, in bytes, that each autorun.ini value is read into. A longer
// value is cut to one byte less without notice, and discs in the field were
// written against these cuts, so they are part of the behaviour.
const unsigned ReadSizeRegistryKey = 50;     // registrykey (RegistryKeyName)
const unsigned ReadSizeProductKeyPart = 50;  // Company, ProductTitle, ProductVersion
const unsigned ReadSizeExecutableFile = 256; // ExecutableFile
const unsigned ReadSizeWorkingDir = 256;     // ExecutableWorkingDir
const unsigned ReadSizeAlternateAction = 256;
const unsigned ReadSizeProductWindow = 256; // exe_window_class, exe_window_caption
const unsigned ReadSizeCaption = 128;       // [Dialog Items] caption (DialogCaption)
const unsigned ReadSizeUseTwoButtons = 32;
const unsigned ReadSizeBitmap = 128;
const unsigned ReadSizeSetupPath = 128;        // Setup (Installer) Path and File
const unsigned ReadSizeExecutableToPass = 128; // Executable to Pass to Setup
const unsigned ReadSizeConditionKeys = 64;     // a condition section's key list
const unsigned ReadSizeConditionValue = 128;   // classN, captionN
const unsigned ReadSizeConditionKeyName = 64;  // the formed name "classN"
