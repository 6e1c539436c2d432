#include "sql/memo_frame.h"
#include "sql/memo_convert.h"

#include "app/application.h"
#include "app/globals.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvform.h"
#include "app/textfiles.h"
#include "app/wait_cursor.h"
#include "editor/editor_strings.h"
#include "editor/sqlmemo/code_assist.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/messages.h"
#include "sql/memo_palette.h"
#include "sql/memo_settings.h"
#include "sql/sql_files.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace qv {

namespace {

constexpr int kPaletteOpenWidth = 26;
constexpr int kPaletteBarWidth = 5;

// The strip that reopens a hidden palette: light blue under the mouse.
class PaletteOpenStrip : public QLabel {
public:
    explicit PaletteOpenStrip(QWidget* parent)
        : QLabel(QStringLiteral("<<"), parent)
    {
        setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        setAutoFillBackground(true);
        setFixedWidth(kPaletteOpenWidth);
        setCursor(Qt::PointingHandCursor);
        setColour(false);
    }
    std::function<void()> onClick;

protected:
    void enterEvent(QEnterEvent* e) override
    {
        setColour(true);
        QLabel::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override
    {
        setColour(false);
        QLabel::leaveEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton && onClick)
            onClick();
    }

private:
    void setColour(bool hot)
    {
        QPalette p = palette();
        p.setColor(QPalette::Window, hot ? QColor(200, 216, 255) : QApplication::palette().color(QPalette::Button));
        setPalette(p);
    }
};

// The bar between editor and palette; dragging it sets the palette's width.
class PaletteSizeBar : public QWidget {
public:
    explicit PaletteSizeBar(QWidget* parent)
        : QWidget(parent)
    {
        setFixedWidth(kPaletteBarWidth);
        setCursor(Qt::SplitHCursor);
    }
    std::function<int()> currentWidth;
    std::function<void(int)> setWidth;

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        m_startX = e->globalPosition().toPoint().x();
        m_startWidth = currentWidth();
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (e->buttons() & Qt::LeftButton)
            setWidth(m_startWidth - (e->globalPosition().toPoint().x() - m_startX));
    }

private:
    int m_startX = 0;
    int m_startWidth = 0;
};

QString widgetText(const QObject* o)
{
    if (const auto* c = qobject_cast<const QComboBox*>(o))
        return c->currentText();
    if (const auto* e = qobject_cast<const QLineEdit*>(o))
        return e->text();
    return o ? o->property("text").toString() : QString();
}

// A menu caption as a button hint: no accelerator and no trailing dots.
QString hintOf(QString caption)
{
    caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    caption.remove(QStringLiteral("..."));
    caption.remove(u'&');
    return caption;
}

} // namespace

TqvCodeAssist* FillCodeAssist(TqvMemo* edit, QWidget* owner, const CodeAssistList& src, int x, int y,
                              const QStringList& reservedWords)
{
    auto* list = new TqvCodeAssist(edit, owner, x, y);
    edit->CodeAssist = list;
    list->RWTable = reservedWords;
    list->setColumnCount(2);
    list->setHeaderLabels({src.caption1, src.caption2});
    list->setColumnWidth(0, edit->CASize.ColumnWidth[0]);
    list->setColumnWidth(1, edit->CASize.ColumnWidth[1]);
    for (const CodeAssistRow& r : src.rows) {
        list->CaptionList << r.caption;
        list->SubItemList << r.type;
        list->ImageList.push_back(r.image);
    }
    list->SetBuffer(src.unfinished ? src.buffer : QString());
    list->ShowItems();
    list->Present();
    return list;
}

// ---- category panel --------------------------------------------------------------------------

TqvCategoryPanel::TqvCategoryPanel(const QString& caption, QWidget* parent)
    : QWidget(parent)
{
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    m_header = new QToolButton(this);
    m_header->setText(caption);
    m_header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_header->setFocusPolicy(Qt::NoFocus);
    m_body = new QFrame(this);
    static_cast<QFrame*>(m_body)->setFrameShape(QFrame::StyledPanel);
    m_body->setBackgroundRole(QPalette::Base);
    m_body->setAutoFillBackground(true);
    lay->addWidget(m_header);
    lay->addWidget(m_body, 1);
    connect(m_header, &QToolButton::clicked, this, [this] {
        const bool open = m_collapsed;
        SetCollapsed(!open);
        if (open)
            emit expanded();
    });
    SetCollapsed(true);
}

