#include "app/editor_option_dialog.h"

#include "app/format_option_frame.h"
#include "app/globals.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/option_checks.h"
#include "app/options.h"
#include "app/reserved_words.h"
#include "app/shortcut_tree.h"
#include "app/sqlformat/sql_formatter.h"
#include "controls/print/print_text.h"
#include "editor/edit/editor_prop.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/registry.h"
#include "sql/memo_settings.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#define S QStringLiteral

namespace qv {

namespace {

const char* const kColorItems[] = {"基本色", "コメント", "検索一致文字", "数値", "予約語", "選択色", "文字列", "記号",
                                   "EOF記号", "改行記号", "半角スペース記号", "全角スペース記号", "TAB文字記号",
                                   "カーソル行の下線", "ルーラー", "ルーラーマーカー"};

enum ColorItem { ciBasic, ciComment, ciHit, ciInt, ciReserve, ciSelect, ciStr, ciSymbol,
                 ciEof, ciRet, ciSemiSpace, ciSpace, ciTab, ciUnderline, ciRuler, ciRulerMark };

EditorColorEntry* tokenEntry(EditorPropertySet& p, int item)
{
    auto& c = p.View.Colors;
    switch (item) {
    case ciComment: return &c.Comment;
    case ciHit: return &c.Hit;
    case ciInt: return &c.Int;
    case ciReserve: return &c.Reserve;
    case ciSelect: return &c.Select;
    case ciStr: return &c.Str;
    case ciSymbol: return &c.Symbol;
    default: return nullptr;
    }
}

EditorMark* markEntry(EditorPropertySet& p, int item)
{
    auto& m = p.Marks;
    switch (item) {
    case ciEof: return &m.EofMark;
    case ciRet: return &m.RetMark;
    case ciSemiSpace: return &m.SemiSpaceMark;
    case ciSpace: return &m.SpaceMark;
    case ciTab: return &m.TabMark;
    case ciUnderline: return &m.Underline;
    default: return nullptr;
    }
}

QList<ShortcutTree::Group> editorKeyGroups()
{
    return {
        {S("ファイルメニュー"), {S("actDBCommit"), S("actDBRollback"), S("actDBLogon"), S("actDBLogoff"), S("actFileExit")}},
        {S("編集メニュー"),
         {S("actEditUndo"), S("actEditRedo"), S("actEditCut"), S("actEditCopy"), S("actEditPaste"), S("actEditDelete"),
          S("actEditSelectAll"), S("actEditSelectMode"), S("actEditFind"), S("actEditFindNext"), S("actEditFindPrev"),
          S("actEditFindClear"), S("actEditReplace"), S("actEditJump"), S("actEditUpperCase"), S("actEditLowerCase"),
          S("actEditHanToZen"), S("actEditZenToHan"), S("actEditIndentF"), S("actEditIndentR"), S("actEditComment"),
          S("actEditFormat"), S("actEditMacroRec"), S("actEditMacroExec"), S("actEditMacroSave"), S("actEditMacroLoad"),
          S("actEditJumpDefine")}},
        {S("オブジェクトリストメニュー"),
         {S("actNew"), S("actOpen"), S("actOpenDefine"), S("actOpenSource"), S("actOpenData"), S("actOpenDataTop"),
          S("actExec"), S("actCompile"), S("actScript"), S("actPrint"), S("actSynonym"), S("actCross"), S("actMatrix"),
          S("actGrant"), S("actAnalyze"), S("actComment"), S("actDelete"), S("actGrep"), S("actExport"), S("actLoad")}},
        {S("表示メニュー"), {S("actViewSQL"), S("actViewScript"), S("actViewField"), S("actViewTemplate")}},
        {S("管理メニュー"),
         {S("actAdminUser"), S("actAdminStorage"), S("actAdminSession"), S("actAdminLock"), S("actAdminDatabase"),
          S("actAdminPerform"), S("actAdminDustBox"), S("actAdminExport"), S("actAdminImport"), S("actAdminLoad")}},
        {S("ツールメニュー"),
         {S("actToolCommandSetup"), S("actToolReportSetup"), S("actViewComp"), S("actToolIndexAdviser"),
          S("actViewSQLCatch"), S("actViewSQLCRUD"), S("actToolOption"), S("actToolEditorOption"),
          S("actToolScriptOption")}},
    };
}

QStringList editorFontFamilies()
{
    QStringList out;
    for (const QString& f : QFontDatabase::families())
        if (!f.startsWith(u'@') && QFontDatabase::isFixedPitch(f))
            out << f;
    out << S("MS UI Gothic");
    return out;
}

// A colour panel: a flat button filled with its colour; Enter and Space open the dialog too.
class ColorPanel : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            click();
            return;
        }
        QPushButton::keyPressEvent(e);
    }
};

