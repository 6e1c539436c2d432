#include "app/option_dialog.h"

#include "app/format_option_frame.h"
#include "app/connection_options.h"
#include "app/connection_window_iface.h"
#include "app/globals.h"
#include "app/help.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/option_checks.h"
#include "app/options.h"
#include "app/shortcut_tree.h"
#include "controls/inputs/inputs.h"
#include "platform/exceptions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#define S QStringLiteral

namespace qv {

namespace {

using O = TqvOption;

QVBoxLayout* vbox(QWidget* w)
{
    auto* l = new QVBoxLayout(w);
    l->setSpacing(4);
    return l;
}

QGroupBox* group(QLayout* parent, const QString& title)
{
    auto* g = new QGroupBox(title);
    parent->addWidget(g);
    return g;
}

// The key page's groups: the actions by menu.
QList<ShortcutTree::Group> optionKeyGroups()
{
    return {
        {S("ファイルメニュー"), {S("actDBCommit"), S("actDBRollback"), S("actDBLogon"), S("actDBLogoff"), S("actFileExit")}},
        {S("編集メニュー"),
         {S("actEditUndo"), S("actEditRedo"), S("actEditCut"), S("actEditCopy"), S("actEditPaste"), S("actEditDelete"),
          S("actEditSelectAll"), S("actEditSelectMode"), S("actEditFind"), S("actEditFindNext"), S("actEditFindPrev"),
          S("actEditReplace"), S("actEditJump"), S("actEditFormat"), S("actEditGetSQL"), S("actEditComment"),
          S("actEditUpperCase"), S("actEditLowerCase"), S("actEditIndentF"), S("actEditIndentR"), S("actEditMacroSave"),
          S("actEditMacroExec"), S("actEditJumpDefine")}},
        {S("オブジェクトリストメニュー"),
         {S("actNew"), S("actOpenDefine"), S("actOpenData"), S("actOpenDataTop"), S("actOpenSource"), S("actScript"),
          S("actPrint"), S("actLoad"), S("actViewField"), S("actGrant"), S("actCross"), S("actMatrix"), S("actAnalyze"),
          S("actComment"), S("actExec"), S("actConstEnable"), S("actConstDisable"), S("actSynonym"), S("actGrep"),
          S("actAddWorkSpace")}},
        {S("表示メニュー"), {S("actViewSQL"), S("actViewScript"), S("actViewTemplate")}},
        {S("管理メニュー"),
         {S("actAdminUser"), S("actAdminSession"), S("actAdminLock"), S("actAdminStorage"), S("actAdminDatabase"),
          S("actAdminJob"), S("actAdminBackup"), S("actAdminRestore"), S("actAdminLoad"), S("actAdminAttach")}},
        {S("ツールメニュー"),
         {S("actToolCommandSetup"), S("actToolReportSetup"), S("actViewComp"), S("actToolIndexAdviser"),
          S("actViewSQLCatch"), S("actViewSQLCRUD"), S("actViewMS"), S("actViewMSDTS"), S("actViewMSProfiler"),
          S("actToolOption"), S("actToolEditorOption"), S("actToolScriptOption")}},
    };
}

QString spreadsheetColumn(int i)
{
    QString s;
    for (int n = i + 1; n > 0; n = (n - 1) / 26)
        s.prepend(QChar(u'A' + (n - 1) % 26));
    return s;
}

const QStringList kTitleItems = {S("項目名を使用"), S("コメントを使用"), S("出力しない")};

} // namespace

TfrmOption::TfrmOption(IConnectionWindow* owner, QObject* actionOwner, QWidget* parent)
    : QDialog(parent), m_owner(owner)
{
    setObjectName(S("frmOption"));
    setWindowTitle(S("オプション"));
    setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint & ~Qt::WindowContextHelpButtonHint);
    auto* root = new QVBoxLayout(this);
    pages = new QTabWidget(this);
    pages->setUsesScrollButtons(false); // every page's caption stays readable
    root->addWidget(pages);
    buildObjectListPage();
    buildDefinitionPage();
    buildSqlPage();
    buildDataPage();
    buildKeyPage(actionOwner);
    buildOutputPage();
    buildOutput2Page();
    buildAdvancedPage();
    buildFormatPage();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton(S("OK"), this);
    btnCancel = new QPushButton(S("キャンセル"), this);
    btnHelp = new QPushButton(S("ヘルプ"), this);
    btnOk->setDefault(true);
    for (QPushButton* b : {btnOk, btnCancel, btnHelp})
        buttons->addWidget(b);
    root->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, &TfrmOption::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [] { HelpBinding::showContext(50100); });
    // On the key page Tab belongs to the tree.
    connect(pages, &QTabWidget::currentChanged, this, [this] {
        const bool keys = pages->currentWidget() == page(S("キー操作"));
        lstShortCut->setEnabled(keys);
        for (QPushButton* b : {btnOk, btnCancel, btnHelp})
            b->setFocusPolicy(keys ? Qt::NoFocus : Qt::StrongFocus);
    });

    loadControls();
    pages->setCurrentIndex(0);
    lstShortCut->setEnabled(false);
    const bool scripts = owner && owner->DBVer() >= 13;
    checks.value(S("Script"))->setEnabled(scripts);
    btnScriptExec->setEnabled(scripts);
}

TfrmOption::~TfrmOption() = default;

QWidget* TfrmOption::page(const QString& caption) const
{
    for (int i = 0; i < pages->count(); ++i)
        if (pages->tabText(i) == caption)
            return pages->widget(i);
    return nullptr;
}

bool TfrmOption::ShowWindow()
{
    TfrmMain* main = TfrmMain::instance();
    TfrmOption dlg(main ? main->CurrentForm() : nullptr, main, main);
    return dlg.exec() == QDialog::Accepted;
}

// ---- pages ----------------------------------------------------------------------------------

// "整形出力": never shown (the editor options dialog owns the formatter layout), yet its
// controls load and store the formatter options with the other pages.
void TfrmOption::buildFormatPage()
{
    fraFormat = new TfraFormatOption;
    pages->setTabVisible(pages->addTab(fraFormat, S("整形出力")), false);
    m_loaders << [this] { fraFormat->Load(FormatOption); };
    m_storers << [this] { fraFormat->Store(FormatOption); };
}