QString TqvCategoryPanel::Caption() const { return m_header->text(); }

void TqvCategoryPanel::SetCollapsed(bool value)
{
    m_collapsed = value;
    m_body->setVisible(!value);
    m_header->setArrowType(value ? Qt::RightArrow : Qt::DownArrow);
    setSizePolicy(QSizePolicy::Preferred, value ? QSizePolicy::Fixed : QSizePolicy::Expanding);
}

// ---- frame ---------------------------------------------------------------------------------

TfraMemo::TfraMemo(QWidget* parent)
    : QWidget(parent)
{
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    pnlHeader = new QWidget(this);
    pnlHeader->setObjectName("pnlHeader");
    auto* hl = new QHBoxLayout(pnlHeader);
    hl->setContentsMargins(2, 0, 2, 0);
    tlbHeader = new QToolBar(pnlHeader);
    tlbHeader->setObjectName("tlbHeader");
    tlbHeader->setIconSize(QSize(16, 16));
    lblFileName = new QLabel(pnlHeader);
    lblFileName->setObjectName("lblFileName");
    hl->addWidget(tlbHeader);
    hl->addWidget(lblFileName, 1);
    lay->addWidget(pnlHeader);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    txtSQL = new TqvMemo(this);
    txtSQL->setObjectName("txtSQL");
    txtSQL->SetCodeAssistOwner(this);
    body->addWidget(txtSQL, 1);
    auto* bar = new PaletteSizeBar(this);
    bar->setObjectName("splPalette");
    bar->currentWidth = [this] { return PaletteWidth(); };
    bar->setWidth = [this](int w) {
        const int lo = pnlToolPalette->minimumSizeHint().width();
        SetPaletteWidth(std::max(lo, std::min(w, width() - kPaletteBarWidth - 50)));
    };
    splPalette = bar;
    body->addWidget(splPalette);
    auto* strip = new PaletteOpenStrip(this);
    strip->setObjectName("pnlPaletteOpen");
    strip->onClick = [this] { actShowPalette->trigger(); };
    pnlPaletteOpen = strip;
    body->addWidget(pnlPaletteOpen);
    BuildPalette();
    body->addWidget(pnlToolPalette);
    lay->addLayout(body, 1);

    // Frame commands.
    auto own = [this](const char* name, const QString& caption) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        addAction(a);
        return a;
    };
    actOpenFile = own("actOpenFile", QStringLiteral("ファイルを開く"));
    actOpenFile->setIcon(QIcon::fromTheme("document-open"));
    actSaveFile = own("actSaveFile", QStringLiteral("上書き保存"));
    actSaveFile->setIcon(QIcon::fromTheme("document-save"));
    actSaveNewFile = own("actSaveNewFile", QStringLiteral("名前を付けて保存"));
    actSaveNewFile->setIcon(imgMain(18));
    actSetRowMark = own("actSetRowMark", QStringLiteral("しおりをセットする"));
    actRowMarkNext = own("actRowMarkNext", QStringLiteral("次のしおりへ移動"));
    actRowMarkPrev = own("actRowMarkPrev", QStringLiteral("前のしおりへ移動"));
    actShowPalette = own("actShowPalette", QString());
    actHidePalette = own("actHidePalette", QString());
    connect(actOpenFile, &QAction::triggered, this, &TfraMemo::OpenFile);
    connect(actSaveFile, &QAction::triggered, this, &TfraMemo::SaveFile);
    connect(actSaveNewFile, &QAction::triggered, this, &TfraMemo::SaveNewFile);
    connect(actSetRowMark, &QAction::triggered, this, [this] {
        txtSQL->SetRowMark();
        UpdateActions();
    });
    connect(actRowMarkNext, &QAction::triggered, this, [this] { txtSQL->NextRowMark(); });
    connect(actRowMarkPrev, &QAction::triggered, this, [this] { txtSQL->PrevRowMark(); });
    connect(actShowPalette, &QAction::triggered, this, &TfraMemo::ShowPalette);
    connect(actHidePalette, &QAction::triggered, this, &TfraMemo::HidePalette);

    // The header: save as, then the main window's edit commands, then the editor options.
    tlbHeader->addAction(actSaveNewFile);
    const QList<QStringList> groups = {
        {"actEditUndo", "actEditRedo"},
        {"actEditFind", "actEditFindNext", "actEditFindPrev", "actEditReplace", "actEditFindClear", "actEditJump"},
        {"actEditUpperCase", "actEditLowerCase", "actEditHanToZen", "actEditZenToHan"},
        {"actEditIndentF", "actEditIndentR", "actEditComment", "actEditFormat"},
        {"actEditMacroRec", "actEditMacroExec", "actEditMacroSave", "actEditMacroLoad"},
        {"actEditJumpDefine", "actViewField"},
    };
    for (const QStringList& g : groups) {
        tlbHeader->addSeparator();
        for (const QString& name : g)
            tlbHeader->addAction(addMainAction(name));
    }
    actOpenSqlTemplate = addMainAction("actViewTemplate", "actOpenSqlTemplate", QStringLiteral("SQLテンプレート"));
    tlbHeader->addAction(actOpenSqlTemplate);
    tlbHeader->addSeparator();
    actOpenEditOption = addMainAction("actToolEditorOption", "actOpenEditOption", QStringLiteral("エディタオプション"));
    tlbHeader->addAction(actOpenEditOption);
    for (QToolButton* b : tlbHeader->findChildren<QToolButton*>())
        b->setFocusPolicy(Qt::NoFocus); // the edit commands act on the focused editor

    txtSQL->OnChange = [this](TEditor*) { UpdateActions(); };
    txtSQL->OnCaretMoved = [this](TEditor*) { UpdateActions(); };
    txtSQL->OnSelectionModeChange = [this](TEditor*) { UpdateActions(); };
    txtSQL->viewport()->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive)
            ApplicationDeactivated();
    });
    UpdateActions();
    pnlPaletteOpen->hide();
}

