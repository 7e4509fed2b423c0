// The generator's reach: over 10,000 seeds the simulator must meet every
// dialog variant, every kind of outcome and every stored choice often
// enough. A change to the generator that silently stops covering one of them
// (a probability set to nothing, a value no longer drawn) fails here.
#include "authoring/simulate/simulate_machine.h"
#include "authoring/simulate/simulate_options.h"
#include "random_case.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

void WriteUnder(const std::filesystem::path &root, const random_case::File &file) {
    std::string relative = file.path;
    for (char &c : relative) {
        c = c == '\\' ? '/' : c;
    }
    std::filesystem::path path = root / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << file.content;
}

std::string StoredChoice(const SimulationResult &result) {
    if (!result.suppressionPresent) {
        return "absent";
    }
    if (result.suppressionData == std::string("Y", 2) ||
        result.suppressionData == std::string("N", 2)) {
        return result.suppressionData.substr(0, 1);
    }
    return "other";
}

TEST(RandomCases, CoverEveryVariantOutcomeAndStoredChoice) {
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("random-coverage-" + std::to_string(getpid()));
    std::map<std::string, int> variants;
    std::map<std::string, int> outcomes;
    std::map<std::string, int> stored;
    const unsigned seeds = 10000;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        random_case::Case c = random_case::Generate(seed, 0);
        std::filesystem::remove_all(scratch);
        std::filesystem::create_directories(scratch / "C");
        for (const random_case::File &file : c.disc) {
            WriteUnder(scratch / "disc", file);
        }
        for (const random_case::File &file : c.systemDrive) {
            WriteUnder(scratch / "C", file);
        }
        MachineDescription machine;
        machine.discFolder = (scratch / "disc").string();
        machine.drive = c.drive;
        machine.alsoDrives = c.drive == 'D' ? "E" : "D";
        machine.launcherPath = std::string(1, c.drive) + ":\\" + c.launcherFolder + c.launcherName;
        machine.systemDriveFolder = (scratch / "C").string();
        machine.registryText = random_case::RegistryExport(c);
        for (const random_case::ReadOnlyKey &key : c.readOnly) {
            machine.readOnlyKeys.push_back(random_case::PhysicalKey(key.view, key.key));
        }
        machine.tail = c.tail;
        for (const random_case::Window &window : c.windows) {
            machine.windows.push_back({window.className, window.title});
        }
        machine.foreground = c.foreground;
        std::string list;
        for (const std::string &press : c.presses) {
            list += (list.empty() ? "" : ",") + press;
        }
        std::string error;
        ASSERT_TRUE(ParsePresses(list, &machine.presses, &machine.pressNames, &error)) << error;
        SimulationResult result;
        ASSERT_TRUE(RunSimulation(machine, &result, &error)) << seed << ": " << error;

        for (const standin::DialogRecord &dialog : result.dialogs) {
            ++variants[std::to_string(dialog.templateId)];
        }
        bool started = false;
        bool alternate = false;
        bool box = false;
        for (const standin::CallRecord &call : result.calls) {
            if (call.function == "ShellExecuteA") {
                (call.arguments[0] ? alternate : started) = true;
            }
            box = box || call.function.rfind("MessageBox", 0) == 0;
        }
        if (!result.dialogs.empty()) {
            ++outcomes["dialog"];
        }
        if (started) {
            ++outcomes["started"];
        }
        if (alternate) {
            ++outcomes["alternate action"];
        }
        if (box) {
            ++outcomes["message box"];
        }
        if (result.dialogs.empty() && !started && !alternate && !box) {
            ++outcomes["nothing"];
        }
        ++stored[StoredChoice(result)];
    }
    std::filesystem::remove_all(scratch);

    // Each floor is about half of what the generator gives today.
    const std::map<std::string, int> variantFloors = {
        {"500", 2000}, {"501", 100}, {"502", 500}, {"503", 30}, {"110", 250}};
    const std::map<std::string, int> outcomeFloors = {{"nothing", 1700},
                                                      {"dialog", 3000},
                                                      {"started", 800},
                                                      {"alternate action", 90},
                                                      {"message box", 300}};
    const std::map<std::string, int> storedFloors = {
        {"absent", 3000}, {"Y", 600}, {"N", 1000}, {"other", 350}};
    for (const auto &[name, floor] : variantFloors) {
        EXPECT_GE(variants[name], floor) << "dialog " << name;
    }
    for (const auto &[name, floor] : outcomeFloors) {
        EXPECT_GE(outcomes[name], floor) << name;
    }
    for (const auto &[name, floor] : storedFloors) {
        EXPECT_GE(stored[name], floor) << "stored " << name;
    }
    for (const auto &[name, count] : variants) {
        std::printf("dialog %s: %d\n", name.c_str(), count);
    }
    for (const auto &[name, count] : outcomes) {
        std::printf("%s: %d\n", name.c_str(), count);
    }
    for (const auto &[name, count] : stored) {
        std::printf("stored %s: %d\n", name.c_str(), count);
    }
}

} // namespace