void TfrmOption::buildObjectListPage()
{
    auto* w = new QWidget;
    auto* l = vbox(w);
    {
        auto* g = group(l, S("ツリー順序"));
        auto* gl = new QVBoxLayout(g);
        auto* bg = new QButtonGroup(g);
        int id = 0;
        for (const QString& t : {S("データベース → オブジェクトタイプ 順"), S("オブジェクトタイプ → データベース 順")}) {
            auto* r = new QRadioButton(t, g);
            bg->addButton(r, id++);
            gl->addWidget(r);
        }
        radios.insert(S("TreeSort"), bg);
        m_loaders << [bg] { if (auto* b = bg->button(qvOption.TreeSort)) b->setChecked(true); };
        m_storers << [bg] { if (bg->checkedId() >= 0) qvOption.TreeSort = bg->checkedId(); };
    }
    {
        auto* g = group(l, S("表示するオブジェクトタイプ"));
        auto* gl = new QHBoxLayout(g);
        struct T { const char* key; int image; const char* hint; bool O::*m; };
        static const T types[] = {
            {"ShowTable", 45, "テーブル", &O::ShowTable},       {"ShowIndex", 46, "インデックス", &O::ShowIndex},
            {"ShowView", 47, "ビュー", &O::ShowView},           {"ShowProc", 51, "プロシージャ", &O::ShowProc},
            {"ShowFunc", 52, "ファンクション", &O::ShowFunc},   {"ShowTrigger", 57, "トリガー", &O::ShowTrigger},
            {"ShowSeq", 58, "シーケンス", &O::ShowSeq},         {"ShowSynonym", 60, "シノニム", &O::ShowSynonym},
            {"ShowConst", 66, "制約", &O::ShowConst},
        };
        for (const T& t : types) {
            auto* b = new QToolButton(g);
            b->setCheckable(true);
            b->setIcon(imgMain(t.image));
            b->setIconSize(QSize(24, 24));
            b->setToolTip(QString::fromUtf8(t.hint));
            gl->addWidget(b);
            typeButtons.insert(QString::fromLatin1(t.key), b);
            const auto m = t.m;
            m_loaders << [b, m] { b->setChecked(qvOption.*m); };
            m_storers << [b, m] { qvOption.*m = b->isChecked(); };
        }
        gl->addStretch();
    }
    struct C { const char* key; const char* caption; bool O::*m; };
    static const C boxes[] = {
        {"UserFirst", "接続データベースを一番最初に表示する", &O::UserFirst},
        {"TreeData", "オブジェクト固有の詳細情報を表示する", &O::TreeData},
        {"Progress", "一覧表示中の途中経過を表示する", &O::Progress},
        {"RowSelect", "オブジェクト選択時、行全体を反転する", &O::RowSelect},
        {"DelErr", "オブジェクト一括削除時のエラーを無視する", &O::DelErr},
        {"Find", "絞り込み検索機能を表示する", &O::Find},
        {"FindAuto", "総称検索を行う ( LIKE '%検索値%' )", &O::FindAuto},
        {"ShowSysObj", "システムオブジェクトを表示", &O::ShowSysObj},
        {"ShowFragment", "断片化の割合を初期表示 (インデックス一覧)", &O::ShowFragment},
    };
    for (const C& c : boxes) {
        auto* b = new QCheckBox(QString::fromUtf8(c.caption));
        if (QLatin1String(c.key) == QLatin1String("FindAuto")) {
            auto* indent = new QHBoxLayout;
            indent->addSpacing(20);
            indent->addWidget(b);
            l->addLayout(indent);
        } else {
            l->addWidget(b);
        }
        checks.insert(QString::fromLatin1(c.key), b);
        const auto m = c.m;
        m_loaders << [b, m] { b->setChecked(qvOption.*m); };
        m_storers << [b, m] { qvOption.*m = b->isChecked(); };
    }
    connect(checks.value(S("Find")), &QCheckBox::toggled, this, [this] { updateDependents(); });
    l->addStretch();
    pages->addTab(w, S("オブジェクトリスト"));
}