QSpinBox* spin(int min, int max, int step)
{
    auto* s = new QSpinBox;
    s->setRange(min, max);
    s->setSingleStep(step);
    return s;
}

} // namespace

bool ExecuteColorDialog(QWidget* owner, TColor& color)
{
    TqvRegistry& reg = Registry();
    const QString key = SettingsRootKey + S("\\COLORS");
    if (reg.OpenKey(key, true)) {
        for (int i = 0; i < 16; ++i) {
            const QChar letter(u'A' + i);
            const QString v = reg.GetString(S("Color_") + letter, S("Color") + letter + S("=000000"));
            const QString hex = v.section(u'=', 1);
            bool ok = false;
            const uint bgr = hex.toUInt(&ok, 16);
            QColorDialog::setCustomColor(i, ok ? ToQColor(TColor(bgr)) : QColor(Qt::black));
        }
        reg.CloseKey();
    }
    const QColor initial = ToQColor(color);
    const QColor chosen = QColorDialog::getColor(initial.isValid() ? initial : QColor(Qt::black), owner);
    if (reg.OpenKey(key, true)) {
        try {
            for (int i = 0; i < 16; ++i) {
                const QChar letter(u'A' + i);
                const TColor c = FromQColor(QColorDialog::customColor(i));
                reg.WriteString(S("Color_") + letter,
                                S("Color") + letter + u'=' + QString::number(uint(c), 16).toUpper().rightJustified(6, u'0'));
            }
        } catch (const std::exception&) {
        }
        reg.CloseKey();
    }
    if (!chosen.isValid())
        return false;
    color = FromQColor(chosen);
    return true;
}

TfrmEditorOption::TfrmEditorOption(EditorPropertySet& editorProp, QObject* actionOwner, QWidget* parent)
    : QDialog(parent), m_target(editorProp), m_edit(editorProp)
{
    setObjectName(S("frmEditorOption"));
    setWindowTitle(S("エディタオプション"));
    auto* root = new QVBoxLayout(this);
    pages = new QTabWidget(this);
    pages->setUsesScrollButtons(false);
    root->addWidget(pages, 1);
    txtSample = new TqvMemo;
    txtSample->setObjectName(S("txtSample"));
    txtSample->SetLines({S("文字列"), S("検索一致文字"), S("\t/* 表示サンプル */"), S("\tSELECT COL01, 'ABC' FROM SAMPLE01"),
                         S("\t\tORDER BY 1; -- COL01　でソート")});
    txtSample->setMinimumHeight(120);
    buildDisplayPage();
    buildColorPage();
    buildEditingPage();
    buildReservePage();
    buildFormatPage();
    buildKeyPage(actionOwner);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton(S("OK"));
    btnCancel = new QPushButton(S("キャンセル"));
    auto* btnHelp = new QPushButton(S("ヘルプ"));
    btnOk->setDefault(true);
    for (QPushButton* b : {btnOk, btnCancel, btnHelp})
        buttons->addWidget(b);
    root->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, &TfrmEditorOption::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [] { HelpBinding::showContext(50200); });
    // The one sample moves onto the display or font-style page when it is shown.
    connect(pages, &QTabWidget::currentChanged, this, [this, btnHelp](int) {
        QWidget* w = pages->currentWidget();
        if (w == page(S("表示")) || w == page(S("フォントスタイル"))) {
            auto* holder = w->findChild<QWidget*>(S("sampleHolder"));
            if (holder && txtSample->parentWidget() != holder) {
                holder->layout()->addWidget(txtSample);
                txtSample->show();
            }
        }
        const bool keys = w == page(S("キー操作"));
        lstShortCut->setEnabled(keys);
        for (QPushButton* b : {btnOk, btnCancel, btnHelp})
            b->setFocusPolicy(keys ? Qt::NoFocus : Qt::StrongFocus);
    });
    loadControls();
    pages->setCurrentIndex(0);
    if (auto* holder = page(S("表示"))->findChild<QWidget*>(S("sampleHolder")))
        holder->layout()->addWidget(txtSample);
    lstShortCut->setEnabled(false);
}

