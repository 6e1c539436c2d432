#pragma once
// The set-up the definition windows' end-to-end tests share: the TDS test server answering from
// the demo fixtures and the windows' own fixture folders (tests/objects/fixtures/<folder>),
// recording every statement they leave unanswered; the main window logged on to it through the
// FreeTDS ODBC driver from the command line; message boxes and error boxes noted, not shown.
#include "app/main_window.h"
#include "connection/object_window.h"
#include "test_server_helper.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace qvtest {

class DefineWindowE2E : public ::testing::Test {
protected:
    // folders: the windows' fixture folders under tests/objects/fixtures.
    explicit DefineWindowE2E(const QStringList& folders);
    void SetUp() override;
    void TearDown() override;
    // What the server could not answer (empty when every statement was expected).
    QString Unmatched() const;

    QTemporaryDir work;
    QString unmatched;
    TestServer server;
    QStringList boxes;
    QStringList errors;
    qv::TfrmMain main;
    qv::TfrmObject* conn = nullptr;

private:
    std::function<void(QWidget*, const QString&, int)> m_savedLogonMessage;
    bool m_savedShowDDL = false;
    bool m_savedCloseDDL = true;
};

} // namespace qvtest