void TfrmOption::buildDefinitionPage()
{
    auto* w = new QWidget;
    auto* l = vbox(w);
    l->addWidget(new QLabel(S("各種オブジェクト定義画面の、共通設定を入力します。")));
    {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(S("初期表示タブ")));
        auto* c = new QComboBox;
        c->addItems({S("定義情報"), S("ソース情報"), S("データ")});
        row->addWidget(c);
        row->addStretch();
        l->addLayout(row);
        combos.insert(S("OpenMode"), c);
        m_loaders << [c] { c->setCurrentIndex(int(qvOption.OpenMode) <= 2 ? int(qvOption.OpenMode) : -1); };
        m_storers << [c] { if (c->currentIndex() >= 0) qvOption.OpenMode = TOpenMode(c->currentIndex()); };
    }
    struct C { const char* key; const char* caption; bool O::*m; };
    static const C boxes[] = {
        {"ShowDDL", "定義変更時に実行される DDL 文を表示する", &O::ShowDDL},
        {"CloseDDL", "定義変更時にエラーが発生しなかった場合、自動で DDL 実行画面を閉じる", &O::CloseDDL},
        {"ShowStorageSource", "SQL文に領域情報を含める", &O::ShowStorageSource},
        {"BackupData", "テーブル再作成時に、データ退避テーブルを作成する", &O::BackupData},
        {"DefaultAutoQuote", "省略時値に文字列を指定した際、シングルクォーテーョンを自動付加する(TABLE)", &O::DefaultAutoQuote},
        {"ShowColumnSource", "SQL文に項目名を含める(VIEW)", &O::ShowColumnSource},
    };
    for (const C& c : boxes) {
        auto* b = new QCheckBox(QString::fromUtf8(c.caption));
        l->addWidget(b);
        checks.insert(QString::fromLatin1(c.key), b);
        const auto m = c.m;
        m_loaders << [b, m] { b->setChecked(qvOption.*m); };
        m_storers << [b, m] { qvOption.*m = b->isChecked(); };
    }
    struct H {
        const char* prefix; const char* caption;
        bool O::*on; bool O::*dialog; bool O::*renum; bool O::*head; QString O::*dir;
    };
    static const H hist[] = {
        {"SaveBeforeSrc", "変更前のソースを保存する", &O::SaveBeforeSrc, &O::SaveBeforeSrcDialog,
         &O::SaveBeforeSrcRenum, &O::SaveBeforeSrcHead, &O::SaveBeforeSrcDir},
        {"SaveAfterSrc", "変更後のソースを保存する", &O::SaveAfterSrc, &O::SaveAfterSrcDialog,
         &O::SaveAfterSrcRenum, &O::SaveAfterSrcHead, &O::SaveAfterSrcDir},
    };
    for (const H& h : hist) {
        const QString p = QString::fromLatin1(h.prefix);
        auto* on = new QCheckBox(QString::fromUtf8(h.caption));
        l->addWidget(on);
        auto* g = new QGroupBox;
        g->setObjectName(p + S("Group"));
        l->addWidget(g);
        auto* gl = new QGridLayout(g);
        const std::pair<const char*, bool O::*> subs[] = {
            {"Dialog", h.dialog}, {"Renum", h.renum}, {"Head", h.head}};
        const char* captions[] = {"ダイアログ表示", "自動採番", "修正履歴"};
        auto* row = new QHBoxLayout;
        for (int i = 0; i < 3; ++i) {
            auto* b = new QCheckBox(QString::fromUtf8(captions[i]));
            row->addWidget(b);
            checks.insert(p + QString::fromLatin1(subs[i].first), b);
            const auto m = subs[i].second;
            m_loaders << [b, m] { b->setChecked(qvOption.*m); };
            m_storers << [b, m] { qvOption.*m = b->isChecked(); };
        }
        row->addStretch();
        gl->addLayout(row, 0, 0, 1, 3);
        gl->addWidget(new QLabel(S("出力先")), 1, 0);
        auto* e = new QLineEdit;
        gl->addWidget(e, 1, 1);
        auto* browse = new QToolButton;
        browse->setText(S("..."));
        gl->addWidget(browse, 1, 2);
        const QString dirKey = p == S("SaveBeforeSrc") ? S("SaveBeforeSrcDir") : S("SaveAfterSrcDir");
        texts.insert(dirKey, e);
        connect(browse, &QToolButton::clicked, this, [this, e] {
            const QString d = QFileDialog::getExistingDirectory(this, S("出力先を選択して下さい。"), e->text());
            if (!d.isEmpty())
                e->setText(d);
        });
        const auto dir = h.dir;
        m_loaders << [e, dir] { e->setText(qvOption.*dir); };
        m_storers << [e, dir] { qvOption.*dir = StoredFolder(e->text(), DataDir()); };
        checks.insert(p, on);
        const auto m = h.on;
        m_loaders << [on, m] { on->setChecked(qvOption.*m); };
        m_storers << [on, m] { qvOption.*m = on->isChecked(); };
        connect(on, &QCheckBox::toggled, g, &QWidget::setEnabled);
    }
    l->addStretch();
    pages->addTab(w, S("定義情報"));
}

namespace {

// A font group: the font list, the size box and the sample.
struct FontParts {
    QListWidget* list;
    TqvNumEdit* size;
    QLabel* sample;
};

FontParts fontGroup(QGroupBox* g, const QStringList& families)
{
    auto* gl = new QGridLayout(g);
    auto* list = new QListWidget;
    list->addItems(families);
    list->setMinimumHeight(90);
    gl->addWidget(list, 0, 0, 3, 1);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(S("サイズ(pt)")));
    auto* size = new TqvNumEdit;
    size->setMaxLength(3);
    size->setMaximumWidth(60);
    sizeRow->addWidget(size);
    sizeRow->addStretch();
    gl->addLayout(sizeRow, 0, 1);
    auto* sg = new QGroupBox(S("サンプル"));
    auto* sl = new QVBoxLayout(sg);
    auto* sample = new QLabel(S("ABCxzy\nあいう亜井宇"));
    sample->setMinimumHeight(48);
    sl->addWidget(sample);
    gl->addWidget(sg, 1, 1);
    gl->setColumnStretch(0, 1);
    gl->setColumnStretch(1, 1);
    return {list, size, sample};
}

void setSampleFont(QLabel* sample, const QString& family, int size)
{
    QFont f(family);
    f.setFixedPitch(true);
    f.setPointSize(size > 0 ? size : 10);
    sample->setFont(f);
}

} // namespace

void TfrmOption::buildSqlPage()
{
    auto* w = new QWidget;
    auto* l = vbox(w);
    const QStringList families = QFontDatabase::families();
    auto* builder = group(l, S("SQLビルダ"));
    auto* bl = new QVBoxLayout(builder);
    struct F { const char* title; const char* name; QString O::*font; int O::*size; const char* sizeKey; };
    static const F fonts[] = {
        {" ダイアグラム部 ", "DiagramFontName", &O::DiagramFontName, &O::DiagramFontSize, "DiagramFontSize"},
        {" グリッド部 ", "GridFontName", &O::GridFontName, &O::GridFontSize, "GridFontSize"},
    };
    for (const F& f : fonts) {
        auto* g = group(bl, QString::fromUtf8(f.title));
        const FontParts p = fontGroup(g, families);
        const QString key = QString::fromLatin1(f.name);
        fontLists.insert(key, p.list);
        samples.insert(key, p.sample);
        numbers.insert(QString::fromLatin1(f.sizeKey), p.size);
        const auto fm = f.font;
        const auto sm = f.size;
        m_loaders << [p, fm, sm] {
            const auto found = p.list->findItems(qvOption.*fm, Qt::MatchExactly);
            p.list->setCurrentItem(found.isEmpty() ? nullptr : found.first());
            if (found.isEmpty())
                p.list->clearSelection();
            p.size->setValueInt(qvOption.*sm);
            setSampleFont(p.sample, qvOption.*fm, qvOption.*sm);
        };
        m_storers << [p, fm, sm] {
            if (!p.list->selectedItems().isEmpty())
                qvOption.*fm = p.list->selectedItems().first()->text();
            qvOption.*sm = p.size->ValueInt();
        };
        connect(p.list, &QListWidget::itemClicked, this, [p](QListWidgetItem* it) {
            setSampleFont(p.sample, it->text(), p.sample->font().pointSize());
        });
        connect(p.size, &QLineEdit::editingFinished, this, [p] {
            if (p.size->text().isEmpty())
                p.size->setValueInt(p.sample->font().pointSize());
            else
                setSampleFont(p.sample, p.sample->font().family(), p.size->ValueInt() > 0 ? p.size->ValueInt() : 10);
        });
    }
    auto* g = group(l, S("SQL実行"));
    auto* gl = new QGridLayout(g);
    gl->addWidget(new QLabel(S("SQL履歴数")), 0, 0);
    auto* buf = new TqvNumEdit;
    buf->setMaxLength(3);
    buf->setMaximumWidth(60);
    gl->addWidget(buf, 0, 1);
    gl->setColumnStretch(2, 1);
    numbers.insert(S("SQLBuf"), buf);
    m_loaders << [buf] { buf->setValueInt(qvOption.SQLBuf); };
    m_storers << [buf] { qvOption.SQLBuf = buf->ValueInt(); };
    auto* partial = new QCheckBox(S("文字選択された範囲のSQLのみを実行する"));
    gl->addWidget(partial, 1, 0, 1, 3);
    checks.insert(S("UsePartial"), partial);
    m_loaders << [partial] { partial->setChecked(qvOption.UsePartial); };
    m_storers << [partial] { qvOption.UsePartial = partial->isChecked(); };
    l->addStretch();
    pages->addTab(w, S("SQL実行"));
}

