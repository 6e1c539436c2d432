#pragma once
// Import of the saved connections of other installed versions of the program: each version
// keeps its list under its own settings key; a version counts as installed when the machine
// settings hold its uninstall entry. The chosen entries are copied into this version's list.
#include "connection/saved_connections.h"

#include <QDialog>
#include <QList>

class QTreeWidgetItem;

namespace qv {

class TfrmLogon;
class TqvListView;

struct ImportEntry {
    QString version;  // settings-key name of the version it comes from
    SavedConnection connection;
};

namespace connection_import {
struct VersionRow {
    const char* keyName;
    const char* productCode;
};
// The known versions (key names under \Software\Velmora\ and uninstall product codes).
const QList<VersionRow>& Versions();
// The importable entries of the installed other versions, in version order.
QList<ImportEntry> LoadOtherVersions();
// Copies entries into this version's list, skipping those whose login and shown database
// column equal an existing entry of `existing`; returns the number copied.
int ImportSelected(const QList<ImportEntry>& selected, const QList<SavedConnection>& existing);
} // namespace connection_import

class TfrmConnection : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConnection(QWidget* parent = nullptr);
    // True when entries were imported into the log-on dialog's list.
    static bool ShowWindow(TfrmLogon* logon);

    TqvListView* lstUserID;
    QList<ImportEntry> entries;
};

} // namespace qv
