#include "authoring/simulate/matrix_rows.h"

#include <algorithm>

#include "authoring/simulate/simulate_report.h"
#include "settings/names.h"

namespace {

std::optional<std::string> Argument(const standin::CallRecord &call, std::size_t index) {
    return index < call.arguments.size() ? call.arguments[index] : std::nullopt;
}

bool Run(const MachineDescription &machine, SimulationResult *run, MatrixCounts *counts,
         std::string *error) {
    ++counts->runs;
    return RunSimulation(machine, run, error);
}

MachineDescription WithWindowInFront(const MachineDescription &state, const WindowSpec &window) {
    MachineDescription machine = state;
    machine.windows.push_back(window);
    machine.foreground = 1;
    return machine;
}

} // namespace

RowOutcome OutcomeOf(const SimulationResult &run) {
    RowOutcome outcome;
    RunSummary summary = Summarize(run);
    outcome.finds = !run.detectionRan ? "-" : run.productInstalled ? "installed" : "not installed";
    outcome.sees = summary.sees;
    outcome.starts = summary.starts;
    outcome.abandoned = summary.abandoned;
    outcome.storesCell = summary.stores;
    // The value as written, read from the same calls the summary reads: up to
    // the dialog left open.
    for (const standin::CallRecord &call : run.calls) {
        if ((call.function == "DialogBoxParamA" || call.function == "DialogBoxIndirectParamA") &&
            call.data == "ended" && call.result == -1) {
            break;
        }
        if (call.function == "RegSetValueExA" && Argument(call, 1) == VALUE_DISABLE_DIALOG &&
            call.result == ERROR_SUCCESS) {
            std::string data = call.data;
            if (!data.empty() && data.back() == '\0') {
                data.pop_back();
            }
            outcome.stored = data;
        }
    }
    return outcome;
}

WindowRows::WindowRows(const SimulationResult &probe, std::vector<NamedWindow> windows)
    : windows_(std::move(windows)) {
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        auto group = std::find_if(groups_.begin(), groups_.end(), [&](const WindowGroup &known) {
            return known.roles == windows_[i].roles;
        });
        if (group == groups_.end()) {
            groups_.push_back(WindowGroup{windows_[i].roles, {}});
            group = groups_.end() - 1;
        }
        group->members.push_back(i);
    }

    // The probe found nothing, so each condition list was walked to its end:
    // its pairs in order, as the launcher looks for them.
    std::string section;
    for (const standin::CallRecord &call : probe.calls) {
        if (call.function == "GetPrivateProfileStringA" && Argument(call, 0)) {
            section = *Argument(call, 0);
        }
        if (call.function != "FindWindowA") {
            continue;
        }
        Query query{Argument(call, 0), Argument(call, 1)};
        if (section == SECTION_DISABLE_CONDITIONS || section == SECTION_ENABLE_CONDITIONS) {
            auto list = std::find(listSections_.begin(), listSections_.end(), section);
            if (list == listSections_.end()) {
                listSections_.push_back(section);
                listQueries_.emplace_back();
                list = listSections_.end() - 1;
            }
            listQueries_[static_cast<std::size_t>(list - listSections_.begin())].push_back(query);
        } else if (std::find(otherQueries_.begin(), otherQueries_.end(), query) ==
                   otherQueries_.end()) {
            otherQueries_.push_back(query);
        }
    }

    // Each window asked every question on a desktop of its own, through the
    // stand-in's own search: the answers are the ones a run would get.
    for (const NamedWindow &named : windows_) {
        standin::Reset();
        standin::SetForeground(standin::AddWindow(named.window.className, named.window.title));
        auto found = [](const Query &query) {
            return FindWindowA(query.first ? query.first->c_str() : nullptr,
                               query.second ? query.second->c_str() : nullptr) != nullptr;
        };
        Sight sight;
        for (const std::vector<Query> &list : listQueries_) {
            auto first = std::find_if(list.begin(), list.end(), found);
            sight.firstFound.push_back(
                first == list.end()
                    ? std::nullopt
                    : std::optional<std::size_t>(static_cast<std::size_t>(first - list.begin())));
        }
        for (const Query &query : otherQueries_) {
            sight.othersFound.push_back(found(query));
        }
        sights_.push_back(std::move(sight));
    }
    standin::Reset();
}