namespace {

// A radio group of an integer (or enumeration) field.
template <class T>
QButtonGroup* radioGroup(QLayout* parent, const QString& title, const QStringList& items, T O::*m,
                         QList<std::function<void()>>& loaders, QList<std::function<void()>>& storers,
                         bool horizontal = true)
{
    auto* g = new QGroupBox(title);
    parent->addWidget(g);
    QBoxLayout* gl = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(g)) : new QVBoxLayout(g);
    auto* bg = new QButtonGroup(g);
    for (int i = 0; i < items.size(); ++i) {
        auto* r = new QRadioButton(items[i]);
        bg->addButton(r, i);
        gl->addWidget(r);
    }
    if (horizontal)
        gl->addStretch();
    loaders << [bg, m] {
        if (auto* b = bg->button(int(qvOption.*m)))
            b->setChecked(true);
    };
    storers << [bg, m] {
        if (bg->checkedId() >= 0)
            qvOption.*m = T(bg->checkedId());
    };
    return bg;
}

} // namespace

void TfrmOption::buildDataPage()
{
    auto* w = new QWidget;
    auto* l = vbox(w);
    auto check = [this](QLayout* lay, const char* key, const char* caption, bool O::*m) {
        auto* b = new QCheckBox(QString::fromUtf8(caption));
        lay->addWidget(b);
        checks.insert(QString::fromLatin1(key), b);
        m_loaders << [b, m] { b->setChecked(qvOption.*m); };
        m_storers << [b, m] { qvOption.*m = b->isChecked(); };
    };
    auto number = [this](QGridLayout* lay, int row, const char* key, const char* caption, int digits, int O::*m) {
        lay->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        auto* e = new TqvNumEdit;
        e->setMaxLength(digits);
        e->setMaximumWidth(digits > 3 ? 100 : 60);
        lay->addWidget(e, row, 1);
        numbers.insert(QString::fromLatin1(key), e);
        m_loaders << [e, m] { e->setValueInt(qvOption.*m); };
        m_storers << [e, m] { qvOption.*m = e->ValueInt(); };
    };
    auto* result = group(l, S(" 結果表示 "));
    auto* rl = new QVBoxLayout(result);
    {
        auto* fg = new QGroupBox;
        rl->addWidget(fg);
        const FontParts p = fontGroup(fg, QFontDatabase::families());
        fontLists.insert(S("DataFontName"), p.list);
        samples.insert(S("DataFontName"), p.sample);
        numbers.insert(S("DataFontSize"), p.size);
        m_loaders << [p] {
            const auto found = p.list->findItems(qvOption.DataFontName, Qt::MatchExactly);
            p.list->setCurrentItem(found.isEmpty() ? nullptr : found.first());
            if (found.isEmpty())
                p.list->clearSelection();
            p.size->setValueInt(qvOption.DataFontSize);
            setSampleFont(p.sample, qvOption.DataFontName, qvOption.DataFontSize);
        };
        m_storers << [p] {
            if (!p.list->selectedItems().isEmpty())
                qvOption.DataFontName = p.list->selectedItems().first()->text();
            qvOption.DataFontSize = p.size->ValueInt();
        };
        connect(p.list, &QListWidget::itemClicked, this, [p](QListWidgetItem* it) {
            setSampleFont(p.sample, it->text(), p.sample->font().pointSize());
        });
        connect(p.size, &QLineEdit::editingFinished, this, [p] {
            if (p.size->text().isEmpty())
                p.size->setValueInt(p.sample->font().pointSize());
            else
                setSampleFont(p.sample, p.sample->font().family(), p.size->ValueInt() > 0 ? p.size->ValueInt() : 10);
        });
    }
    radios.insert(S("DataShowMode"), radioGroup(rl, S("横方向出力時の表示方法"), {S("標準"), S("左寄せ"), S("右寄せ")},
                                                 &O::DataShowMode, m_loaders, m_storers));
    auto* grid = new QGridLayout;
    grid->setColumnStretch(2, 1);
    rl->addLayout(grid);
    number(grid, 0, "DataColWidthH", "横方向出力時の列幅(字数)", 3, &O::DataColWidthH);
    number(grid, 1, "DataColWidthV", "縦方向出力時の最大列幅(字数)", 3, &O::DataColWidthV);
    check(rl, "Draw100ColOver", "100列以上表示する際に列幅調整を行う", &O::Draw100ColOver);

    auto* tv = group(l, S(" テーブル・ビュー表示 "));
    auto* tl = new QVBoxLayout(tv);
    check(tl, "ShowWhereGrid", "抽出条件・ソート順設定画面を予め開いておく", &O::ShowWhereGrid);
    check(tl, "WhereAutoQuote", "抽出条件に文字列を指定した際、シングルクォーテーションを自動付加する", &O::WhereAutoQuote);

    check(l, "UpdateMode", "初期状態をデータ編集可能にする", &O::UpdateMode);
    check(l, "ShowNull", "NULL値を表示する", &O::ShowNull);
    auto* g2 = new QGridLayout;
    g2->setColumnStretch(2, 1);
    l->addLayout(g2);
    number(g2, 0, "DefTopRecord", "件数を指定して開く場合の既定レコード件数", 9, &O::DefTopRecord);
    check(l, "AddStripe", "グリッドを一行ごとに色分けする", &O::AddStripe);

    auto* df = group(l, S("日付型の書式"));
    auto* dl = new QHBoxLayout(df);
    auto combo = [this, dl](const char* key, const char* caption, const QStringList& items, QString O::*m) {
        dl->addWidget(new QLabel(QString::fromUtf8(caption)));
        auto* c = new QComboBox;
        c->setEditable(true);
        c->addItems(items);
        c->setMinimumWidth(130);
        dl->addWidget(c);
        combos.insert(QString::fromLatin1(key), c);
        m_loaders << [c, m] { c->setEditText(qvOption.*m); };
        m_storers << [c, m] { qvOption.*m = c->currentText(); };
    };
    combo("DateFormat", "日付",
          {S("yy/MM/dd"), S("yyyy/MM/dd"), S("MM/dd/yy"), S("MM/dd/yyyy"), S("dd/MM/yy"), S("dd/MM/yyyy")}, &O::DateFormat);
    combo("TimeFormat", "時刻", {S("HH:mm:ss"), S("HH:mm:ss.zzz")}, &O::TimeFormat);
    dl->addStretch();
    check(l, "CurrecyInNumericFormat", "通貨型のデータを数値として表示する", &O::CurrecyInNumericFormat);
    l->addStretch();
    pages->addTab(w, S("データ"));
}

