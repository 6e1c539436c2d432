#include "objects/trigger_window.h"

#include "app/connection_window_iface.h"
#include "app/qvstrings.h"
#include "connection/object_session.h"
#include "platform/exceptions.h"

#include <QKeyEvent>
#include <QMenu>

#include <memory>

namespace qv {

namespace {
DefineKind TriggerKind()
{
    DefineKind k;
    k.windowClass = &TfrmTrigger::staticMetaObject;
    k.objType = 57;
    k.word = QStringLiteral("TRIGGER");
    k.settingsKey = QStringLiteral("TRIGGER");
    k.menuTitle = QStringLiteral("TRIGGER(&O)");
    k.hasSchema = true;
    k.hasSource = true;
    return k;
}

// The template lines after the ON line.
QStringList TemplateBody()
{
    return {QStringLiteral("FOR INSERT             /* FOR or AFTER *//* INSERT or UPDATE or DELETE */"),
            QStringLiteral("AS"),
            QStringLiteral("BEGIN"),
            QStringLiteral("  /* 実行するSQL */"),
            QStringLiteral("  SELECT 1 ;"),
            QStringLiteral("END"),
            QStringLiteral("go")};
}
} // namespace

TfrmTrigger::TfrmTrigger(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                         TOpenMode mode, const QString& tableName)
    : TfrmTrigger(owner, database, schema, objectName, mode, tableName, false)
{
}

TfrmTrigger::TfrmTrigger(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                         TOpenMode mode, const QString& tableName, bool scriptMode)
    : TfrmSourceBase(owner, TriggerKind(), DefineArgs{database, schema, objectName, mode}, scriptMode,
                     source::Kind::Trigger, true),
      TblName(tableName)
{
    setObjectName(QStringLiteral("frmTrigger"));
    installEventFilter(this);
    Start();
}

bool TfrmTrigger::eventFilter(QObject* watched, QEvent* event)
{
    // F5 compiles.
    if (watched == this && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F5) {
        Compile();
        return true;
    }
    return TfrmSourceBase::eventFilter(watched, event);
}

void TfrmTrigger::SourceRead(const QString& text)
{
    Q_UNUSED(text);
    const source::TriggerInfo info = source::ReadTriggerInfo(*Session(), Database(), Schema(), Name());
    if (info.found)
        TblName = info.parent;
}

void TfrmTrigger::NewObjectText(QStringList& lines)
{
    if (TblName.trimmed().isEmpty())
        return;
    lines << QStringLiteral("CREATE TRIGGER ") + GetSchemaPrefix(Schema()) + QuoteIdentifier(Name());
    lines << QStringLiteral("ON ") + GetSchemaPrefix(Schema()) + QuoteIdentifier(TblName);
    lines << TemplateBody();
}

QStringList TfrmTrigger::Template() const
{
    const QString schema = QuoteIdentifier(cmbSchema->currentText().trimmed());
    QStringList lines{QStringLiteral("CREATE TRIGGER ") + schema + QLatin1Char('.') +
                          QuoteIdentifier(txtName->text().trimmed()),
                      QStringLiteral("ON ") + schema + QLatin1Char('.') + QuoteIdentifier(QStringLiteral("/*参照先テーブル*/"))};
    lines << TemplateBody();
    return lines;
}

void TfrmTrigger::GetScript(IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream)
{
    std::unique_ptr<TfrmTrigger> w(new TfrmTrigger(owner ? owner->connectionWidget() : nullptr, r.database, r.schema,
                                                   r.name, omSource, QString(), true));
    w->WriteScriptTo(stream, r.newSchema, r.newName);
    Abort();
}

} // namespace qv