TfrmEditorOption::~TfrmEditorOption() = default;

QWidget* TfrmEditorOption::page(const QString& caption) const
{
    for (int i = 0; i < pages->count(); ++i)
        if (pages->tabText(i) == caption)
            return pages->widget(i);
    return nullptr;
}

bool TfrmEditorOption::ShowWindow(EditorPropertySet& editorProp)
{
    TfrmMain* main = TfrmMain::instance();
    TfrmEditorOption dlg(editorProp, main, main);
    return dlg.exec() == QDialog::Accepted;
}

void TfrmEditorOption::ApplyToOpenEditors()
{
    for (QWidget* w : QApplication::allWidgets()) {
        auto* memo = qobject_cast<TqvMemo*>(w);
        if (!memo || memo->objectName() == S("txtSample"))
            continue;
        ApplyMemoSettings(*memo, MemoPopupMenu(*memo));
    }
}

// ---- pages ----------------------------------------------------------------------------------

void TfrmEditorOption::buildDisplayPage()
{
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    auto* grid = new QGridLayout;
    l->addLayout(grid);
    grid->addWidget(new QLabel(S("フォント")), 0, 0);
    lstFontName = new QComboBox;
    lstFontName->addItems(editorFontFamilies());
    grid->addWidget(lstFontName, 0, 1, 1, 3);
    grid->addWidget(new QLabel(S("サイズ")), 1, 0);
    spins.insert(S("FontSize"), spin(6, 50, 1));
    grid->addWidget(spins.value(S("FontSize")), 1, 1);
    grid->addWidget(new QLabel(S("タブ文字幅")), 1, 2);
    spins.insert(S("TabSize"), spin(2, 8, 2));
    grid->addWidget(spins.value(S("TabSize")), 1, 3);
    auto check = [this](const char* key, const char* caption) {
        auto* b = new QCheckBox(QString::fromUtf8(caption));
        checks.insert(QString::fromLatin1(key), b);
        return b;
    };
    grid->addWidget(check("WordWrap", "折り返して表示する"), 2, 0, 1, 2);
    grid->addWidget(new QLabel(S("折り返し文字数")), 2, 2);
    spins.insert(S("WarpLength"), spin(20, 2000, 2));
    grid->addWidget(spins.value(S("WarpLength")), 2, 3);
    grid->addWidget(check("LeftBarVisible", "行番号を表示する"), 3, 0, 1, 2);
    grid->addWidget(check("ZeroBase", "0番を表示する"), 3, 2);
    grid->addWidget(check("ZeroLead", "0埋めで表示"), 3, 3);
    grid->addWidget(check("RulerVisible", "ルーラーを表示する"), 4, 0, 1, 2);
    auto* rg = new QGroupBox(S("ルーラー区切り"));
    auto* rgl = new QHBoxLayout(rg);
    rdoRulerRange = new QButtonGroup(rg);
    for (int i = 0; i < 2; ++i) {
        auto* r = new QRadioButton(i == 0 ? S("10") : S("8"));
        rdoRulerRange->addButton(r, i);
        rgl->addWidget(r);
    }
    grid->addWidget(rg, 4, 2, 1, 2);
    const std::pair<const char*, const char*> margins[] = {
        {"MarginChar", "文字の間隔"}, {"MarginLine", "行の間隔"}, {"MarginTop", "開始位置(縦)"}, {"MarginLeft", "開始位置(横)"}};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(margins[i].second)), 5 + i / 2, (i % 2) * 2);
        auto* s = spin(0, 20, 1);
        spins.insert(QString::fromLatin1(margins[i].first), s);
        grid->addWidget(s, 5 + i / 2, (i % 2) * 2 + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    auto* holder = new QWidget;
    holder->setObjectName(S("sampleHolder"));
    holder->setLayout(new QVBoxLayout);
    holder->layout()->setContentsMargins(0, 0, 0, 0);
    l->addWidget(holder, 1);

    auto changed = [this] { if (m_enableEvent) { applyDisplay(); renderSample(); } };
    connect(lstFontName, &QComboBox::currentIndexChanged, this, changed);
    for (const char* k : {"FontSize", "TabSize", "WarpLength", "MarginChar", "MarginLine", "MarginTop", "MarginLeft"})
        connect(spins.value(QString::fromLatin1(k)), &QSpinBox::valueChanged, this, changed);
    for (const char* k : {"WordWrap", "LeftBarVisible", "ZeroBase", "ZeroLead", "RulerVisible"})
        connect(checks.value(QString::fromLatin1(k)), &QCheckBox::toggled, this, changed);
    connect(rdoRulerRange, &QButtonGroup::idClicked, this, changed);
    pages->addTab(w, S("表示"));
}