TfraMemo::~TfraMemo() = default;

QAction* TfraMemo::addMainAction(const QString& name, const QString& ownName, const QString& ownCaption)
{
    QString caption;
    int image = -1;
    TfrmMain::actionInfo(name, &caption, &image);
    auto* a = new QAction(ownCaption.isEmpty() ? hintOf(caption) : ownCaption, this);
    a->setObjectName(ownName.isEmpty() ? name : ownName);
    if (image >= 0)
        a->setIcon(imgMain(image));
    // Runs the main window's command; without a main window the button does nothing.
    connect(a, &QAction::triggered, this, [name] {
        if (TfrmMain* m = TfrmMain::instance())
            if (QAction* target = m->action(name); target && target->isEnabled())
                target->trigger();
    });
    if (TfrmMain* m = TfrmMain::instance())
        if (QAction* target = m->action(name)) {
            // The button follows the command's state, and its caption and picture where the
            // command changes them (macro recording starts or ends).
            const bool ownText = !ownCaption.isEmpty();
            auto follow = [a, target, ownText] {
                a->setEnabled(target->isEnabled());
                if (!ownText && a->text() != hintOf(target->text()))
                    a->setText(hintOf(target->text()));
                if (!target->icon().isNull() && target->icon().cacheKey() != a->icon().cacheKey())
                    a->setIcon(target->icon());
            };
            follow();
            connect(target, &QAction::changed, a, follow);
        }
    return a;
}