// What a run asked the desktop, in the terms SameRunAs compares: how each
// walk through a condition list ended, and which other searches it made.
// None when the record does not fit those terms.
std::optional<WindowRows::RunShape> WindowRows::ShapeOf(const SimulationResult &run) const {
    RunShape shape;
    const std::string *section = nullptr;
    bool walking = false;
    std::size_t position = 0;
    auto walkComplete = [&]() {
        return !walking || shape.walks.back().stopped ||
               position == listQueries_[shape.walks.back().list].size();
    };
    for (const standin::CallRecord &call : run.calls) {
        if (call.function == "GetPrivateProfileStringA" && !call.arguments.empty() &&
            call.arguments[0]) {
            section = &*call.arguments[0];
        }
        if (call.function != "FindWindowA") {
            continue;
        }
        if (call.arguments.size() != 2) {
            return std::nullopt;
        }
        Query query{call.arguments[0], call.arguments[1]};
        auto list = section == nullptr
                        ? listSections_.end()
                        : std::find(listSections_.begin(), listSections_.end(), *section);
        if (list != listSections_.end()) {
            auto index = static_cast<std::size_t>(list - listSections_.begin());
            if (!walking || shape.walks.back().list != index) {
                if (!walkComplete()) {
                    return std::nullopt;
                }
                shape.walks.push_back(Walk{index, false});
                walking = true;
                position = 0;
            }
            if (shape.walks.back().stopped || position >= listQueries_[index].size() ||
                listQueries_[index][position] != query) {
                return std::nullopt;
            }
            shape.walks.back().stopped = call.result != 0;
            ++position;
            continue;
        }
        if (!walkComplete()) {
            return std::nullopt;
        }
        walking = false;
        auto other = std::find(otherQueries_.begin(), otherQueries_.end(), query);
        if (other == otherQueries_.end() || call.result != 0) {
            return std::nullopt;
        }
        shape.others.push_back(static_cast<std::size_t>(other - otherQueries_.begin()));
    }
    if (!walkComplete()) {
        return std::nullopt;
    }
    return shape;
}

// Whether a run with another window of the same roles in front would get the
// same answers as the run of this shape did. The launcher sees the window in
// front only through what the desktop answers: whether a search finds a
// window, and the handle in front, which is the same number on every fresh
// machine. So:
//
// - every search outside the condition lists found nothing in the run (a
//   window handed to the launcher there could be used in ways the record
//   does not show) and finds nothing for the other window;
// - every walk through a condition list looked for the list's pairs in order
//   and either went to the end finding nothing, and the other window is found
//   by none of the pairs, or stopped at the first pair that found the window,
//   and some pair of the list finds the other one. That walk then stops at
//   another pair of the same list; the pairs it reads on the way come from
//   the disc, which nothing writes, and it ends the same way, with a window
//   found in front.
//
// A record that does not fit (a list walked twice, a search the probe did
// not make) has no shape, and every window is run for itself.
bool WindowRows::SameRunAs(const RunShape &shape, const Sight &sight) const {
    for (const Walk &walk : shape.walks) {
        if (walk.stopped != sight.firstFound[walk.list].has_value()) {
            return false;
        }
    }
    for (std::size_t other : shape.others) {
        if (sight.othersFound[other]) {
            return false;
        }
    }
    return true;
}

bool WindowRows::Rows(const MachineDescription &state, std::vector<GroupRow> *rows,
                      MatrixCounts *counts, std::string *error) const {
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const std::vector<std::size_t> &members = groups_[g].members;
        std::vector<RowOutcome> outcomes(members.size());
        SimulationResult first;
        if (!Run(WithWindowInFront(state, windows_[members.front()].window), &first, counts,
                 error)) {
            return false;
        }
        outcomes.front() = OutcomeOf(first);
        if (members.size() > 1) {
            SimulationResult last;
            if (!Run(WithWindowInFront(state, windows_[members.back()].window), &last, counts,
                     error)) {
                return false;
            }
            outcomes.back() = OutcomeOf(last);
            // The last window is run as a check on the reasoning: when the
            // first run's record says it runs the same and it does not, no
            // window of the group is taken from that record.
            std::optional<RunShape> shape = ShapeOf(first);
            bool trusted = shape && SameRunAs(*shape, sights_[members.front()]) &&
                           (!SameRunAs(*shape, sights_[members.back()]) ||
                            outcomes.back() == outcomes.front());
            for (std::size_t i = 1; i + 1 < members.size(); ++i) {
                if (trusted && SameRunAs(*shape, sights_[members[i]])) {
                    outcomes[i] = outcomes.front();
                    ++counts->shown;
                    continue;
                }
                SimulationResult own;
                if (!Run(WithWindowInFront(state, windows_[members[i]].window), &own, counts,
                         error)) {
                    return false;
                }
                outcomes[i] = OutcomeOf(own);
            }
        }
        std::size_t firstRow = rows->size();
        for (std::size_t i = 0; i < members.size(); ++i) {
            auto row =
                std::find_if(rows->begin() + static_cast<std::ptrdiff_t>(firstRow), rows->end(),
                             [&](const GroupRow &known) { return known.outcome == outcomes[i]; });
            if (row == rows->end()) {
                rows->push_back(GroupRow{g, {}, outcomes[i]});
                row = rows->end() - 1;
            }
            row->positions.push_back(i);
        }
    }
    return true;
}