void TfrmEditorOption::buildColorPage()
{
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    auto* top = new QHBoxLayout;
    l->addLayout(top);
    lstColors = new QListWidget;
    for (const char* c : kColorItems)
        lstColors->addItem(QString::fromUtf8(c));
    lstColors->setMaximumWidth(180);
    top->addWidget(lstColors);
    grpColor = new QGroupBox;
    top->addWidget(grpColor, 1);
    auto* gl = new QGridLayout(grpColor);
    auto makePanel = [this](const QString& caption, QCheckBox*& none) {
        auto* box = new QGroupBox(caption);
        auto* bl = new QHBoxLayout(box);
        auto* p = new ColorPanel;
        p->setMinimumSize(60, 24);
        p->setFlat(false);
        bl->addWidget(p);
        none = new QCheckBox(S("未指定"));
        bl->addWidget(none);
        bl->addStretch();
        connect(p, &QPushButton::clicked, this, [this, p] { pickColor(p); });
        return std::pair{box, static_cast<QPushButton*>(p)};
    };
    auto [foreBox, fore] = makePanel(S("文字色"), chkForeNone);
    auto [backBox, back] = makePanel(S("文字の背景色"), chkBackNone);
    pnlForeColor = fore;
    pnlBackColor = back;
    pnlForeColor->setObjectName(S("pnlForeColor"));
    pnlBackColor->setObjectName(S("pnlBackColor"));
    foreBox->setObjectName(S("foreBox"));
    backBox->setObjectName(S("backBox"));
    gl->addWidget(foreBox, 0, 0);
    gl->addWidget(backBox, 1, 0);
    auto* style = new QGroupBox(S("スタイル"));
    style->setObjectName(S("styleBox"));
    auto* sl = new QHBoxLayout(style);
    chkBold = new QCheckBox(S("太字"));
    chkULine = new QCheckBox(S("下線"));
    sl->addWidget(chkBold);
    sl->addWidget(chkULine);
    sl->addStretch();
    gl->addWidget(style, 2, 0);
    chkVisible = new QCheckBox(S("表示する"));
    gl->addWidget(chkVisible, 3, 0);
    gl->setRowStretch(4, 1);
    auto* holder = new QWidget;
    holder->setObjectName(S("sampleHolder"));
    holder->setLayout(new QVBoxLayout);
    holder->layout()->setContentsMargins(0, 0, 0, 0);
    l->addWidget(holder, 1);

    connect(lstColors, &QListWidget::currentRowChanged, this, [this](int row) {
        const bool was = m_enableEvent;
        m_enableEvent = false;
        showColorItem(row);
        m_enableEvent = was;
    });
    auto changed = [this] { if (m_enableEvent) { applyColor(); showColorItem(lstColors->currentRow()); renderSample(); } };
    for (QCheckBox* c : {chkForeNone, chkBackNone, chkBold, chkULine, chkVisible})
        connect(c, &QCheckBox::toggled, this, changed);
    pages->addTab(w, S("フォントスタイル"));
}