void TfrmOption::buildKeyPage(QObject* actionOwner)
{
    auto* w = new QWidget;
    auto* l = vbox(w);
    auto* note = new QLabel(S("項目を選択し、割り当てたいショートカットキーを入力して下さい。(削除したい場合はSPACEキー)"));
    note->setWordWrap(true);
    l->addWidget(note);
    lstShortCut = new ShortcutTree(optionKeyGroups(), actionOwner, w);
    l->addWidget(lstShortCut, 1);
    pages->addTab(w, S("キー操作"));
}

void TfrmOption::buildOutputPage()
{
    auto* w = new QWidget;
    auto* l = vbox(w);
    auto folderRow = [this](QGridLayout* gl, int row, const char* key, const char* caption, QString O::*m,
                            const QString& title) {
        gl->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        auto* e = new QLineEdit;
        gl->addWidget(e, row, 1);
        auto* b = new QToolButton;
        b->setText(S("..."));
        gl->addWidget(b, row, 2);
        texts.insert(QString::fromLatin1(key), e);
        connect(b, &QToolButton::clicked, this, [this, e, title] {
            const QString d = QFileDialog::getExistingDirectory(this, title, e->text());
            if (!d.isEmpty())
                e->setText(d);
        });
        m_loaders << [e, m] { e->setText(qvOption.*m); };
        m_storers << [e, m] { qvOption.*m = StoredFolder(e->text(), DocumentsDir()); };
    };
    auto templateRow = [this](QGridLayout* gl, int row, const char* key, const char* caption, QString O::*m) {
        gl->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        auto* e = new QLineEdit;
        gl->addWidget(e, row, 1, 1, 3);
        auto* b = new QToolButton;
        b->setText(S("..."));
        gl->addWidget(b, row, 4);
        texts.insert(QString::fromLatin1(key), e);
        connect(b, &QToolButton::clicked, this, [this, e] {
            QString name = e->text();
            if (name.endsWith(u'/'))
                name.chop(1);
            const QString f = QFileDialog::getOpenFileName(this, QString(), name,
                                                           ExcelFileFilter + S(";;すべてのファイル(*)"));
            if (!f.isEmpty())
                e->setText(f);
        });
        m_loaders << [e, m] { e->setText(qvOption.*m); };
        m_storers << [e, m] { qvOption.*m = e->text(); };
    };
    auto number = [this](QGridLayout* gl, int row, int col, const char* key, const char* caption, int digits) {
        gl->addWidget(new QLabel(QString::fromUtf8(caption)), row, col);
        auto* e = new TqvNumEdit;
        e->setMaxLength(digits);
        e->setMaximumWidth(70);
        gl->addWidget(e, row, col + 1);
        numbers.insert(QString::fromLatin1(key), e);
        return e;
    };
    auto check = [this](QLayout* lay, const char* key, const char* caption, bool O::*m) {
        auto* b = new QCheckBox(QString::fromUtf8(caption));
        lay->addWidget(b);
        checks.insert(QString::fromLatin1(key), b);
        m_loaders << [b, m] { b->setChecked(qvOption.*m); };
        m_storers << [b, m] { qvOption.*m = b->isChecked(); };
    };

    auto* excel = group(l, S(" EXCEL出力 "));
    auto* el = new QVBoxLayout(excel);
    {
        auto* gl = new QGridLayout;
        el->addLayout(gl);
        folderRow(gl, 0, "ExcelDir", "デフォルトの出力先", &O::ExcelDir, S("出力先を選択して下さい。"));
    }
    {
        auto* row = new QHBoxLayout;
        el->addLayout(row);
        radios.insert(S("ExcelMode"), radioGroup(row, S(" 出力方向 "), {S("縦方向"), S("横方向")}, &O::ExcelMode,
                                                 m_loaders, m_storers));
        auto* col = new QVBoxLayout;
        row->addLayout(col);
        check(col, "ExcelDialog", "標準ダイアログを使用する", &O::ExcelDialog);
        check(col, "ExcelRefresh", "最新のデータを読み直してから出力する", &O::ExcelRefresh);
    }
    {
        auto* forms = new QGroupBox(S(" フォームファイル名 "));
        el->addWidget(forms);
        auto* gl = new QGridLayout(forms);
        templateRow(gl, 0, "ExcelFormMatrix", "マトリックス表", &O::ExcelFormMatrix);
        auto* rows = number(gl, 1, 1, "ExcelMatrixRow", "頁行数", 5);
        auto* cols = number(gl, 1, 3, "ExcelMatrixCol", "桁数", 3);
        m_loaders << [rows, cols] {
            rows->setValueInt(qvOption.ExcelMatrixRow);
            cols->setValueInt(qvOption.ExcelMatrixCol);
        };
        m_storers << [rows, cols] {
            qvOption.ExcelMatrixRow = rows->ValueInt();
            qvOption.ExcelMatrixCol = cols->ValueInt();
        };
        templateRow(gl, 2, "ExcelForm", "ＳＱＬ結果", &O::ExcelForm);
        auto* top = number(gl, 3, 1, "ExcelTop", "開始行", 5);
        gl->addWidget(new QLabel(S("桁")), 3, 3);
        auto* left = new QComboBox;
        for (int i = 0; i < 256; ++i)
            left->addItem(spreadsheetColumn(i));
        gl->addWidget(left, 3, 4);
        combos.insert(S("ExcelLeft"), left);
        m_loaders << [top, left] {
            top->setValueInt(qvOption.ExcelTop + 1);
            left->setCurrentIndex(qvOption.ExcelLeft >= 0 && qvOption.ExcelLeft < 256 ? qvOption.ExcelLeft : -1);
        };
        m_storers << [top, left] {
            qvOption.ExcelTop = top->ValueInt() - 1;
            if (left->currentIndex() >= 0)
                qvOption.ExcelLeft = left->currentIndex();
        };
        gl->setColumnStretch(1, 1);
        gl->setColumnStretch(3, 1);
    }
    radios.insert(S("ExcelTitle"), radioGroup(el, S(" 列タイトル出力 "), kTitleItems, &O::ExcelTitle, m_loaders, m_storers));

    auto* clip = group(l, S(" クリップボード出力 "));
    auto* cl = new QVBoxLayout(clip);
    {
        auto* row = new QHBoxLayout;
        cl->addLayout(row);
        radios.insert(S("PasteColumn"), radioGroup(row, S("項目区切り文字"), {S("タブ"), S("カンマ")}, &O::PasteColumn,
                                                   m_loaders, m_storers));
        check(row, "PasteDialog", "出力時に確認ダイアログを表示する", &O::PasteDialog);
    }
    radios.insert(S("PasteTitle"), radioGroup(cl, S(" 列タイトル出力 "), kTitleItems, &O::PasteTitle, m_loaders, m_storers));

    auto* files = group(l, S(" ファイル入出力 "));
    auto* fl = new QGridLayout(files);
    folderRow(fl, 0, "FileDir", "デフォルトの出力先", &O::FileDir, S("出力先を選択して下さい。"));
    fl->addWidget(new QLabel(S("テキストファイルの形式")), 1, 0);
    auto* enc = new QComboBox;
    enc->addItems({S("SHIFT-JIS"), S("UTF-7"), S("UTF-8"), S("UTF-16 (LE)"), S("UTF-16 (BE)")});
    fl->addWidget(enc, 1, 1, Qt::AlignLeft);
    combos.insert(S("Encoding"), enc);
    m_loaders << [enc] { enc->setCurrentIndex(qvOption.Encoding >= 0 && qvOption.Encoding < 5 ? qvOption.Encoding : -1); };
    m_storers << [enc] { if (enc->currentIndex() >= 0) qvOption.Encoding = enc->currentIndex(); };
    l->addStretch();
    pages->addTab(w, S("外部出力"));
}

