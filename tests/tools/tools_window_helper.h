#pragma once
// The data-tool windows on the scripted session: the connection window of the administration
// tests (SQL Server 2019, sa on srv, database Sales), a second connection on srv2 when a test
// needs one, and the tool windows' message boxes and Esc answered by the test.
#include "admin/session_window_helper.h"

#include "connection/catalog_queries.h"
#include "tools/tool_ui.h"

#include <QMdiSubWindow>

namespace qvtest {

struct ToolWindowTest : SessionWindowTest {
    QStringList messages;  // "<flags>:<text>"
    QList<int> answers;    // buttons to press, in order (Yes when none is left)
    qv::tools::ToolUi savedToolUi = qv::tools::Ui();
    qv::TScriptOption savedScript = qv::ScriptOption;

    void SetUp() override
    {
        SessionWindowTest::SetUp();
        auto answer = [this](const QString& text, int flags) {
            messages << QString::number(flags) + ":" + text;
            return answers.isEmpty() ? 6 : answers.takeFirst();
        };
        qv::tools::Ui().message = answer;
        qv::tools::Ui().check = [answer](const QString& text, int flags, const qv::CheckList&) { return answer(text, flags); };
        qv::tools::Ui().escape = [this] { return escapeAfter >= 0 && polls++ >= escapeAfter; };
        session->fixture().pattern("use \\[[^\\]\\n]*\\]").affects(0);
    }
    void TearDown() override
    {
        qv::tools::Ui() = savedToolUi;
        qv::ScriptOption = savedScript;
        SessionWindowTest::TearDown();
    }
    // A second connection: sa on srv2, database Sales; its databases master, Sales and Stock.
    qv::TfrmObject* ConnectSecond(const std::shared_ptr<qv::db::ScriptedSession>& s)
    {
        using namespace qv::catalog;
        Answer(*s, "select SERVERPROPERTY('productversion')", "15.0.2000.5");
        Answer(*s, facts::ProductVersion, "15.0.2000.5");
        Answer(*s, facts::Edition, "Developer Edition (64-bit)");
        Answer(*s, facts::LoginName, "sa");
        Answer(*s, facts::CurrentDatabase, "Sales");
        Answer(*s, facts::UserName, "dbo");
        Answer(*s, facts::DefaultSchema, "dbo");
        Answer(*s, facts::Spid, "56");
        s->fixture().pattern("set showplan.*").affects(0);
        s->fixture().pattern("use \\[[^\\]\\n]*\\]").affects(0);
        s->fixture().exact(DatabaseListSql(false)).returns({qv::db::column("name", "sysname")},
                                                            {{"master"}, {"Sales"}, {"Stock"}});
        auto* c = new qv::TfrmObject(nullptr, "Sales", "sa", "pw", "srv2", s);
        main->AddChildWindow(c);
        return c;
    }
    template <class W>
    W* Find() const
    {
        W* found = nullptr;
        for (QWidget* w : main->MDIChildren())
            if (auto* t = qobject_cast<W*>(w))
                found = t;
        return found;
    }
    // The statement as the session receives it: the use line apart, ":name" markers as "?".
    static QString Received(QString sql)
    {
        static const QRegularExpression use("^use \\[[^\\]]*\\]\\r\\n");
        static const QRegularExpression marker(":[A-Z]+");
        sql.remove(use);
        sql.replace(marker, "?");
        return sql;
    }
};

} // namespace qvtest
