#include "editor/sqlmemo/code_assist.h"

#include "app/qvstrings.h"

#include "editor/edit/edit_messages.h"
#include "editor/sqlmemo/qvmemo.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

namespace qv {

QString CodeAssistQuotedName(const QString& name, const QStringList& reservedWords, bool useBQuote)
{
    // Keywords and built-in names go in as listed. Every other name comes from the server and is
    // data: bracketed with "]" doubled (bare only with the option off and when the server reads
    // it bare), never passed through because it happens to start with "[".
    if (reservedWords.contains(name, Qt::CaseSensitive))
        return name;
    if (!useBQuote && IsRegularIdentifier(name))
        return name;
    QString inner = name;
    inner.replace(QStringLiteral("]"), QStringLiteral("]]"));
    return QStringLiteral("[") + inner + QStringLiteral("]");
}

TqvCodeAssist::TqvCodeAssist(TqvMemo* edit, QWidget* owner, int x, int y) : QTreeWidget(owner), m_owner(edit)
{
    hide();
    setRootIsDecorated(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::Box);
    QFont f(QStringLiteral("ＭＳ ゴシック"));
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSize(10);
    setFont(f);
    setMinimumSize(200, 100);
    int w = edit->CASize.Width, h = edit->CASize.Height;
    // Below the caret row, in the owner's coordinates.
    QPoint p = edit->viewport()->mapTo(owner ? owner : edit, QPoint(x, y + edit->RowHeight()));
    int left = p.x();
    const int right = (owner ? edit->mapTo(owner, QPoint(0, 0)).x() : 0) + edit->width() - 30;
    if (left + w > right)
        h -= (left + w - right);
    if (edit->width() < w)
        w = edit->width();
    if (left + w > right) {
        left -= (left + w - right);
        h = 150;
    }
    setGeometry(left, p.y(), std::max(200, w), std::max(100, h));
    Buf = new QLineEdit(this);
    Buf->hide();
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] { HandleChar(QChar(13), Qt::NoModifier); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { LoadVisibleRows(); });
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { LoadVisibleRows(); });
}

TqvCodeAssist::~TqvCodeAssist() = default;

void TqvCodeAssist::SetBuffer(const QString& buffer)
{
    Buf->setText(buffer);
    Buf->setCursorPosition(int(buffer.size()));
}

void TqvCodeAssist::ShowItems()
{
    if (isVisible())
        setFocus();
    CaptionListW.clear();
    SubItemListW.clear();
    ImageListW.clear();
    clear();
    const QString prefix = Buf->text().trimmed();
    if (prefix != Buf->text())
        Buf->setText(prefix);
    const QString upper = prefix.toUpper();
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < CaptionList.size(); ++i) {
        const QString& name = CaptionList[i];
        if (!prefix.isEmpty() && !name.toUpper().startsWith(upper))
            continue;
        CaptionListW << name;
        SubItemListW << (i < SubItemList.size() ? SubItemList[i] : QString());
        ImageListW.push_back(i < int(ImageList.size()) ? ImageList[size_t(i)] : -1);
        if (items.size() < ItemMax)
            items << new QTreeWidgetItem(QStringList{name, SubItemListW.last()});
    }
    addTopLevelItems(items);
    if (topLevelItemCount() > 0) {
        setCurrentItem(topLevelItem(0));
        topLevelItem(0)->setSelected(true);
    }
}

void TqvCodeAssist::AddItems()
{
    const int k = topLevelItemCount();
    if (k < CaptionListW.size())
        addTopLevelItem(new QTreeWidgetItem(QStringList{CaptionListW[k], SubItemListW.value(k)}));
}