void TfrmOption::buildOutput2Page()
{
    auto* w = new QWidget;
    auto* l = vbox(w);
    auto* csv = group(l, S("CSV出力"));
    auto* cl = new QVBoxLayout(csv);
    radios.insert(S("CSVTitle"), radioGroup(cl, S(" 列タイトル出力 "), kTitleItems, &O::CSVTitle, m_loaders, m_storers));
    radios.insert(S("CSVQuotation"),
                  radioGroup(cl, S("二重引用符 (\") で値を囲う条件"), {S("すべて囲う"), S("文字列型のみ囲う"), S("必要なときのみ囲う")},
                             &O::CSVQuotation, m_loaders, m_storers));
    auto* refresh = new QCheckBox(S("最新のデータを読み直してから出力する"));
    cl->addWidget(refresh);
    checks.insert(S("CSVRefresh"), refresh);
    m_loaders << [refresh] { refresh->setChecked(qvOption.CSVRefresh); };
    m_storers << [refresh] { qvOption.CSVRefresh = refresh->isChecked(); };
    auto* gl = new QGridLayout;
    cl->addLayout(gl);
    gl->addWidget(new QLabel(S("改行コード")), 0, 0);
    auto* lb = new QComboBox;
    lb->addItems({S("CR+LF"), S("LF")});
    gl->addWidget(lb, 0, 1, Qt::AlignLeft);
    combos.insert(S("CSVLineBreak"), lb);
    m_loaders << [lb] { lb->setCurrentIndex(qvOption.CSVLineBreak == 0 || qvOption.CSVLineBreak == 1 ? qvOption.CSVLineBreak : -1); };
    m_storers << [lb] { if (lb->currentIndex() >= 0) qvOption.CSVLineBreak = lb->currentIndex(); };
    gl->addWidget(new QLabel(S("デフォルトの出力先")), 1, 0);
    auto* e = new QLineEdit;
    gl->addWidget(e, 1, 1);
    auto* b = new QToolButton;
    b->setText(S("..."));
    gl->addWidget(b, 1, 2);
    texts.insert(S("CSVDir"), e);
    connect(b, &QToolButton::clicked, this, [this, e] {
        const QString d = QFileDialog::getExistingDirectory(this, S("出力先を選択して下さい。"), e->text());
        if (!d.isEmpty())
            e->setText(d);
    });
    m_loaders << [e] { e->setText(qvOption.CSVDir); };
    m_storers << [e] { qvOption.CSVDir = StoredFolder(e->text(), DocumentsDir()); };
    l->addStretch();
    pages->addTab(w, S("外部出力2"));
}

