// Exports made by the real registry editor (UTF-16LE with a byte-order mark)
// of values a setup program leaves: the stand-in reads back every name, type
// and byte that was stored, and its own export reads back the same store.
#include "../golden/regedit_export_values.h"

#include <standin.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string GoldenFile(const char *name) {
    std::string here = __FILE__;
    std::string path = here.substr(0, here.rfind("/native/")) + "/golden/" + name;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::uint8_t> Data(const golden::RegBytes &bytes) {
    const auto *begin = reinterpret_cast<const std::uint8_t *>(bytes.data);
    return std::vector<std::uint8_t>(begin, begin + bytes.length);
}

class RegeditGolden : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    void TearDown() override { standin::Reset(); }
};

TEST_F(RegeditGolden, ImportGivesBackEverySeededValue) {
    for (const golden::ExportedKey &exported : golden::kExportedKeys) {
        SCOPED_TRACE(exported.goldenFile);
        standin::Reset();
        std::string text = GoldenFile(exported.goldenFile);
        ASSERT_GE(text.size(), 2u);
        ASSERT_EQ(text.substr(0, 2), "\xff\xfe") << "the registry editor writes UTF-16LE";
        ASSERT_TRUE(standin::ImportRegistry(text));

        std::size_t seeded = 0;
        for (const golden::ExportedValue &value : exported.values) {
            if (value.name == nullptr) {
                break;
            }
            ++seeded;
            SCOPED_TRACE(std::string(value.keyPath) + " : \"" + value.name + "\"");
            standin::RegistryValue stored;
            ASSERT_TRUE(standin::GetValue(value.keyPath, value.name, &stored));
            EXPECT_EQ(stored.type, value.type);
            EXPECT_EQ(stored.data, Data(value.data));
        }
        // Nothing more than what was seeded.
        std::size_t imported = 0;
        for (const standin::RegistryKey &key : standin::RegistryKeys()) {
            imported += key.values.size();
        }
        EXPECT_EQ(imported, seeded);
    }
}

// The stand-in's own export, read back, is the same store.
TEST_F(RegeditGolden, ExportThenImportRoundTrips) {
    for (const golden::ExportedKey &exported : golden::kExportedKeys) {
        SCOPED_TRACE(exported.goldenFile);
        standin::Reset();
        ASSERT_TRUE(standin::ImportRegistry(GoldenFile(exported.goldenFile)));
        std::vector<standin::RegistryKey> before = standin::RegistryKeys();
        std::string text = standin::ExportRegistry();
        standin::Reset();
        ASSERT_TRUE(standin::ImportRegistry(text));
        std::vector<standin::RegistryKey> after = standin::RegistryKeys();
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t k = 0; k < before.size(); ++k) {
            EXPECT_EQ(after[k].path, before[k].path);
            ASSERT_EQ(after[k].values.size(), before[k].values.size()) << before[k].path;
            for (std::size_t v = 0; v < before[k].values.size(); ++v) {
                const auto &[name, value] = before[k].values[v];
                EXPECT_EQ(after[k].values[v].first, name) << before[k].path;
                EXPECT_EQ(after[k].values[v].second.type, value.type) << name;
                EXPECT_EQ(after[k].values[v].second.data, value.data) << name;
            }
        }
        EXPECT_EQ(standin::ExportRegistry(), text) << "a second export is the same text";
    }
}

} // namespace