void TfrmEditorOption::buildEditingPage()
{
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    const std::pair<const char*, const char*> caret[] = {
        {"FreeCaret", "フリーカーソル"},
        {"AutoIndent", "オートインデント"},
        {"BackSpaceUnIndent", "BackSpaceキーでインデントを戻す"},
        {"InTab", "タブ文字の内側にカーソルを移動する"},
        {"NextLine", "行末・行頭で前後の行へ移動する"},
        {"TabIndent", "範囲選択中のTabキーでインデントする"},
        {"SoftTab", "タブを空白で入力する"},
        {"SelMove", "選択範囲をドラッグで移動する"},
    };
    auto* cg = new QGroupBox(S("カーソル"));
    auto* cgl = new QGridLayout(cg);
    for (int i = 0; i < 8; ++i) {
        auto* b = new QCheckBox(QString::fromUtf8(caret[i].second));
        checks.insert(QString::fromLatin1(caret[i].first), b);
        cgl->addWidget(b, i / 2, i % 2);
        connect(b, &QCheckBox::toggled, this, [this] { if (m_enableEvent) { applyEditing(); renderSample(); } });
    }
    l->addWidget(cg);
    auto* ag = new QGroupBox(S("コード補完"));
    auto* agl = new QGridLayout(ag);
    auto* dot = new QCheckBox(S("ドットを入力した際にコード補完機能を呼び出す"));
    auto* delay = new QCheckBox(S("ドットを入力した際にコード補完の遅延表示を行う"));
    checks.insert(S("CodeAssistCallOfDot"), dot);
    checks.insert(S("CodeAssistDelayShow"), delay);
    agl->addWidget(dot, 0, 0, 1, 3);
    agl->addWidget(delay, 1, 0, 1, 3);
    auto* time = spin(200, 5000, 200);
    spins.insert(S("CodeAssistDelayTime"), time);
    agl->addWidget(time, 2, 1);
    agl->addWidget(new QLabel(S("ミリ秒")), 2, 2);
    agl->setColumnMinimumWidth(0, 20);
    agl->setColumnStretch(2, 1);
    l->addWidget(ag);
    auto* palette = new QCheckBox(S("新しい画面を開いた際はツールパレットを開いた状態にする"));
    checks.insert(S("ShowToolPalette"), palette);
    l->addWidget(palette);
    l->addStretch();
    pages->addTab(w, S("編集動作"));
}