void TqvCodeAssist::LoadVisibleRows()
{
    if (m_loading || !isVisible() || topLevelItemCount() == 0 || topLevelItemCount() >= CaptionListW.size())
        return;
    const int rowH = visualItemRect(topLevelItem(0)).height();
    if (rowH <= 0)
        return;
    m_loading = true;
    const int vh = viewport()->height();
    const QModelIndex bottom = indexAt(QPoint(1, vh - 1));
    const int lastVisible = bottom.isValid() ? bottom.row() : topLevelItemCount() - 1;
    const int need = lastVisible + 1 + std::max(1, vh / rowH);
    const int before = topLevelItemCount();
    while (topLevelItemCount() < need && topLevelItemCount() < CaptionListW.size())
        AddItems();
    // The scroll bar's range follows at once, so a drag in progress can go on.
    if (topLevelItemCount() != before)
        executeDelayedItemsLayout();
    m_loading = false;
}

void TqvCodeAssist::Present()
{
    if (topLevelItemCount() == 1) {
        HandleChar(QChar(13), Qt::NoModifier);
        return;
    }
    show();
    raise();
    setFocus();
    if (topLevelItemCount() > 0) {
        setCurrentItem(topLevelItem(0));
        topLevelItem(0)->setSelected(true);
    }
}

bool TqvCodeAssist::Close()
{
    if (TqvMemo* ed = m_owner.data()) {
        if (ed->CodeAssist == this) {
            ed->CloseCodeAssist();
            return true;
        }
    }
    hide();
    deleteLater();
    return true;
}

void TqvCodeAssist::SendKeyToBuf(int key, Qt::KeyboardModifiers mods)
{
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(Buf, &e);
}

void TqvCodeAssist::HandleKey(int key, Qt::KeyboardModifiers mods)
{
    QPointer<TqvMemo> ed = m_owner;
    if (!ed)
        return;
    const int vk = TEditor::QtKeyToVk(key);
    switch (key) {
    case Qt::Key_Up:
        return;
    case Qt::Key_Down:
        AddItems();
        return;
    case Qt::Key_PageDown:
        for (int i = 0; i < 8; ++i)
            AddItems();
        break;
    case Qt::Key_End:
        for (int i = 0, n = int(CaptionListW.size()) + 1; i < n; ++i)
            AddItems();
        break;
    case Qt::Key_Left:
        if (Buf->cursorPosition() != 0) {
            SendKeyToBuf(key, mods);
        } else {
            Close();
            if (ed)
                ed->EditKeyDown(vk, mods);
            return;
        }
        break;
    case Qt::Key_Right:
        if (Buf->cursorPosition() >= Buf->text().size()) {
            Close();
            if (ed)
                ed->EditKeyDown(vk, mods);
            return;
        }
        SendKeyToBuf(key, mods);
        break;
    case Qt::Key_Delete:
        SendKeyToBuf(key, mods);
        ShowItems();
        break;
    case Qt::Key_V:
    case Qt::Key_X:
        if (mods & Qt::ControlModifier) {
            ed->EditMessage(key == Qt::Key_V ? editmsg::WM_PASTE : editmsg::WM_CUT, 0, 0);
            break;
        }
        SendKeyToBuf(key, mods);
        break;
    default:
        SendKeyToBuf(key, mods);
        break;
    }
    // Editing keys reach the editor too, so its text and the filter stay in step.
    if (ed && key != Qt::Key_PageUp && key != Qt::Key_PageDown && key != Qt::Key_End && key != Qt::Key_Home
        && vk != 0 && ((vk >= 33 && vk <= 40) || vk == 46))
        ed->EditKeyDown(vk, mods);
}

void TqvCodeAssist::HandleChar(QChar ch, Qt::KeyboardModifiers mods)
{
    QPointer<TqvMemo> ed = m_owner;
    if (!ed)
        return;
    const char16_t c = ch.unicode();
    const bool accept = c == 9 || c == 13 || c == u' ' || c == u'%' || c == u',' || c == u'.' || c == u';';
    if (accept) {
        if (c == u' ' && (mods & Qt::ControlModifier))
            return;
        Accept(ch);
        return;
    }
    if (c == 27) {
        Close();
        return;
    }
    if (c == 8 && Buf->cursorPosition() == 0) {
        Close();
        if (ed)
            ed->EditKeyChar(ch, mods);
        return;
    }
    if (c == 8) {
        Buf->backspace();
    } else {
        Buf->insert(QString(ch));
    }
    ShowItems();
    if (ed)
        ed->EditKeyChar(ch, mods);
}

