#include "sql/template_window.h"

#include "app/globals.h"
#include "app/images.h"
#include "app/message_box.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
const QString WindowKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\TEMPLATE");
constexpr int RoleItem = Qt::UserRole + 1;
} // namespace

TfrmTemplate::TfrmTemplate(const QString& folder, const QString& selectWord, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_folder(folder)
{
    setObjectName(QStringLiteral("frmTemplate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("SQLリファレンス"));
    setWindowIcon(imgMain(93));

    auto* top = new QHBoxLayout;
    top->setContentsMargins(4, 4, 4, 4);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    connect(txtFind, &QLineEdit::textEdited, this, [this](const QString& t) {
        const int pos = txtFind->cursorPosition();
        txtFind->setText(t.toUpper());
        txtFind->setCursorPosition(pos);
    });
    connect(txtFind, &QLineEdit::editingFinished, this, [this] {
        if (txtFind->text() != m_builtFind)
            BuildTree();
    });
    auto* lblFind = new QLabel(QStringLiteral("検索"), this);
    lblFind->setBuddy(txtFind);
    top->addWidget(lblFind);
    top->addWidget(txtFind, 1);
    lblVersion = new QLabel(QStringLiteral("Ver."), this);
    cmbVersion = new QComboBox(this);
    cmbVersion->addItems(TemplateVersions(folder));
    lblVersion->setBuddy(cmbVersion);
    top->addWidget(lblVersion);
    top->addWidget(cmbVersion);
    const bool several = cmbVersion->count() > 1;
    lblVersion->setVisible(several);
    cmbVersion->setVisible(several);

    lstTemplate = new QTreeWidget(this);
    lstTemplate->setHeaderHidden(true);
    txtSQL = new QPlainTextEdit(this);
    txtSQL->setReadOnly(true);
    txtSQL->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(lstTemplate);
    split->addWidget(txtSQL);
    split->setStretchFactor(1, 1);
    split->setSizes({200, 440});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(split, 1);

    connect(lstTemplate, &QTreeWidget::currentItemChanged, this, [this] { showItem(); });
    connect(cmbVersion, &QComboBox::currentIndexChanged, this, [this] { LoadVersion(); });

    resize(680, 460);
    TqvRegistry reg;
    if (reg.OpenKeyReadOnly(WindowKey))
        setGeometry(reg.GetInteger(QStringLiteral("Left"), x()), reg.GetInteger(QStringLiteral("Top"), y()),
                    reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
    txtFind->setText(selectWord.trimmed().toUpper());
    {
        const QSignalBlocker block(cmbVersion);
        cmbVersion->setCurrentIndex(cmbVersion->count() - 1);
    }
    LoadVersion();
}

TfrmTemplate::~TfrmTemplate()
{
    saveSettings();
}

TfrmTemplate* TfrmTemplate::ShowWindow(const QString& selectWord, QWidget* owner)
{
    auto* w = new TfrmTemplate(ProgramDir(), selectWord, owner);
    w->show();
    w->txtFind->setFocus();
    return w;
}

void TfrmTemplate::saveSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKey(WindowKey, true))
        return;
    reg.WriteInteger(QStringLiteral("WindowState"), isMaximized() ? 2 : 0);
    if (!isMaximized() && !isMinimized()) {
        reg.WriteInteger(QStringLiteral("Left"), x());
        reg.WriteInteger(QStringLiteral("Top"), y());
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
}

void TfrmTemplate::LoadVersion()
{
    QStringList lines;
    if (cmbVersion->count() > 0) {
        try {
            lines = ReadTemplateLines(m_folder + u'/' + cmbVersion->currentText() + QStringLiteral(".tpl"));
        } catch (const Exception&) {
            // Names are upper-cased for the list: try the file as it is spelt in the folder.
            for (const QString& f : QDir(m_folder).entryList({QStringLiteral("*.tpl")}, QDir::Files))
                if (QFileInfo(f).completeBaseName().compare(cmbVersion->currentText(), Qt::CaseInsensitive) == 0)
                    lines = ReadTemplateLines(m_folder + u'/' + f);
        }
    }
    m_doc = TemplateDoc(lines);
    BuildTree();
}

void TfrmTemplate::BuildTree()
{
    const QSignalBlocker block(lstTemplate);
    lstTemplate->clear();
    txtSQL->clear();
    m_builtFind = txtFind->text();
    const QString find = m_builtFind.trimmed();
    QTreeWidgetItem* firstMatch = nullptr;
    for (const TemplateTreeGroup& g : m_doc.Tree(find)) {
        QTreeWidgetItem* parent = nullptr;
        if (!g.name.isNull()) {
            parent = new QTreeWidgetItem(lstTemplate, {g.name});
            parent->setIcon(0, imgMain(72));
            parent->setData(0, RoleItem, -1);
        }
        for (int item : g.items) {
            const QString name = m_doc.Items()[item].name;
            auto* node = parent ? new QTreeWidgetItem(parent, {name}) : new QTreeWidgetItem(lstTemplate, {name});
            node->setIcon(0, imgMain(93));
            node->setData(0, RoleItem, item);
            if (!firstMatch && !find.isEmpty() && name.contains(find, Qt::CaseInsensitive))
                firstMatch = node;
        }
        if (parent)
            parent->setExpanded(true);
    }
    if (lstTemplate->topLevelItemCount() > 0) {
        lstTemplate->scrollToTop();
        if (firstMatch) {
            lstTemplate->setCurrentItem(firstMatch);
            showItem();
        } else {
            lstTemplate->setCurrentItem(lstTemplate->topLevelItem(0));
        }
    }
}

void TfrmTemplate::showItem()
{
    txtSQL->clear();
    QTreeWidgetItem* node = lstTemplate->currentItem();
    if (!node || node->data(0, RoleItem).toInt() < 0)
        return;
    txtSQL->setPlainText(m_doc.DisplayLines(node->data(0, RoleItem).toInt()).join(u'\n'));
    txtSQL->moveCursor(QTextCursor::Start);
}

QStringList TfrmTemplate::ShownLines() const
{
    return txtSQL->toPlainText().isEmpty() ? QStringList() : txtSQL->toPlainText().split(u'\n');
}

} // namespace qv