void TfrmEditorOption::buildReservePage()
{
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    txtReserve = new QPlainTextEdit;
    txtReserve->setLineWrapMode(QPlainTextEdit::NoWrap);
    l->addWidget(txtReserve, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    btnInitReserveword = new QPushButton(S("初期値"));
    row->addWidget(btnInitReserveword);
    l->addLayout(row);
    connect(btnInitReserveword, &QPushButton::clicked, this, [this] {
        if (ShowMessageBox(S("予約語を初期値に戻しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        QStringList words;
        LoadDefaultReserveWords(words);
        words.sort(Qt::CaseInsensitive);
        txtReserve->setPlainText(words.join(u'\n'));
    });
    pages->addTab(w, S("予約語"));
}

void TfrmEditorOption::buildFormatPage()
{
    fraFormat = new TfraFormatOption;
    pages->addTab(fraFormat, S("SQL整形"));
}

void TfrmEditorOption::buildKeyPage(QObject* actionOwner)
{
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    auto* note = new QLabel(S("項目を選択し、割り当てたいショートカットキーを入力して下さい。(削除したい場合はSPACEキー)"));
    note->setWordWrap(true);
    l->addWidget(note);
    lstShortCut = new ShortcutTree(editorKeyGroups(), actionOwner, w);
    l->addWidget(lstShortCut, 1);
    pages->addTab(w, S("キー操作"));
}

// ---- values ---------------------------------------------------------------------------------

void TfrmEditorOption::loadControls()
{
    m_enableEvent = false;
    const EditorPropertySet& e = m_edit;
    int fi = lstFontName->findText(e.Font.Name);
    if (fi < 0) {
        fi = 0;
        m_edit.Font.Name = lstFontName->itemText(0);
    }
    lstFontName->setCurrentIndex(fi);
    spins.value(S("FontSize"))->setValue(e.Font.Size);
    spins.value(S("TabSize"))->setValue(e.Caret.TabSpaceCount);
    checks.value(S("WordWrap"))->setChecked(e.WordWrap);
    spins.value(S("WarpLength"))->setValue(e.WrapByte());
    checks.value(S("LeftBarVisible"))->setChecked(e.Leftbar.Visible);
    checks.value(S("ZeroBase"))->setChecked(e.Leftbar.ZeroBase);
    checks.value(S("ZeroLead"))->setChecked(e.Leftbar.ZeroLead);
    checks.value(S("RulerVisible"))->setChecked(e.Ruler.Visible);
    rdoRulerRange->button(e.Ruler.GaugeRange == 8 ? 1 : 0)->setChecked(true);
    spins.value(S("MarginChar"))->setValue(e.Margin.Character);
    spins.value(S("MarginLine"))->setValue(e.Margin.Line);
    spins.value(S("MarginTop"))->setValue(e.Margin.Top);
    spins.value(S("MarginLeft"))->setValue(e.Margin.Left);
    const std::pair<const char*, bool> caret[] = {
        {"FreeCaret", e.Caret.FreeCaret}, {"AutoIndent", e.Caret.AutoIndent}, {"BackSpaceUnIndent", e.Caret.BackSpaceUnIndent},
        {"InTab", e.Caret.InTab},         {"NextLine", e.Caret.NextLine},     {"TabIndent", e.Caret.TabIndent},
        {"SoftTab", e.Caret.SoftTab},     {"SelMove", e.Caret.SelMove}};
    for (const auto& [k, v] : caret)
        checks.value(QString::fromLatin1(k))->setChecked(v);
    checks.value(S("CodeAssistCallOfDot"))->setChecked(MemoOption.CodeAssistCallOfDot);
    checks.value(S("CodeAssistDelayShow"))->setChecked(MemoOption.CodeAssistDelayShow);
    spins.value(S("CodeAssistDelayTime"))->setValue(MemoOption.CodeAssistDelayTime);
    checks.value(S("ShowToolPalette"))->setChecked(MemoOption.ShowToolPalette);
    txtReserve->setPlainText(ReserveWordList.join(u'\n'));
    fraFormat->Load(FormatOption);
    lstColors->setCurrentRow(0);
    showColorItem(0);
    // Every page's values once onto the copy and the sample.
    applyDisplay();
    applyColor();
    applyEditing();
    renderSample();
    m_enableEvent = true;
}

void TfrmEditorOption::applyDisplay()
{
    EditorPropertySet& e = m_edit;
    if (lstFontName->currentIndex() >= 0)
        e.Font.Name = lstFontName->currentText();
    e.Font.Size = spins.value(S("FontSize"))->value();
    e.WordWrap = checks.value(S("WordWrap"))->isChecked();
    if (spins.value(S("WarpLength"))->value() >= 30)
        e.SetWrapByte(spins.value(S("WarpLength"))->value());
    e.SetTabSpaceCount(spins.value(S("TabSize"))->value());
    e.Ruler.Visible = checks.value(S("RulerVisible"))->isChecked();
    e.SetGaugeRange(rdoRulerRange->checkedId() == 1 ? 8 : 10);
    e.Leftbar.Visible = checks.value(S("LeftBarVisible"))->isChecked();
    e.Leftbar.ZeroBase = checks.value(S("ZeroBase"))->isChecked();
    e.Leftbar.ZeroLead = checks.value(S("ZeroLead"))->isChecked();
    e.SetMargin(spins.value(S("MarginTop"))->value(), spins.value(S("MarginLeft"))->value(),
                spins.value(S("MarginChar"))->value(), spins.value(S("MarginLine"))->value());
}

void TfrmEditorOption::applyEditing()
{
    auto& c = m_edit.Caret;
    c.FreeCaret = checks.value(S("FreeCaret"))->isChecked();
    c.AutoIndent = checks.value(S("AutoIndent"))->isChecked();
    c.BackSpaceUnIndent = checks.value(S("BackSpaceUnIndent"))->isChecked();
    c.InTab = checks.value(S("InTab"))->isChecked();
    c.NextLine = checks.value(S("NextLine"))->isChecked();
    c.TabIndent = checks.value(S("TabIndent"))->isChecked();
    c.SoftTab = checks.value(S("SoftTab"))->isChecked();
    c.SelMove = checks.value(S("SelMove"))->isChecked();
    m_edit.SetTabSpaceCount(spins.value(S("TabSize"))->value());
}

TColor TfrmEditorOption::panelColor(QPushButton* panel) const { return m_panelColors.value(panel, 0); }

void TfrmEditorOption::setPanelColor(QPushButton* panel, TColor color)
{
    m_panelColors.insert(panel, color);
    const QColor q = color == clNone ? palette().color(QPalette::Button) : ToQColor(color);
    panel->setStyleSheet(S("QPushButton { background: %1; border: 1px solid gray; }").arg(q.name()));
    if (m_enableEvent) {
        if (panel == pnlForeColor)
            chkForeNone->setChecked(false);
        if (panel == pnlBackColor)
            chkBackNone->setChecked(false);
        applyColor();
        showColorItem(lstColors->currentRow());
        renderSample();
    }
}

void TfrmEditorOption::pickColor(QPushButton* panel)
{
    TColor c = panelColor(panel);
    if (ExecuteColorDialog(this, c))
        setPanelColor(panel, c);
}

void TfrmEditorOption::showColorItem(int item)
{
    if (item < 0)
        return;
    const bool was = m_enableEvent;
    m_enableEvent = false;
    grpColor->setTitle(QString::fromUtf8(kColorItems[item]));
    auto* foreBox = grpColor->findChild<QWidget*>(S("foreBox"));
    auto* backBox = grpColor->findChild<QWidget*>(S("backBox"));
    auto* styleBox = grpColor->findChild<QWidget*>(S("styleBox"));
    EditorPropertySet& e = m_edit;
    auto show = [&](TColor fore, TColor back, bool twoPanels, bool noneBoxes, bool styles, bool visibleBox) {
        foreBox->setVisible(true);
        backBox->setVisible(twoPanels);
        chkForeNone->setVisible(noneBoxes);
        chkBackNone->setVisible(noneBoxes && twoPanels);
        styleBox->setVisible(styles);
        chkVisible->setVisible(visibleBox);
        chkForeNone->setChecked(fore == clNone);
        chkBackNone->setChecked(back == clNone);
        setPanelColor(pnlForeColor, fore);
        setPanelColor(pnlBackColor, back);
    };
    if (item == ciBasic) {
        show(e.Font.Color, e.Color, true, false, false, false);
        chkBold->setChecked(false);
        chkULine->setChecked(false);
    } else if (EditorColorEntry* t = tokenEntry(e, item)) {
        show(t->Color, t->BkColor, true, true, item != ciHit && item != ciSelect, false);
        chkBold->setChecked(t->Bold);
        chkULine->setChecked(t->Underline);
    } else if (EditorMark* m = markEntry(e, item)) {
        show(m->Color, clNone, false, true, false, true);
        chkVisible->setChecked(m->Visible);
    } else if (item == ciRuler) {
        show(e.Ruler.Color, e.Ruler.BkColor, true, true, false, false);
    } else if (item == ciRulerMark) {
        show(e.Ruler.MarkColor, clNone, false, true, false, false);
    }
    m_enableEvent = was;
}

void TfrmEditorOption::applyColor()
{
    const int item = lstColors->currentRow();
    EditorPropertySet& e = m_edit;
    const TColor fore = chkForeNone->isChecked() ? clNone : panelColor(pnlForeColor);
    const TColor back = chkBackNone->isChecked() ? clNone : panelColor(pnlBackColor);
    if (item == ciBasic) {
        e.Font.Color = panelColor(pnlForeColor);
        e.Color = panelColor(pnlBackColor);
    } else if (EditorColorEntry* t = tokenEntry(e, item)) {
        t->Color = fore;
        t->BkColor = back;
        if (item == ciHit) {
            if (t->Color == clNone)
                t->Color = 0x000000;
            if (t->BkColor == clNone)
                t->BkColor = 0x00FFFF;
        }
        t->Bold = chkBold->isChecked();
        t->Underline = chkULine->isChecked();
    } else if (EditorMark* m = markEntry(e, item)) {
        m->Visible = chkVisible->isChecked();
        if (m->Visible)
            m->Color = fore;
    } else if (item == ciRuler) {
        e.Ruler.Color = fore;
        e.Ruler.BkColor = back;
        e.Leftbar.Color = fore;
        e.Leftbar.BkColor = back;
    } else if (item == ciRulerMark) {
        e.Ruler.MarkColor = fore;
    }
    if (!e.View.Brackets.isEmpty()) {
        e.View.Brackets[0].Color = e.View.Colors.Comment.Color;
        e.View.Brackets[0].BkColor = e.View.Colors.Comment.BkColor;
    }
}

void TfrmEditorOption::renderSample()
{
    TEditorProp prop;
    prop.AssignFromSettings(m_edit);
    prop.SetScrollBars(ssNone);
    prop.AssignTo(*txtSample);
    txtSample->SetScrollBars(ssNone);
    txtSample->SetSelStart(0);
    txtSample->SetSelLength(3);
    txtSample->SetHitText(S("検索一致文字"));
    txtSample->viewport()->update();
}

void TfrmEditorOption::btnOkClick()
{
    QSpinBox* delay = spins.value(S("CodeAssistDelayTime"));
    if (!CompletionDelayValid(delay->value())) {
        pages->setCurrentWidget(page(S("編集動作")));
        ShowMessageBox(CompletionDelayMessage(), MB_ICONWARNING);
        delay->setFocus();
        return;
    }
    const QStringList lines = txtReserve->toPlainText().split(u'\n');
    const QString bad = ReserveWordWithBlank(lines);
    if (!bad.isNull()) {
        pages->setCurrentWidget(page(S("予約語")));
        ShowMessageBox(ReserveWordBlankMessage(bad), MB_OK);
        txtReserve->setFocus();
        return;
    }
    MemoOption.CodeAssistCallOfDot = checks.value(S("CodeAssistCallOfDot"))->isChecked();
    MemoOption.CodeAssistDelayShow = checks.value(S("CodeAssistDelayShow"))->isChecked();
    MemoOption.CodeAssistDelayTime = delay->value();
    MemoOption.ShowToolPalette = checks.value(S("ShowToolPalette"))->isChecked();
    const QStringList words = CleanReserveWords(lines);
    txtReserve->setPlainText(words.join(u'\n'));
    m_edit.SetReserveWordList(words);
    ReserveWordList = m_edit.ReserveWordList();
    m_edit.ScrollBarsBoth = true;
    m_target = m_edit;
    fraFormat->Store(FormatOption);
    lstShortCut->Apply();
    accept();
}

} // namespace qv