void TfraMemo::BuildPalette()
{
    pnlToolPalette = new QWidget(this);
    pnlToolPalette->setObjectName("pnlToolPalette");
    auto* pl = new QVBoxLayout(pnlToolPalette);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->setSpacing(0);

    ctgToolPalette = new QWidget(pnlToolPalette);
    ctgToolPalette->setObjectName("ctgToolPalette");
    auto* cl = new QVBoxLayout(ctgToolPalette);
    cl->setContentsMargins(2, 2, 2, 2);
    cl->setSpacing(2);
    auto category = [&](const char* name, const QString& caption, const char* bodyName) {
        auto* c = new TqvCategoryPanel(caption, ctgToolPalette);
        c->setObjectName(QLatin1String(name));
        // The section's tools are placed into its body by the object palette; until then the
        // body says that they are not available yet.
        c->Body()->setObjectName(QLatin1String(bodyName));
        auto* note = new QLabel(QStringLiteral("この機能はまだ利用できません。"), c->Body());
        note->setObjectName(QStringLiteral("lblNotAvailable"));
        note->setAlignment(Qt::AlignCenter);
        note->setWordWrap(true);
        note->setEnabled(false);
        if (!c->Body()->layout())
            new QVBoxLayout(c->Body());
        c->Body()->layout()->addWidget(note);
        cl->addWidget(c);
        connect(c, &TqvCategoryPanel::expanded, this, [this, c] { ExpandCategory(c); });
        return c;
    };
    cpnlObjTree = category("cpnlObjTree", QStringLiteral("オブジェクトツリー"), "pnlObjTreeBody");
    cpnlRefSearch = category("cpnlRefSearch", QStringLiteral("逆引き検索"), "pnlRefSearchBody");
    cpnlConvert = category("cpnlConvert", QStringLiteral("SQLのプログラムソース化"), "pnlConvertBody");
    fraConvert = new TfraMemoConvert(txtSQL, cpnlConvert->Body());
    cpnlEditFunc = category("cpnlEditFunc", QStringLiteral("ショートカット登録済み機能"), "pnlEditFuncBody");
    cpnlEditFunc->hide();
    palette = new TqvObjectPalette(this, cpnlObjTree->Body(), cpnlRefSearch->Body());
    cl->addStretch(0);
    pl->addWidget(ctgToolPalette, 1);

    pnlToolPaletteFooter = new QWidget(pnlToolPalette);
    pnlToolPaletteFooter->setObjectName("pnlToolPaletteFooter");
    // Two rows, so that nothing is cut off in a narrow palette.
    auto* fl = new QGridLayout(pnlToolPaletteFooter);
    fl->setContentsMargins(4, 2, 4, 2);
    fl->setVerticalSpacing(2);
    auto* lbl = new QLabel(QStringLiteral("フォントサイズ"), pnlToolPaletteFooter);
    spnFontSize = new QSpinBox(pnlToolPaletteFooter);
    spnFontSize->setObjectName("spnFontSize");
    spnFontSize->setRange(kMemoMinFontSize, kMemoMaxFontSize);
    spnFontSize->setValue(10);
    lbl->setBuddy(spnFontSize);
    btnToolPaletteClose = new QToolButton(pnlToolPaletteFooter);
    btnToolPaletteClose->setObjectName("btnToolPaletteClose");
    btnToolPaletteClose->setText(QStringLiteral("パレットを閉じる"));
    fl->addWidget(lbl, 0, 0);
    fl->addWidget(spnFontSize, 0, 1);
    fl->setColumnStretch(2, 1);
    fl->addWidget(btnToolPaletteClose, 1, 0, 1, 3, Qt::AlignRight);
    pl->addWidget(pnlToolPaletteFooter);
    connect(btnToolPaletteClose, &QToolButton::clicked, this, [this] { actHidePalette->trigger(); });
    connect(spnFontSize, &QSpinBox::valueChanged, this, &TfraMemo::SetFontSize);

    m_width = kPaletteDefaultWidth;
    pnlToolPalette->setFixedWidth(m_width);
    ExpandCategory(cpnlObjTree);
}

void TfraMemo::ExpandCategory(TqvCategoryPanel* panel)
{
    auto* cl = static_cast<QVBoxLayout*>(ctgToolPalette->layout());
    for (TqvCategoryPanel* c : {cpnlObjTree, cpnlRefSearch, cpnlConvert, cpnlEditFunc}) {
        c->SetCollapsed(c != panel);
        cl->setStretchFactor(c, c == panel ? 1 : 0);
    }
}

// ---- window and connection ---------------------------------------------------------------------

QWidget* TfraMemo::OwnerWindow() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* form = qobject_cast<TqvForm*>(w))
            return form;
    return nullptr;
}

void TfraMemo::ShowData()
{
    auto* form = qobject_cast<TqvForm*>(OwnerWindow());
    if (!form)
        return;
    m_ownerForm = form->OwnerForm();
    WaitCursor cursor;
    Initialize();
}

