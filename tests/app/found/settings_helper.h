#pragma once
// Shared set-up of the settings tests: an empty store and option records in their zero state.
#include "app/editor_settings.h"
#include "app/globals.h"
#include "app/options.h"
#include "app/settings.h"
#include "platform/registry.h"

#include <QFile>
#include <gtest/gtest.h>

namespace qvtest {

inline void ResetSettingsStore()
{
    qv::Registry().CloseKey();
    qv::TRegistry::ResetStores();
    QFile::remove(qv::TRegistry::StoreFilePath(qv::HKEY_CURRENT_USER));
    qv::TRegistry::ResetStores();
    qv::qvOption = {};
    qv::qvPrintOption = {};
    qv::ScriptOption = {};
    qv::LoadOption = {};
    qv::TrcOption = {};
    qv::CompOption = {};
    qv::LockOption = {};
    qv::FormatOption = {};
    qv::MemoOption = {};
    qv::prpEditor = {};
    qv::ReserveWordList.clear();
    qv::SetShortcutActionOwner(nullptr);
}

// Forgets the in-memory store, as a new process would.
inline void RestartStore()
{
    qv::Registry().CloseKey();
    qv::TRegistry::ResetStores();
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSettingsStore(); }
    void TearDown() override { ResetSettingsStore(); }

    static qv::TqvRegistry& open(const QString& sub, bool create = false)
    {
        qv::TqvRegistry& reg = qv::Registry();
        const QString path = sub.isEmpty() ? qv::SettingsRootKey : qv::SettingsRootKey + u'\\' + sub;
        EXPECT_TRUE(reg.OpenKey(path, create)) << path.toStdString();
        return reg;
    }
};

} // namespace qvtest
