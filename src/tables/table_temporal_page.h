#pragma once
// The system-versioning page of the table window (panel pnlTmp): whether the table is
// versioned, its history table and its two period columns. The page holds the controls and the
// state of the last load; the table window reads the settings, runs the checks and builds the
// statements (table_temporal_text.h).
#include "tables/table_temporal_text.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace qv {

class TqvDropDownCombo;
class TqvStrEdit;

class TTemporalPage : public QWidget {
    Q_OBJECT
public:
    explicit TTemporalPage(QWidget* parent = nullptr);

    QCheckBox* chkCreateTmpTbl = nullptr;
    QGroupBox* grpCreateTmpTbl = nullptr;
    QGroupBox* grpSelectTmpHistTbl = nullptr;
    QLabel* lblTmpHistSchemaName = nullptr;
    TqvDropDownCombo* cmbTmpHistSchema = nullptr;
    QLabel* lblTmpHistTblName = nullptr;
    TqvStrEdit* txtTmpHistTblName = nullptr;
    QPushButton* btnTmpHistTblSelect = nullptr;
    QPushButton* btnTmpHistTblOpen = nullptr;
    QCheckBox* chkTmpConsistency = nullptr;
    QGroupBox* grpTmpHistStartCol = nullptr;
    QLabel* lblTmpHistStartCol = nullptr;
    TqvDropDownCombo* cmbTmpHistStartCol = nullptr;
    QCheckBox* chkTmpHistStartColHidden = nullptr;
    QGroupBox* grpTmpHistEndCol = nullptr;
    QLabel* lblTmpHistEndCol = nullptr;
    TqvDropDownCombo* cmbTmpHistEndCol = nullptr;
    QCheckBox* chkTmpHistEndColHidden = nullptr;

    // Set by the window: any change of the page (Modified), the names a period combo offers when
    // it drops down, the two buttons.
    std::function<void()> OnChange;
    std::function<QStringList()> PeriodCandidates;
    // The schemas of the table's database, read when the owner list first drops down.
    std::function<QStringList()> Schemas;
    std::function<void()> OnSelectTable;
    std::function<void()> OnOpenTable;

    // Shows the loaded state and keeps it as the state that changes are measured against; the
    // consistency box ticked and disabled.
    void Load(const table::TemporalSettings& s);
    // A new table: everything empty and disabled until the box is ticked.
    void Clear() { Load(table::TemporalSettings{}); }
    table::TemporalSettings Settings() const;
    const table::TemporalSettings& Loaded() const { return m_loaded; }
    // Selects the schema in the owner list (no selection when the database has no such schema).
    void SelectSchema(const QString& schema);
    // Fills the owner list from Schemas (once per load), keeping the selection.
    void FillSchemas();

    void chkCreateTmpTblClick();
    void HistoryChange();

private:
    void Changed();
    table::TemporalSettings m_loaded;
    bool m_schemasRead = false;
    bool m_loading = false;
};

} // namespace qv
