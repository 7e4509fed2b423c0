// The rows of "autorun-tool matrix" for the windows the settings name: the
// windows grouped by the roles they play, and for one machine state the
// group's windows split into the sets whose runs come out the same.
//
// A run with a window in front costs a walk through the condition lists, so
// running every window in every state grows with the square of the windows.
// Instead the first and the last window of a group are run; every other one
// is run only when the first one's record cannot show that its own run would
// get the same answers from the desktop (see SameRunAs in matrix_rows.cpp).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "authoring/simulate/simulate_machine.h"

// A window the launcher looks for, and why it does, in the order the
// launcher first looks for it.
struct NamedWindow {
    WindowSpec window;
    std::vector<std::string> roles; // "Disable Conditions", "the product's window", ...
};

// Windows of the same roles, by their index in the list of NamedWindow.
struct WindowGroup {
    std::vector<std::string> roles;
    std::vector<std::size_t> members;
};

// What a row of the table says about one run.
struct RowOutcome {
    std::string finds;                 // "installed", "not installed", "-" when not tested
    std::string sees;                  // as RunSummary::sees
    std::vector<std::string> starts;   // as RunSummary::starts
    bool abandoned = false;            // the dialog was left open
    std::string storesCell;            // as RunSummary::stores
    std::optional<std::string> stored; // the dialog-suppression value written, its bytes

    bool operator==(const RowOutcome &other) const = default;
};

RowOutcome OutcomeOf(const SimulationResult &run);

// The windows of one group that come out the same in one machine state, by
// their position in the group.
struct GroupRow {
    std::size_t group = 0;
    std::vector<std::size_t> positions;
    RowOutcome outcome;
};

// Runs made so far, and windows whose rows were shown from another window's
// record instead of being run.
struct MatrixCounts {
    long runs = 0;
    long shown = 0;
};

class WindowRows {
public:
    // probe: a run with no window in front that walked every condition list.
    WindowRows(const SimulationResult &probe, std::vector<NamedWindow> windows);

    const std::vector<NamedWindow> &Windows() const { return windows_; }
    const std::vector<WindowGroup> &Groups() const { return groups_; }

    // The rows of every group for one machine state (its window list empty),
    // in group order, each group's rows in the order of their first window.
    bool Rows(const MachineDescription &state, std::vector<GroupRow> *rows, MatrixCounts *counts,
              std::string *error) const;

private:
    using Query = std::pair<std::optional<std::string>, std::optional<std::string>>;
    // What the desktop answers when only this window is on it, in front.
    struct Sight {
        // For each condition list: the first pair that finds the window.
        std::vector<std::optional<std::size_t>> firstFound;
        std::vector<bool> othersFound; // for each query outside the lists
    };

    struct Walk {
        std::size_t list = 0; // index into listSections_
        bool stopped = false; // a pair found the window in front
    };
    struct RunShape {
        std::vector<Walk> walks;
        std::vector<std::size_t> others; // searches outside the lists, each finding nothing
    };

    std::optional<RunShape> ShapeOf(const SimulationResult &run) const;
    bool SameRunAs(const RunShape &shape, const Sight &sight) const;

    std::vector<NamedWindow> windows_;
    std::vector<WindowGroup> groups_;
    std::vector<std::string> listSections_;       // the condition lists walked
    std::vector<std::vector<Query>> listQueries_; // each list's pairs, as looked for
    std::vector<Query> otherQueries_;             // every other window looked for
    std::vector<Sight> sights_;                   // by window
};
