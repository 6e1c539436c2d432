#include "tables/table_temporal_page.h"

#include "controls/inputs/inputs.h"
#include "tables/define_frame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace qv {

using namespace table;

namespace {

QGroupBox* PeriodGroup(QWidget* parent, const QString& title, const QString& name, QLabel*& label,
                       TqvDropDownCombo*& combo, QCheckBox*& hidden)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(name);
    auto* row = new QHBoxLayout(group);
    label = new QLabel(QStringLiteral("列名(必須)"), group);
    combo = new TqvDropDownCombo(group);
    combo->setEditable(true);
    combo->setMinimumWidth(200);
    label->setBuddy(combo);
    hidden = new QCheckBox(QStringLiteral("隠し項目(HIDDEN)"), group);
    row->addWidget(label);
    row->addWidget(combo, 1);
    row->addSpacing(12);
    row->addWidget(hidden);
    return group;
}

} // namespace

TTemporalPage::TTemporalPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlTmp"));
    auto* main = new QVBoxLayout(this);
    chkCreateTmpTbl = new QCheckBox(QStringLiteral("テンポラルテーブルとして作成"), this);
    chkCreateTmpTbl->setObjectName(QStringLiteral("chkCreateTmpTbl"));
    main->addWidget(chkCreateTmpTbl);

    grpCreateTmpTbl = new QGroupBox(this);
    grpCreateTmpTbl->setObjectName(QStringLiteral("grpCreateTmpTbl"));
    auto* inner = new QVBoxLayout(grpCreateTmpTbl);

    grpSelectTmpHistTbl = new QGroupBox(QStringLiteral("履歴テーブルの指定 (指定しない場合はSQLServerにて自動的に作成)"),
                                        grpCreateTmpTbl);
    grpSelectTmpHistTbl->setObjectName(QStringLiteral("grpSelectTmpHistTbl"));
    auto* grid = new QGridLayout(grpSelectTmpHistTbl);
    lblTmpHistSchemaName = new QLabel(QStringLiteral("所有者"), grpSelectTmpHistTbl);
    cmbTmpHistSchema = new TqvDropDownCombo(grpSelectTmpHistTbl);
    cmbTmpHistSchema->setObjectName(QStringLiteral("cmbTmpHistSchema"));
    cmbTmpHistSchema->setMinimumWidth(160);
    lblTmpHistSchemaName->setBuddy(cmbTmpHistSchema);
    lblTmpHistTblName = new QLabel(QStringLiteral("テーブル名"), grpSelectTmpHistTbl);
    txtTmpHistTblName = new TqvStrEdit(grpSelectTmpHistTbl);
    txtTmpHistTblName->setObjectName(QStringLiteral("txtTmpHistTblName"));
    lblTmpHistTblName->setBuddy(txtTmpHistTblName);
    btnTmpHistTblSelect = new QPushButton(QStringLiteral("テーブル一覧で指定"), grpSelectTmpHistTbl);
    btnTmpHistTblSelect->setObjectName(QStringLiteral("btnTmpHistTblSelect"));
    btnTmpHistTblOpen = new QPushButton(QStringLiteral("履歴テーブルを表示"), grpSelectTmpHistTbl);
    btnTmpHistTblOpen->setObjectName(QStringLiteral("btnTmpHistTblOpen"));
    chkTmpConsistency =
        new QCheckBox(QStringLiteral("作成時に履歴テーブルのデータと整合性チェックを行う(DATA_CONSISTENCY_CHECK)"), grpSelectTmpHistTbl);
    chkTmpConsistency->setObjectName(QStringLiteral("chkTmpConsistency"));
    grid->addWidget(lblTmpHistSchemaName, 0, 0);
    grid->addWidget(cmbTmpHistSchema, 0, 1);
    grid->addWidget(btnTmpHistTblSelect, 0, 2);
    grid->addWidget(lblTmpHistTblName, 1, 0);
    grid->addWidget(txtTmpHistTblName, 1, 1);
    grid->addWidget(btnTmpHistTblOpen, 1, 2);
    grid->addWidget(chkTmpConsistency, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    inner->addWidget(grpSelectTmpHistTbl);

    grpTmpHistStartCol = PeriodGroup(grpCreateTmpTbl, QStringLiteral("期間開始列の指定"), QStringLiteral("grpTmpHistStartCol"),
                                     lblTmpHistStartCol, cmbTmpHistStartCol, chkTmpHistStartColHidden);
    cmbTmpHistStartCol->setObjectName(QStringLiteral("cmbTmpHistStartCol"));
    chkTmpHistStartColHidden->setObjectName(QStringLiteral("chkTmpHistStartColHidden"));
    grpTmpHistEndCol = PeriodGroup(grpCreateTmpTbl, QStringLiteral("期間終了列の指定"), QStringLiteral("grpTmpHistEndCol"),
                                   lblTmpHistEndCol, cmbTmpHistEndCol, chkTmpHistEndColHidden);
    cmbTmpHistEndCol->setObjectName(QStringLiteral("cmbTmpHistEndCol"));
    chkTmpHistEndColHidden->setObjectName(QStringLiteral("chkTmpHistEndColHidden"));
    inner->addWidget(grpTmpHistStartCol);
    inner->addWidget(grpTmpHistEndCol);
    main->addWidget(grpCreateTmpTbl);
    main->addStretch();

    connect(chkCreateTmpTbl, &QCheckBox::clicked, this, [this] { chkCreateTmpTblClick(); });
    connect(cmbTmpHistSchema, &QComboBox::currentTextChanged, this, [this] { HistoryChange(); });
    connect(txtTmpHistTblName, &QLineEdit::textChanged, this, [this] { HistoryChange(); });
    for (TqvDropDownCombo* combo : {cmbTmpHistStartCol, cmbTmpHistEndCol}) {
        connect(combo, &QComboBox::currentTextChanged, this, [this] { Changed(); });
        // The combo offers the grid's required datetime2 columns; any name can still be typed.
        combo->OnDropDown = [this, combo] {
            const QString text = combo->currentText();
            const QSignalBlocker block(combo);
            combo->clear();
            combo->addItems(PeriodCandidates ? PeriodCandidates() : QStringList());
            combo->setEditText(text);
        };
    }
    for (QCheckBox* box : {chkTmpHistStartColHidden, chkTmpHistEndColHidden, chkTmpConsistency})
        connect(box, &QCheckBox::clicked, this, [this] { Changed(); });
    connect(btnTmpHistTblSelect, &QPushButton::clicked, this, [this] {
        if (OnSelectTable)
            OnSelectTable();
    });
    connect(btnTmpHistTblOpen, &QPushButton::clicked, this, [this] {
        if (OnOpenTable)
            OnOpenTable();
    });

    cmbTmpHistSchema->OnDropDown = [this] { FillSchemas(); };
    chkCreateTmpTbl->setChecked(false);
    Clear();
}