void TfraMemo::Initialize()
{
    SetPaletteWidth(kPaletteInitialWidth);
    cpnlEditFunc->hide();
    ExpandCategory(cpnlObjTree);
    fraConvert->LoadRules();
    TfrmMain* main = TfrmMain::instance();
    ApplyMemoSettings(*txtSQL, main ? main->popEditor() : nullptr);
    const int size = txtSQL->font().pointSize();
    if (size > 0)
        spnFontSize->setValue(size);
    if (MemoOption.ShowToolPalette)
        ShowPalette();
    else
        HidePalette();
    palette->Initialize();
}

void TfraMemo::DBChanged()
{
    if (auto* form = qobject_cast<TqvForm*>(OwnerWindow()))
        m_ownerForm = form->OwnerForm();
    palette->DBChanged();
}

// ---- commands --------------------------------------------------------------------------------

void TfraMemo::UpdateActions()
{
    // Runs on every caret move and change: only cheap states of the editor.
    const bool hasText = !EditorTextEmpty(txtSQL->Lines());
    actSaveFile->setEnabled(hasText);
    actSaveNewFile->setEnabled(hasText);
    const bool marks = txtSQL->UsingRowMark();
    actRowMarkNext->setEnabled(marks);
    actRowMarkPrev->setEnabled(marks);
    // The main window's editor commands follow the focused editor's state.
    if (TfrmMain* m = TfrmMain::instance())
        m->EditorStateChanged();
}

void TfraMemo::OpenFiles(QStringList fileNames, const QString& shownName)
{
    std::sort(fileNames.begin(), fileNames.end());
    WaitCursor cursor;
    // All files in one update of the editor; the caret at the start, nothing to undo.
    try {
        LoadFilesIntoLines(txtSQL->Lines(), fileNames, GetFileEncoding());
    } catch (...) {
        txtSQL->SetRowCol(0, 0);
        throw;
    }
    txtSQL->EditorUndoObj().Clear();
    txtSQL->SetRowCol(0, 0);
    m_openFilePath = shownName;
    lblFileName->setText(shownName);
    txtSQL->SetModified(false);
    UpdateActions();
}

void TfraMemo::WriteFile(const QString& fileName)
{
    TEditorStrings& lines = txtSQL->Lines();
    const bool bom = lines.WriteBOM;
    lines.WriteBOM = false;
    try {
        lines.SaveToFile(fileName, GetFileEncoding());
    } catch (...) {
        lines.WriteBOM = bom;
        throw;
    }
    lines.WriteBOM = bom;
    txtSQL->SetModified(false);
}

void TfraMemo::OpenFile()
{
    if (txtSQL->Modified()
        && ShowMessageBox(QStringLiteral("ファイルが保存されていませんが開きますか？"), MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    const QStringList names = QFileDialog::getOpenFileNames(this, QStringLiteral("ファイルを開く"), QString(), SqlFileFilter());
    if (names.isEmpty())
        return;
    OpenFiles(names, names.first());
}

void TfraMemo::SaveFile()
{
    if (m_openFilePath.isEmpty()) {
        SaveNewFile();
        return;
    }
    try {
        WriteFile(m_openFilePath);
    } catch (...) {
        ShowMessageBox(QStringLiteral("ファイルが使用中です。"), MB_ICONWARNING);
    }
}

QString TfraMemo::SaveFileProposal() const
{
    if (DefaultFileName) {
        const QString name = DefaultFileName();
        if (!name.isEmpty())
            return name;
    }
    auto* form = qobject_cast<TqvForm*>(OwnerWindow());
    if (!form)
        return QStringLiteral("Script.sql");
    // The definition windows name their boxes cmbSchema and txtName.
    const QString schema = widgetText(form->findChild<QWidget*>(QStringLiteral("cmbSchema")));
    const QString name = widgetText(form->findChild<QWidget*>(QStringLiteral("txtName")));
    return MemoDefaultFileName(form->ObjType(), schema, name);
}

void TfraMemo::SaveNewFile()
{
    QString dir = qvOption.FileDir;
    if (!dir.isEmpty() && !dir.endsWith(u'/'))
        dir += u'/';
    const QString name = UniqueFileName(dir + SaveFileProposal());
    QString filter;
    const QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("名前を付けて保存"), name, SqlFileFilter(), &filter);
    if (chosen.isEmpty())
        return;
    WriteFile(SqlSaveFileName(chosen, SqlFileFilterIndex(filter)));
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), MB_ICONINFORMATION);
}

