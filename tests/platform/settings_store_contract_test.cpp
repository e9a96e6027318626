// One suite over the in-memory store that the other tests use and the real file-backed store:
// proof that the fake keeps the promises of the real one.

#include <cerrno>
#include <memory>
#include <type_traits>

#include <gtest/gtest.h>

#include "config/memory_settings_store.h"
#include "platform/qt_settings_store.h"
#include "settings_file_fixture.h"

namespace pelora {
namespace {

template <typename Store>
class SettingsStoreContract : public test::SettingsFileTest {
protected:
    void SetUp() override {
        test::SettingsFileTest::SetUp();
        if constexpr (std::is_same_v<Store, MemorySettingsStore>) {
            m_store = std::make_unique<MemorySettingsStore>();
        } else {
            m_store = std::make_unique<QtSettingsStore>("pelora");
        }
    }
    Store& store() { return *m_store; }
    // Makes every later write fail; false when that cannot be done here.
    bool refuseWrites() {
        if constexpr (std::is_same_v<Store, MemorySettingsStore>) {
            m_store->failWrites(Failure{{}, "Permission denied", EACCES});
            return true;
        } else {
            return makeUnwritable();
        }
    }
    std::string read(const std::string& section, const std::string& key) {
        const SettingRead read = m_store->GetSetting("pelora", section, key);
        EXPECT_TRUE(read.ok()) << section << "/" << key;
        return read.value;
    }

private:
    std::unique_ptr<Store> m_store;
};

struct StoreNames {
    template <typename Store>
    static std::string GetName(int) {
        return std::is_same_v<Store, MemorySettingsStore> ? "Memory" : "File";
    }
};

using Stores = ::testing::Types<MemorySettingsStore, QtSettingsStore>;
TYPED_TEST_SUITE(SettingsStoreContract, Stores, StoreNames);

TYPED_TEST(SettingsStoreContract, MissingEntryReadsEmpty) {
    EXPECT_EQ(this->read("FRM_NMEA", "txt_never"), "");
    ASSERT_FALSE(this->store().SaveSetting("pelora", "FRM_NMEA", "txt_SPEED", "6"));
    EXPECT_EQ(this->read("FRM_NMEA", "txt_never"), "");
    EXPECT_EQ(this->read("FRM_OTHER", "txt_SPEED"), "");
    EXPECT_EQ(this->store().GetSetting("pelora-copy", "FRM_NMEA", "txt_SPEED").value, "");
}

TYPED_TEST(SettingsStoreContract, WrittenValueReadsBackExactly) {
    for (const std::string value : {"54N00.0000", "COM 1", "a,b; \"c\" =d", "  padded ", "@home", "line\nbreak", "x"}) {
        ASSERT_FALSE(this->store().SaveSetting("pelora", "FRM_NMEA", "txt_note", value));
        EXPECT_EQ(this->read("FRM_NMEA", "txt_note"), value);
    }
}

TYPED_TEST(SettingsStoreContract, EmptyValueReadsEmpty) {
    ASSERT_FALSE(this->store().SaveSetting("pelora", "FRM_NMEA", "txt_lat", "1N"));
    ASSERT_FALSE(this->store().SaveSetting("pelora", "FRM_NMEA", "txt_lat", ""));
    EXPECT_EQ(this->read("FRM_NMEA", "txt_lat"), "");
}

TYPED_TEST(SettingsStoreContract, SaveSettingsWritesEveryEntryAndLeavesOtherSectionsAlone) {
    ASSERT_FALSE(this->store().SaveSetting("pelora", "Ports", "COM1", "/dev/pts/7"));
    ASSERT_FALSE(this->store().SaveSetting("pelora", "FRM_NMEA", "txt_SPEED", "6"));
    ASSERT_FALSE(this->store().saveSettings("pelora", "FRM_NMEA",
                                            {{"txt_SPEED", "12"}, {"chk_sum", "1"}, {"cmb_PORT", "COM 2"}}));
    EXPECT_EQ(this->read("FRM_NMEA", "txt_SPEED"), "12");
    EXPECT_EQ(this->read("FRM_NMEA", "chk_sum"), "1");
    EXPECT_EQ(this->read("FRM_NMEA", "cmb_PORT"), "COM 2");
    EXPECT_EQ(this->read("Ports", "COM1"), "/dev/pts/7");
}

TYPED_TEST(SettingsStoreContract, RefusedSaveSettingsChangesNothing) {
    ASSERT_FALSE(this->store().saveSettings("pelora", "FRM_NMEA", {{"txt_SPEED", "6"}, {"chk_sum", "0"}}));
    if (!this->refuseWrites()) {
        GTEST_SKIP() << "cannot make the settings file unwritable here";
    }
    const std::optional<Failure> error =
        this->store().saveSettings("pelora", "FRM_NMEA", {{"txt_SPEED", "12"}, {"chk_sum", "1"}, {"txt_new", "x"}});
    ASSERT_TRUE(error);
    EXPECT_NE(error->errorNumber, 0);
    EXPECT_FALSE(error->reason.empty());
    EXPECT_EQ(this->read("FRM_NMEA", "txt_SPEED"), "6");
    EXPECT_EQ(this->read("FRM_NMEA", "chk_sum"), "0");
    EXPECT_EQ(this->read("FRM_NMEA", "txt_new"), "");
}

}  // namespace
}  // namespace pelora