void TTemporalPage::Changed()
{
    if (!m_loading && OnChange)
        OnChange();
}

void TTemporalPage::chkCreateTmpTblClick()
{
    const bool on = chkCreateTmpTbl->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             grpCreateTmpTbl, grpSelectTmpHistTbl, lblTmpHistSchemaName, cmbTmpHistSchema, lblTmpHistTblName,
             txtTmpHistTblName, btnTmpHistTblSelect, btnTmpHistTblOpen, grpTmpHistStartCol, lblTmpHistStartCol,
             cmbTmpHistStartCol, chkTmpHistStartColHidden, grpTmpHistEndCol, lblTmpHistEndCol, cmbTmpHistEndCol,
             chkTmpHistEndColHidden})
        w->setEnabled(on);
    Changed();
}

void TTemporalPage::HistoryChange()
{
    chkTmpConsistency->setEnabled(!txtTmpHistTblName->text().isEmpty() && !cmbTmpHistSchema->currentText().isEmpty());
    Changed();
}

void TTemporalPage::FillSchemas()
{
    if (m_schemasRead || !Schemas)
        return;
    const QStringList schemas = Schemas();
    m_schemasRead = true;
    const QString current = cmbTmpHistSchema->currentText();
    const QSignalBlocker block(cmbTmpHistSchema);
    cmbTmpHistSchema->clear();
    cmbTmpHistSchema->addItems(schemas);
    cmbTmpHistSchema->setCurrentIndex(cmbTmpHistSchema->findText(current, Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

void TTemporalPage::SelectSchema(const QString& schema)
{
    if (cmbTmpHistSchema->findText(schema, Qt::MatchFixedString | Qt::MatchCaseSensitive) < 0)
        FillSchemas();
    cmbTmpHistSchema->setCurrentIndex(cmbTmpHistSchema->findText(schema, Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

void TTemporalPage::Load(const TemporalSettings& s)
{
    m_loading = true;
    {
        // The list holds the loaded schema until it drops down; the catalog named it, so it exists.
        const QSignalBlocker block(cmbTmpHistSchema);
        cmbTmpHistSchema->clear();
        if (!s.historySchema.isEmpty())
            cmbTmpHistSchema->addItem(s.historySchema);
        cmbTmpHistSchema->setCurrentIndex(s.historySchema.isEmpty() ? -1 : 0);
        m_schemasRead = false;
    }
    chkCreateTmpTbl->setChecked(s.versioned);
    txtTmpHistTblName->setText(s.historyTable);
    cmbTmpHistStartCol->setEditText(s.startColumn);
    cmbTmpHistEndCol->setEditText(s.endColumn);
    chkTmpHistStartColHidden->setChecked(s.startHidden);
    chkTmpHistEndColHidden->setChecked(s.endHidden);
    chkCreateTmpTblClick();
    chkTmpConsistency->setChecked(true);
    chkTmpConsistency->setEnabled(false);
    m_loaded = Settings();
    m_loading = false;
}

TemporalSettings TTemporalPage::Settings() const
{
    TemporalSettings s;
    s.versioned = chkCreateTmpTbl->isChecked();
    s.historySchema = cmbTmpHistSchema->currentText();
    s.historyTable = txtTmpHistTblName->text();
    s.startColumn = cmbTmpHistStartCol->currentText();
    s.endColumn = cmbTmpHistEndCol->currentText();
    s.startHidden = chkTmpHistStartColHidden->isChecked();
    s.endHidden = chkTmpHistEndColHidden->isChecked();
    s.consistency = chkTmpConsistency->isChecked();
    return s;
}

} // namespace qv
