// The call record: what the launcher asked of the platform, in order, kept
// only while someone is listening.
#include <standin.h>

#include <utility>

namespace {
bool recording = false;
std::vector<standin::CallRecord> records;
} // namespace

namespace standin {

void RecordCalls(bool on) {
    recording = on;
}

std::vector<CallRecord> RecordedCalls() {
    return records;
}

namespace detail {

bool Recording() {
    return recording;
}

void Record(CallRecord record) {
    if (recording) {
        records.push_back(std::move(record));
    }
}

std::optional<std::string> Text(const char *text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    return std::string(text);
}

void ResetRecord() {
    recording = false;
    records.clear();
}

} // namespace detail
} // namespace standin
