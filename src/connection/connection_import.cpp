#include "connection/connection_import.h"

#include "app/scrambler.h"
#include "connection/logon_dialog.h"
#include "controls/lists/qv_listview.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {
QString S(const char* text)
{
    return QString::fromUtf8(text);
}
const QString OwnKey = QStringLiteral("QVS22");
const QString VendorKey = QStringLiteral("\\Software\\Velmora\\");
const QString UninstallKey = QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
const QString ConnectionKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\CONNECTION");

bool Installed(const QString& productCode)
{
    TqvRegistry machine(HKEY_LOCAL_MACHINE, TRegistry::ReadOnlyAccess);
    return machine.KeyExists(UninstallKey + productCode);
}

void ImportRow(const QString& keyName, bool firstVersion, QList<ImportEntry>& out)
{
    TqvRegistry reg(HKEY_CURRENT_USER, TRegistry::ReadOnlyAccess);
    const QString base = VendorKey + keyName + QStringLiteral("\\DATABASE");
    if (!reg.OpenKeyReadOnly(base))
        return;
    const QStringList names =
        reg.ReadString(QStringLiteral("Sort")).split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        try {
            TqvRegistry sub(HKEY_CURRENT_USER, TRegistry::ReadOnlyAccess);
            if (!sub.OpenKeyReadOnly(base + QStringLiteral("\\") + name))
                continue;
            ImportEntry e;
            e.version = keyName;
            e.connection.userId = sub.ReadString(QStringLiteral("UserID"));
            e.connection.server = sub.ReadString(QStringLiteral("Server"));
            e.connection.database = sub.ReadString(QStringLiteral("Database"));
            e.connection.comment = firstVersion ? QString() : sub.ReadString(QStringLiteral("Comment"));
            e.connection.password = UnscrambleText(sub.ReadString(QStringLiteral("Password")));
            e.connection.windows = sub.GetString(QStringLiteral("Windows"), QStringLiteral("0"));
            out << e;
        } catch (const ERegistryException&) {
        }
    }
}
} // namespace

namespace connection_import {

const QList<VersionRow>& Versions()
{
    static const QList<VersionRow> rows = {
        {"QVS", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10001}"},    {"QVSR", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10002}"},
        {"QVS2", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10020}"},   {"QVS10", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10100}"},
        {"QVS11", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10110}"},  {"QVS20", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10200}"},
        {"QVS21", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10210}"},  {"QVS21", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10211}"},
        {"QVS21R", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10212}"}, {"QVS22", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10220}"},
        {"QVS22R", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10222}"}, {"QVS22R", "{6E0C5B1A-3F41-4C1E-9A0B-0F7A51C10223}"},
    };
    return rows;
}

QList<ImportEntry> LoadOtherVersions()
{
    QList<ImportEntry> out;
    const int n = OwnKey.mid(3).toInt() > 0 ? OwnKey.mid(3).toInt() : 1;
    for (int i = 1; i <= n; ++i) {
        const QString plain = i == 1 ? QStringLiteral("QVS") : QStringLiteral("QVS%1").arg(i);
        const QString edition = i == 1 ? QStringLiteral("QVSR") : QStringLiteral("QVS%1R").arg(i);
        for (const VersionRow& row : Versions()) {
            const QString key = QString::fromLatin1(row.keyName);
            if (key == OwnKey)
                continue;
            if ((key == plain || key == edition) && Installed(QString::fromLatin1(row.productCode)))
                ImportRow(key, i == 1, out);
        }
    }
    return out;
}

int ImportSelected(const QList<ImportEntry>& selected, const QList<SavedConnection>& existing)
{
    TRegistryBatch batch;
    TqvRegistry reg;
    if (!reg.OpenKey(saved_connections::Key, true))
        return 0;
    QStringList names = reg.ReadString(QStringLiteral("Sort")).split(QRegularExpression(QStringLiteral("\r\n|\n|\r")),
                                                                      Qt::SkipEmptyParts);
    const QStringList subkeys = reg.GetKeyNames();
    int copied = 0;
    for (const ImportEntry& entry : selected) {
        const SavedConnection& c = entry.connection;
        bool known = false;
        for (const SavedConnection& e : existing)
            known = known || (e.userId == c.userId && e.location() == c.location());
        if (known)
            continue;
        // A name neither in the order list nor taken by a subkey.
        const QString name = saved_connections::FreeKeyName(names + subkeys);
        TqvRegistry sub;
        if (!sub.OpenKey(saved_connections::Key + QStringLiteral("\\") + name, true))
            continue;
        sub.WriteString(QStringLiteral("UserID"), c.userId);
        sub.WriteString(QStringLiteral("Server"), c.server);
        sub.WriteString(QStringLiteral("Database"), c.database);
        sub.WriteString(QStringLiteral("Comment"), c.comment);
        sub.WriteString(QStringLiteral("Password"), ScrambleText(c.password));
        sub.WriteString(QStringLiteral("Windows"), c.windows);
        names << name;
        ++copied;
    }
    QString sort;
    for (const QString& n : names)
        sort += n + QStringLiteral("\r\n");
    reg.WriteString(QStringLiteral("Sort"), sort);
    return copied;
}

} // namespace connection_import