void TqvCodeAssist::Accept(QChar ch)
{
    QPointer<TqvMemo> ed = m_owner;
    QPointer<TqvCodeAssist> self(this);
    QTreeWidgetItem* item = currentItem();
    if (!item && !selectedItems().isEmpty())
        item = selectedItems().first();
    if (ed && item) {
        const QString name = item->text(0);
        // The word around the caret goes first.
        int left = 0, right = 0;
        if (ed->Row() < ed->ListCount()) {
            const QString t = ed->GetRowString(ed->Row());
            const int c = ed->ColumnToStartChar(ed->Row(), ed->Col());
            for (int i = c; i < t.size() && !(IsMemoDelimiter(t[i]) && t[i] != u']'); ++i)
                ++right;
            for (int i = c - 1; i >= 0 && !(IsMemoDelimiter(t[i]) && t[i] != u'['); --i)
                ++left;
        }
        for (int i = 0; i < right && ed; ++i)
            ed->EditKeyDown(46, Qt::NoModifier);
        for (int i = 0; i < left && ed; ++i)
            ed->EditKeyChar(QChar(8), Qt::NoModifier);
        if (ed)
            ed->PutStringToLine(CodeAssistQuotedName(name, RWTable, UseBQuote));
    }
    if (self)
        Close();
    if (ed && ch.unicode() != 13)
        ed->EditKeyChar(ch, Qt::NoModifier);
}

void TqvCodeAssist::keyPressEvent(QKeyEvent* e)
{
    const int key = e->key();
    const QString text = e->text();
    QChar ch;
    if (key == Qt::Key_Tab)
        ch = QChar(9);
    else if (key == Qt::Key_Return || key == Qt::Key_Enter)
        ch = QChar(13);
    else if (key == Qt::Key_Escape)
        ch = QChar(27);
    else if (key == Qt::Key_Backspace)
        ch = QChar(8);
    else if (key == Qt::Key_Space)
        ch = QChar(u' ');
    else if (!text.isEmpty() && text[0].unicode() >= 0x20 && !(e->modifiers() & Qt::ControlModifier))
        ch = text[0];
    QPointer<TqvCodeAssist> self(this);
    if (!ch.isNull()) {
        HandleChar(ch, e->modifiers());
        e->accept();
        return;
    }
    const bool listMoves = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp
                           || key == Qt::Key_PageDown || key == Qt::Key_End || key == Qt::Key_Home;
    HandleKey(key, e->modifiers());
    if (self && listMoves)
        QTreeWidget::keyPressEvent(e);
    e->accept();
}

void TqvCodeAssist::focusOutEvent(QFocusEvent* e)
{
    QTreeWidget::focusOutEvent(e);
    TqvMemo* ed = m_owner.data();
    if (isEnabled() && ed && !ed->hasFocus() && e->reason() != Qt::PopupFocusReason)
        QMetaObject::invokeMethod(this, [p = QPointer<TqvCodeAssist>(this)] {
            if (p && !p->hasFocus() && p->Editor() && !p->Editor()->hasFocus())
                p->Close();
        }, Qt::QueuedConnection);
}

void TqvCodeAssist::wheelEvent(QWheelEvent* e)
{
    for (int i = 0; i < 8; ++i)
        AddItems();
    QTreeWidget::wheelEvent(e);
}

void TqvCodeAssist::mouseDoubleClickEvent(QMouseEvent* e)
{
    QTreeWidget::mouseDoubleClickEvent(e);
}

} // namespace qv