void TfrmOption::buildAdvancedPage()
{
    auto* w = new QWidget;
    auto* l = vbox(w);
    auto* top = new QGridLayout;
    l->addLayout(top);
    auto number = [this, top](int row, const char* key, const char* caption, int digits, int O::*m, const char* after) {
        top->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        auto* e = new TqvNumEdit;
        e->setMaxLength(digits);
        e->setMaximumWidth(90);
        top->addWidget(e, row, 1);
        if (after)
            top->addWidget(new QLabel(QString::fromUtf8(after)), row, 2);
        numbers.insert(QString::fromLatin1(key), e);
        m_loaders << [e, m] { e->setValueInt(qvOption.*m); };
        m_storers << [e, m] { qvOption.*m = e->ValueInt(); };
    };
    number(0, "CrossLevel", "クロスリファレンス 最大階層", 3, &O::CrossLevel, nullptr);
    number(1, "DataGenCommit", "データ生成ツール コミット件数", 7, &O::DataGenCommit, "件ごと");
    top->addWidget(new QLabel(S("作業ファイル作成先")), 2, 0);
    auto* temp = new QLineEdit;
    top->addWidget(temp, 2, 1, 1, 3);
    auto* tb = new QToolButton;
    tb->setText(S("..."));
    top->addWidget(tb, 2, 4);
    top->setColumnStretch(3, 1);
    texts.insert(S("TempDir"), temp);
    connect(tb, &QToolButton::clicked, this, [this, temp] {
        const QString d = QFileDialog::getExistingDirectory(this, S("作業ファイル作成先を選択して下さい。"), temp->text());
        if (!d.isEmpty())
            temp->setText(d);
    });

    auto check = [this, l](const char* key, const char* caption, bool O::*m) {
        auto* b = new QCheckBox(QString::fromUtf8(caption));
        l->addWidget(b);
        checks.insert(QString::fromLatin1(key), b);
        m_loaders << [b, m] { b->setChecked(qvOption.*m); };
        m_storers << [b, m] { qvOption.*m = b->isChecked(); };
    };
    check("AutoTran", "自動でトランザクション開始する (OFFの場合は自動コミットとなります)", &O::AutoTran);
    check("UseLowerName", "実行するSQLのオブジェクト名を大括弧で囲む", &O::UseLowerName);
    check("CodeAssist", "各種エディット時にコード補完を行う", &O::CodeAssist);

    auto* idx = group(l, S("INDEXの断片化解消の閾値設定"));
    auto* il = new QGridLayout(idx);
    const std::pair<const char*, const char*> th[] = {{"IdxReorganize", "再編成時の閾値を"}, {"IdxRebuild", "再構築時の閾値を"}};
    for (int i = 0; i < 2; ++i) {
        il->addWidget(new QLabel(QString::fromUtf8(th[i].second)), i, 0);
        auto* e = new TqvNumEdit;
        e->setMaxLength(3);
        e->setMaximumWidth(60);
        il->addWidget(e, i, 1);
        il->addWidget(new QLabel(S("%以上に設定する")), i, 2);
        numbers.insert(QString::fromLatin1(th[i].first), e);
    }
    il->setColumnStretch(3, 1);
    {
        TqvNumEdit* re = numbers.value(S("IdxReorganize"));
        TqvNumEdit* rb = numbers.value(S("IdxRebuild"));
        m_loaders << [re, rb] {
            re->setValueInt(qvOption.IdxReorganize);
            rb->setValueInt(qvOption.IdxRebuild);
        };
        m_storers << [re, rb] {
            qvOption.IdxReorganize = re->ValueInt();
            qvOption.IdxRebuild = rb->ValueInt();
        };
    }

    auto* tools = group(l, S("Management Studio連携実行ファイル設定"));
    auto* tl = new QGridLayout(tools);
    struct P { const char* key; const char* caption; QString O::*m; };
    static const P progs[] = {
        {"DTS_EXE", "SSIS(DTS)", &O::DTS_EXE},
        {"MS_EXE", "Management Studio", &O::MS_EXE},
        {"SPF_EXE", "SQL Server Profiler", &O::SPF_EXE},
    };
    int row = 0;
    for (const P& p : progs) {
        tl->addWidget(new QLabel(QString::fromUtf8(p.caption)), row, 0);
        auto* e = new QLineEdit;
        tl->addWidget(e, row, 1);
        auto* b = new QToolButton;
        b->setText(S("..."));
        tl->addWidget(b, row, 2);
        texts.insert(QString::fromLatin1(p.key), e);
        connect(b, &QToolButton::clicked, this, [this, e] {
            const QString f = QFileDialog::getOpenFileName(this, QString(), e->text(), S("すべてのファイル(*)"));
            if (!f.isEmpty())
                e->setText(f);
        });
        const auto m = p.m;
        m_loaders << [e, m] { e->setText(qvOption.*m); };
        m_storers << [e, m] { qvOption.*m = e->text(); };
        ++row;
    }

    auto* internet = new QCheckBox(S("Qorvel起動時にインターネット接続可能かチェックする"));
    l->addWidget(internet);
    checks.insert(S("CheckInternet"), internet);
    auto* inote = new QLabel(S("チェックすると、起動時にインターネット上の製品情報ページが更新されているかを確認します。"));
    inote->setWordWrap(true);
    inote->setContentsMargins(20, 0, 0, 0);
    l->addWidget(inote);

    auto* scripts = new QGroupBox;
    l->addWidget(scripts);
    auto* sl = new QGridLayout(scripts);
    auto* chkScript = new QCheckBox(S("外部スクリプトを使用する"));
    chkScript->setChecked(true);
    checks.insert(S("Script"), chkScript);
    sl->addWidget(chkScript, 0, 0);
    btnScriptExec = new QPushButton(S("コマンドの実行"));
    sl->addWidget(btnScriptExec, 0, 1, Qt::AlignLeft);
    auto* n1 = new QLabel(S("チェック状態で「コマンドの実行」ボタンを押すと使用可能コマンドが発行されます。"));
    auto* n2 = new QLabel(S("未チェック状態で「コマンドの実行」ボタンを押すと使用不可コマンドが発行されます。"));
    n1->setWordWrap(true);
    n2->setWordWrap(true);
    sl->addWidget(n1, 1, 0, 1, 3);
    sl->addWidget(n2, 2, 0, 1, 3);
    sl->setColumnStretch(2, 1);
    connect(btnScriptExec, &QPushButton::clicked, this, &TfrmOption::btnScriptexecClick);

    // TempDir and CheckInternet are stored after the index thresholds.
    m_loaders << [temp, internet] {
        temp->setText(qvOption.TempDir);
        internet->setChecked(qvOption.CheckInternet);
    };
    m_storers << [temp, internet] {
        qvOption.TempDir = StoredFolder(temp->text(), DataDir() + S("temp/"));
        qvOption.CheckInternet = internet->isChecked();
    };
    l->addStretch();
    pages->addTab(w, S("詳細設定"));
}