void TfraMemo::CodeAssistRequested(int x, int y)
{
    if (txtSQL->CodeAssist || !CodeAssistContext)
        return;
    CodeAssistRequest req;
    if (!CodeAssistContext(req) || !req.query)
        return;
    req.token = txtSQL->GetCodeAssistToken();
    req.editorText = txtSQL->Lines().ToStringList();
    req.reservedWords = ReserveWordList;
    const std::optional<CodeAssistList> list = BuildCodeAssistList(req);
    if (list)
        FillCodeAssist(txtSQL, this, *list, x, y, req.reservedWords);
}

int TfraMemo::StrByteLength(const QString& text) const
{
    return qv::StrByteLength(text, txtSQL->Caret().TabSpaceCount());
}

// ---- palette ---------------------------------------------------------------------------------

bool TfraMemo::PaletteShown() const { return !pnlToolPalette->isHidden(); }

int TfraMemo::PaletteWidth() const { return PaletteShown() ? m_width : 0; }

void TfraMemo::SetPaletteWidth(int width)
{
    if (!PaletteShown()) {
        m_paletteWidth = width;
        return;
    }
    m_width = width;
    pnlToolPalette->setFixedWidth(width);
}

void TfraMemo::HidePalette()
{
    if (!PaletteShown())
        return;
    m_paletteWidth = m_width;
    pnlToolPalette->hide();
    splPalette->hide();
    pnlPaletteOpen->show();
}

void TfraMemo::ShowPalette()
{
    if (PaletteShown())
        return;
    // Before the frame is laid out its width says nothing.
    const int w = PaletteShowWidth(m_paletteWidth, isVisible() ? width() : std::numeric_limits<int>::max());
    pnlPaletteOpen->hide();
    splPalette->show();
    m_width = w;
    pnlToolPalette->setFixedWidth(w);
    pnlToolPalette->show();
}

// ---- zoom and application state ------------------------------------------------------------------

void TfraMemo::SetFontSize(int size)
{
    if (txtSQL->font().pointSize() == size)
        return;
    QFont f = txtSQL->font();
    f.setPointSize(size);
    txtSQL->setFont(f);
}

void TfraMemo::ZoomBy(int steps)
{
    spnFontSize->setValue(spnFontSize->value() + steps);
}

bool TfraMemo::HandleWheel(QWheelEvent* e, int* notches)
{
    if (!(e->modifiers() & Qt::ControlModifier))
        return false;
    // A notch is 120; finer wheels add up to whole notches.
    m_wheelRemainder += e->angleDelta().y();
    const int steps = m_wheelRemainder / 120;
    m_wheelRemainder -= steps * 120;
    if (steps)
        ZoomBy(steps);
    if (notches)
        *notches = steps;
    e->accept();
    return true;
}

void TfraMemo::wheelEvent(QWheelEvent* e)
{
    if (!HandleWheel(e))
        QWidget::wheelEvent(e);
}

bool TfraMemo::eventFilter(QObject* watched, QEvent* e)
{
    int notches = 0;
    if (watched == txtSQL->viewport() && e->type() == QEvent::Wheel && HandleWheel(static_cast<QWheelEvent*>(e), &notches)) {
        // Over the editor each notch also scrolls one row, as the editor does per notch.
        if (notches)
            txtSQL->SetTopRow(txtSQL->TopRow() - notches);
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TfraMemo::ApplicationDeactivated()
{
    txtSQL->SetSelectionMode(smLine);
    txtSQL->KeyDownAltKey = false;
}

bool TfraMemo::event(QEvent* e)
{
    if (e->type() == messageEventType(WM_CODEASSIST)) {
        auto* m = static_cast<MessageEvent*>(e);
        // A catalog error goes to the application's error handler, not through the event loop.
        try {
            CodeAssistRequested(int(m->wParam()), int(m->lParam()));
        } catch (...) {
            HandleException(std::current_exception());
        }
        return true;
    }
    return QWidget::event(e);
}

} // namespace qv