TfrmConnection::TfrmConnection(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(S("接続先リスト取込"));
    auto* label = new QLabel(S("異なるバージョンのQorvelに登録された接続先リストを取り込みます"), this);
    lstUserID = new TqvListView(this);
    lstUserID->setColumnCount(7);
    lstUserID->setHeaderLabels({S("バージョン"), S("ユーザーID"), S("サーバー"), S("データベース"), S("コメント")});
    lstUserID->setColumnHidden(5, true);
    lstUserID->setColumnHidden(6, true);
    lstUserID->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* import = new QToolButton(this);
    import->setText(S("取込(&I)"));
    import->setIcon(QIcon::fromTheme(QStringLiteral("dialog-ok")));
    import->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* exit = new QToolButton(this);
    exit->setText(S("終了(&X)"));
    exit->setIcon(QIcon::fromTheme(QStringLiteral("application-exit")));
    exit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* tools = new QHBoxLayout;
    tools->addWidget(import);
    tools->addWidget(exit);
    tools->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(label);
    layout->addWidget(lstUserID, 1);
    import->setEnabled(false);
    connect(lstUserID, &QTreeWidget::itemSelectionChanged, this,
            [this, import] { import->setEnabled(!lstUserID->selectedItems().isEmpty()); });
    connect(import, &QToolButton::clicked, this, &QDialog::accept);
    connect(exit, &QToolButton::clicked, this, &QDialog::reject);
    resize(640, 360);
    TqvRegistry reg;
    const int defaults[] = {90, 120, 120, 140, 140};
    const bool open = reg.OpenKeyReadOnly(ConnectionKey);
    if (open)
        resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
    for (int c = 0; c < 5; ++c)
        lstUserID->setColumnWidth(c, open ? reg.GetInteger(QStringLiteral("Col%1").arg(c), defaults[c]) : defaults[c]);
}

bool TfrmConnection::ShowWindow(TfrmLogon* logon)
{
    TfrmConnection dlg(logon);
    dlg.entries = connection_import::LoadOtherVersions();
    if (dlg.entries.isEmpty()) {
        TfrmLogon::Message(logon, S("取込可能な接続情報が見つかりません。"), 64);
        Abort();
    }
    for (int i = 0; i < dlg.entries.size(); ++i) {
        const SavedConnection& c = dlg.entries.at(i).connection;
        QTreeWidgetItem* item = dlg.lstUserID->AddItem(dlg.entries.at(i).version,
                                                       {c.userId, c.server, c.database, c.comment, c.password, c.windows});
        item->setData(0, Qt::UserRole, i);
    }
    const bool ok = dlg.exec() == QDialog::Accepted;
    {
        TqvRegistry reg;
        if (reg.OpenKey(ConnectionKey, true)) {
            reg.WriteInteger(QStringLiteral("Width"), dlg.width());
            reg.WriteInteger(QStringLiteral("Height"), dlg.height());
            for (int c = 0; c < 5; ++c)
                reg.WriteInteger(QStringLiteral("Col%1").arg(c), dlg.lstUserID->columnWidth(c));
        }
    }
    if (!ok)
        return false;
    QList<ImportEntry> chosen;
    for (int i = 0; i < dlg.lstUserID->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = dlg.lstUserID->topLevelItem(i);
        if (item->isSelected())
            chosen << dlg.entries.at(item->data(0, Qt::UserRole).toInt());
    }
    if (chosen.isEmpty())
        Abort();
    connection_import::ImportSelected(chosen, logon->Entries());
    TfrmLogon::Message(logon, S("接続情報を取り込みました。"), 64);
    return true;
}

} // namespace qv