// ---- load, store, OK --------------------------------------------------------------------------

void TfrmOption::loadControls()
{
    for (const auto& f : m_loaders)
        f();
    m_loadedTreeSort = qvOption.TreeSort;
    updateDependents();
}

void TfrmOption::storeControls()
{
    for (const auto& f : m_storers)
        f();
}

void TfrmOption::updateDependents()
{
    checks.value(S("FindAuto"))->setEnabled(checks.value(S("Find"))->isChecked());
    for (const QString& p : {S("SaveBeforeSrc"), S("SaveAfterSrc")})
        if (auto* g = findChild<QGroupBox*>(p + S("Group")))
            g->setEnabled(checks.value(p)->isChecked());
}

void TfrmOption::showPageOf(QWidget* w)
{
    for (int i = 0; i < pages->count(); ++i)
        if (pages->widget(i)->isAncestorOf(w))
            pages->setCurrentIndex(i);
    w->setFocus();
}

void TfrmOption::btnOkClick()
{
    OptionInputs in;
    in.DataFontSize = numbers.value(S("DataFontSize"))->ValueInt();
    in.DiagramFontSize = numbers.value(S("DiagramFontSize"))->ValueInt();
    in.GridFontSize = numbers.value(S("GridFontSize"))->ValueInt();
    in.DefTopRecord = numbers.value(S("DefTopRecord"))->ValueInt();
    in.ExcelTopRow = numbers.value(S("ExcelTop"))->ValueInt();
    in.ExcelMatrixRow = numbers.value(S("ExcelMatrixRow"))->ValueInt();
    in.ExcelMatrixCol = numbers.value(S("ExcelMatrixCol"))->ValueInt();
    in.CrossLevel = numbers.value(S("CrossLevel"))->ValueInt();
    in.IdxReorganize = numbers.value(S("IdxReorganize"))->ValueInt();
    in.IdxRebuild = numbers.value(S("IdxRebuild"))->ValueInt();
    const OptionFailure f = ValidateOptionInputs(in);
    if (!f.ok()) {
        static const QHash<int, const char*> boxKeys = {
            {int(OptionBox::DataFontSize), "DataFontSize"},     {int(OptionBox::DiagramFontSize), "DiagramFontSize"},
            {int(OptionBox::GridFontSize), "GridFontSize"},     {int(OptionBox::DefTopRecord), "DefTopRecord"},
            {int(OptionBox::ExcelTop), "ExcelTop"},             {int(OptionBox::ExcelMatrixRow), "ExcelMatrixRow"},
            {int(OptionBox::ExcelMatrixCol), "ExcelMatrixCol"}, {int(OptionBox::CrossLevel), "CrossLevel"},
            {int(OptionBox::IdxReorganize), "IdxReorganize"},   {int(OptionBox::IdxRebuild), "IdxRebuild"},
        };
        TqvNumEdit* box = numbers.value(QString::fromLatin1(boxKeys.value(int(f.box))));
        pages->setCurrentWidget(page(f.page));
        ShowMessageBox(f.message, MB_ICONWARNING);
        box->setFocus();
        return;
    }
    TqvNumEdit* reorg = numbers.value(S("IdxReorganize"));
    TqvNumEdit* rebuild = numbers.value(S("IdxRebuild"));
    if (NeedsThresholdQuestion(in.IdxReorganize, in.IdxRebuild, qvOption.IdxReorganize, qvOption.IdxRebuild)) {
        pages->setCurrentWidget(page(S("詳細設定")));
        if (ShowMessageBox(ThresholdQuestionText(reorg->text(), rebuild->text()), MB_YESNO | MB_ICONWARNING) != IDYES) {
            reorg->setFocus();
            return;
        }
    }

    // The session first: when its commit fails or is declined, nothing has been stored.
    QCheckBox* autoTran = checks.value(S("AutoTran"));
    const TranStep step = AutoTranStep(m_owner != nullptr, qvOption.AutoTran, autoTran->isChecked());
    if (step != TranStep::None) {
        if (SessionInTransaction(m_owner)
            && ShowMessageBox(AutoTranCommitQuestion(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
            showPageOf(autoTran);
            return;
        }
        try {
            m_owner->Commit();
            if (step == TranStep::CommitAndStart)
                m_owner->StartTransaction();
        } catch (const Exception& e) {
            ShowMessageBox(e.message(), MB_ICONERROR);
            showPageOf(autoTran);
            return;
        } catch (const std::exception& e) {
            ShowMessageBox(QString::fromUtf8(e.what()), MB_ICONERROR);
            showPageOf(autoTran);
            return;
        }
    }

    storeControls();
    lstShortCut->Apply();
    const bool treeChanged = qvOption.TreeSort != m_loadedTreeSort;
    if (TfrmMain* main = TfrmMain::instance())
        for (IConnectionWindow* c : main->ConnectionWindows())
            ApplyListOptions(c, treeChanged);
    ApplyDateTimeFormats(qvOption.DateFormat, qvOption.TimeFormat);
    accept();
}

void TfrmOption::btnScriptexecClick()
{
    if (!m_owner)
        return;
    if (ShowMessageBox(S("変更を反映させるにはデータベースの再起動が必要です。実行しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const bool on = checks.value(S("Script"))->isChecked();
    try {
        m_owner->ExecuteSQL(S("EXEC sp_configure 'external scripts enabled', ") + (on ? S("1") : S("0"))
                            + S(" RECONFIGURE WITH OVERRIDE"));
    } catch (const Exception& e) {
        ShowMessageBox(e.message(), MB_ICONERROR);
        return;
    } catch (const std::exception& e) {
        ShowMessageBox(QString::fromUtf8(e.what()), MB_ICONERROR);
        return;
    }
    ShowMessageBox(S("コマンドを実行しました。"), MB_ICONINFORMATION);
}

} // namespace qv
