#include "controls/export/export_dialogs.h"

#include "app/message_box.h"
#include "app/textfiles.h"
#include "controls/inputs/inputs.h"
#include "platform/xlsx/xlsx.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace exporting {

QString CheckSavePath(const QString& path)
{
    const QFileInfo info(path);
    if (info.completeBaseName().trimmed().isEmpty())
        return QStringLiteral("ファイル名を入力して下さい。");
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : path.left(slash + 1);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QStringLiteral("指定されたフォルダは存在しないか、無効です。");
    return {};
}

QString WithoutTrailingSeparator(const QString& path)
{
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        return path.left(path.size() - 1);
    return path;
}

QString FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString WithDefaultExtension(const QString& name, const QString& ext, const QStringList& accepted)
{
    const QString suffix = QFileInfo(name).suffix();
    const QString upper = suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix.trimmed().toUpper();
    for (const QString& a : accepted)
        if (upper == a)
            return name;
    return name + ext;
}

} // namespace exporting

using namespace exporting;

std::function<int(const QString&, int)>& ExportDialogHooks::message()
{
    static std::function<int(const QString&, int)> hook;
    return hook;
}

std::function<QString(const QString&, const QString&, const QString&)>& ExportDialogHooks::fileDialog()
{
    static std::function<QString(const QString&, const QString&, const QString&)> hook;
    return hook;
}

namespace {

int showMessage(const QString& text, int flags)
{
    if (ExportDialogHooks::message())
        return ExportDialogHooks::message()(text, flags);
    return ShowMessageBox(text, flags);
}

// A row of radio buttons in a titled box; the group's ids are the items' indexes.
QGroupBox* radioGroup(QWidget* parent, const QString& caption, const QStringList& items, QButtonGroup*& group)
{
    auto* box = new QGroupBox(caption, parent);
    auto* lay = new QHBoxLayout(box);
    group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new TqvRadioButton(items.at(i), box);
        group->addButton(b, i);
        lay->addWidget(b);
    }
    lay->addStretch();
    return box;
}

void checkRadio(QButtonGroup* g, int id)
{
    if (QAbstractButton* b = g->button(id))
        b->setChecked(true);
    else if (QAbstractButton* first = g->button(0))
        first->setChecked(true);
}

QToolButton* fileButton(QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setIcon(QIcon::fromTheme(QStringLiteral("document-open")));
    if (b->icon().isNull())
        b->setText(QStringLiteral("…"));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

void centreOnScreen(QWidget* w)
{
    w->adjustSize();
    if (QScreen* s = w->screen())
        w->move(s->availableGeometry().center() - w->rect().center());
}

QString toQtFilter(const QString& filter)
{
    // "Caption(*.x)|*.x|…" → "Caption(*.x);;…"
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << parts.at(i);
    return out.join(QStringLiteral(";;"));
}

QString saveDialog(QWidget* owner, const QString& proposed, const QString& filter)
{
    const QString caption = QStringLiteral("名前を付けて保存");
    if (ExportDialogHooks::fileDialog())
        return ExportDialogHooks::fileDialog()(caption, proposed, filter);
    return QFileDialog::getSaveFileName(owner, caption, proposed, toQtFilter(filter));
}

const QString kAllFiles = QStringLiteral("|すべてのファイル(*.*)|*.*");

} // namespace

// ---- TfrmCSVSQL -----------------------------------------------------------------------------------

std::function<int(TfrmCSVSQL*)>& TfrmCSVSQL::ExecHook()
{
    static std::function<int(TfrmCSVSQL*)> hook;
    return hook;
}

TfrmCSVSQL::TfrmCSVSQL(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmCSVSQL"));
    setWindowTitle(QStringLiteral("CSV出力"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);

    auto* lblSave = new QLabel(QStringLiteral("保存ファイル名"), this);
    txtSaveFile = new TqvStrEdit(this);
    txtSaveFile->setMinimumWidth(360);
    lblSave->setBuddy(txtSaveFile);
    btnSaveFile = fileButton(this);

    auto* grpFormat = new QGroupBox(QStringLiteral("ファイル形式"), this);
    auto* lblEncoding = new QLabel(QStringLiteral("文字コード"), grpFormat);
    cmbEncoding = new TqvComboBox(grpFormat);
    cmbEncoding->addItems({QStringLiteral("SHIFT-JIS"), QStringLiteral("UTF-7"), QStringLiteral("UTF-8"),
                           QStringLiteral("UTF-16 (LE)"), QStringLiteral("UTF-16 (BE)")});
    lblEncoding->setBuddy(cmbEncoding);
    auto* lblLineBreak = new QLabel(QStringLiteral("改行コード"), grpFormat);
    cmbLineBreak = new TqvComboBox(grpFormat);
    cmbLineBreak->addItems({QStringLiteral("CR+LF (Windows)"), QStringLiteral("LF (UNIX)")});
    lblLineBreak->setBuddy(cmbLineBreak);
    auto* formatLay = new QHBoxLayout(grpFormat);
    formatLay->addWidget(lblEncoding);
    formatLay->addWidget(cmbEncoding);
    formatLay->addSpacing(16);
    formatLay->addWidget(lblLineBreak);
    formatLay->addWidget(cmbLineBreak);
    formatLay->addStretch();

    grpTitle = radioGroup(this, QStringLiteral(" 列タイトル出力 "),
                          {QStringLiteral("項目名を使用"), QStringLiteral("コメントを使用"), QStringLiteral("出力しない")},
                          rdoTitleIndex);
    grpQuotation = radioGroup(this, QStringLiteral("二重引用符 (\") で値を囲う条件"),
                              {QStringLiteral("すべて囲う"), QStringLiteral("文字列型のみ囲う"), QStringLiteral("必要なときのみ囲う")},
                              rdoQuotation);
    chkRefresh = new TqvCheckBox(QStringLiteral("最新のデータを読み直してから出力する"), this);

    btnOk = new QPushButton(QStringLiteral("開始"), this);
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);

    auto* fileLay = new QHBoxLayout;
    fileLay->addWidget(txtSaveFile, 1);
    fileLay->addWidget(btnSaveFile);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(lblSave);
    main->addLayout(fileLay);
    main->addWidget(grpFormat);
    main->addWidget(grpTitle);
    main->addWidget(grpQuotation);
    main->addWidget(chkRefresh);
    main->addStretch();
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    txtSaveFile->setText(qvOption.CSVDir);
    cmbEncoding->setCurrentIndex(std::clamp(qvOption.Encoding, 0, 4));
    cmbLineBreak->setCurrentIndex(std::clamp(qvOption.CSVLineBreak, 0, 1));
    checkRadio(rdoQuotation, qvOption.CSVQuotation);
    checkRadio(rdoTitleIndex, int(qvOption.CSVTitle));
    chkRefresh->setChecked(qvOption.CSVRefresh);

    connect(btnSaveFile, &QToolButton::clicked, this, &TfrmCSVSQL::btnSaveFileClick);
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject); // Esc cancels as well
    centreOnScreen(this);
}

int TfrmCSVSQL::Execute() { return ExecHook() ? ExecHook()(this) : exec(); }

int TfrmCSVSQL::message(const QString& text, int flags) { return showMessage(text, flags); }

void TfrmCSVSQL::btnSaveFileClick()
{
    txtSaveFile->setText(WithoutTrailingSeparator(txtSaveFile->text()));
    const QString path = txtSaveFile->text();
    const QString proposed = FolderOf(path) + QFileInfo(UniqueFileName(path)).fileName();
    const QString chosen = saveDialog(this, proposed, QStringLiteral("CSVファイル(*.csv)|*.csv") + kAllFiles);
    if (chosen.isEmpty())
        return;
    txtSaveFile->setText(WithDefaultExtension(chosen, QStringLiteral(".csv"), {QStringLiteral(".CSV")}));
}

bool TfrmCSVSQL::btnOkClick()
{
    const QString path = txtSaveFile->text();
    const QString error = CheckSavePath(path);
    if (!error.isEmpty()) {
        message(error, MB_ICONWARNING);
        txtSaveFile->setFocus();
        return false;
    }
    if (QFileInfo::exists(path)
        && message(path + QStringLiteral(" はすでに存在します。\r\n上書きしますか？"), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return false;
    qvOption.CSVTitle = TTitleMode(std::max(0, rdoTitleIndex->checkedId()));
    qvOption.CSVRefresh = chkRefresh->isChecked();
    qvOption.CSVQuotation = std::max(0, rdoQuotation->checkedId());
    qvOption.CSVLineBreak = cmbLineBreak->currentIndex();
    qvOption.Encoding = cmbEncoding->currentIndex();
    qvOption.CSVDir = FolderOf(path);
    accept();
    return true;
}

// ---- TfrmXlsSQL -----------------------------------------------------------------------------------

std::function<int(TfrmXlsSQL*)>& TfrmXlsSQL::ExecHook()
{
    static std::function<int(TfrmXlsSQL*)> hook;
    return hook;
}

TfrmXlsSQL::TfrmXlsSQL(bool sqlWindow, QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmXlsSQL"));
    setWindowTitle(QStringLiteral("EXCEL出力(SQL結果)"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    auto* grid = new QGridLayout;
    auto addRow = [&](int row, const QString& label, QWidget* edit, QWidget* button) {
        auto* l = new QLabel(label, this);
        l->setBuddy(edit);
        grid->addWidget(l, row, 0);
        grid->addWidget(edit, row, 1);
        if (button)
            grid->addWidget(button, row, 2);
    };
    txtSaveFile = new TqvStrEdit(this);
    txtSaveFile->setMinimumWidth(360);
    btnSaveFile = fileButton(this);
    txtSheet = new TqvStrEdit(this);
    txtSheet->setMaxLength(xlsx::kMaxSheetNameChars);
    txtFormFile = new TqvStrEdit(this);
    btnFormFile = fileButton(this);
    addRow(0, QStringLiteral("保存ファイル名"), txtSaveFile, btnSaveFile);
    addRow(1, QStringLiteral("シート名"), txtSheet, nullptr);
    addRow(2, QStringLiteral("フォームファイル"), txtFormFile, btnFormFile);

    auto* grpStart = new QGroupBox(QStringLiteral("開始位置"), this);
    cmbColumn = new TqvComboBox(grpStart);
    for (int c = 1; c <= 256; ++c)
        cmbColumn->addItem(xlsx::ColumnName(c));
    cmbColumn->setMaxVisibleItems(20);
    txtRow = new TqvNumEdit(grpStart);
    txtRow->setMaximumWidth(90);
    auto* lblColumn = new QLabel(QStringLiteral("桁"), grpStart);
    lblColumn->setBuddy(cmbColumn);
    auto* lblRow = new QLabel(QStringLiteral("行"), grpStart);
    lblRow->setBuddy(txtRow);
    auto* startLay = new QHBoxLayout(grpStart);
    startLay->addWidget(lblColumn);
    startLay->addWidget(cmbColumn);
    startLay->addSpacing(16);
    startLay->addWidget(lblRow);
    startLay->addWidget(txtRow);
    startLay->addStretch();

    grpExcel = radioGroup(this, QStringLiteral("出力方向"), {QStringLiteral("縦方向"), QStringLiteral("横方向")}, rdoExcel);
    grpTitle = radioGroup(this, QStringLiteral(" 列タイトル出力 "),
                          {QStringLiteral("項目名を使用"), QStringLiteral("コメントを使用"), QStringLiteral("出力しない")},
                          rdoExcelTitle);
    chkRefresh = new TqvCheckBox(QStringLiteral("最新のデータを読み直してから出力する"), this);
    btnOk = new QPushButton(QStringLiteral("開始"), this);
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);

    auto* middle = new QHBoxLayout;
    middle->addWidget(grpStart);
    middle->addWidget(grpExcel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addLayout(middle);
    main->addWidget(grpTitle);
    main->addWidget(chkRefresh);
    main->addStretch();
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    txtSheet->setText(qvOption.ExcelSheet.left(xlsx::kMaxSheetNameChars));
    txtFormFile->setText(qvOption.ExcelForm);
    checkRadio(rdoExcel, qvOption.ExcelMode);
    TTitleMode title = qvOption.ExcelTitle;
    if (sqlWindow) {
        rdoExcelTitle->button(int(tmComment))->setEnabled(false);
        if (title == tmComment)
            title = tmColumnName;
    }
    checkRadio(rdoExcelTitle, int(title));
    chkRefresh->setChecked(qvOption.ExcelRefresh);
    txtRow->setValueInt(qvOption.ExcelTop + 1);
    cmbColumn->setCurrentIndex(std::clamp(qvOption.ExcelLeft, 0, 255));

    connect(btnSaveFile, &QToolButton::clicked, this, &TfrmXlsSQL::btnSaveFileClick);
    connect(btnFormFile, &QToolButton::clicked, this, &TfrmXlsSQL::btnFormFileClick);
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    centreOnScreen(this);
}

int TfrmXlsSQL::Execute() { return ExecHook() ? ExecHook()(this) : exec(); }

int TfrmXlsSQL::message(const QString& text, int flags) { return showMessage(text, flags); }

void TfrmXlsSQL::btnSaveFileClick()
{
    txtSaveFile->setText(WithoutTrailingSeparator(txtSaveFile->text()));
    const QString path = txtSaveFile->text();
    const QString proposed = FolderOf(path) + QFileInfo(UniqueFileName(path)).fileName();
    const QString chosen = saveDialog(this, proposed, QStringLiteral("Excelファイル(*.xlsx)|*.xlsx") + kAllFiles);
    if (chosen.isEmpty())
        return;
    txtSaveFile->setText(WithDefaultExtension(chosen, QStringLiteral(".xlsx"), {QStringLiteral(".XLSX")}));
}

void TfrmXlsSQL::btnFormFileClick()
{
    txtFormFile->setText(WithoutTrailingSeparator(txtFormFile->text()));
    QString chosen;
    const QString filter = QStringLiteral("Excelファイル(*.xlsx)|*.xlsx") + kAllFiles;
    if (ExportDialogHooks::fileDialog())
        chosen = ExportDialogHooks::fileDialog()(QString(), txtFormFile->text(), filter);
    else
        chosen = QFileDialog::getOpenFileName(this, QString(), txtFormFile->text(), toQtFilter(filter));
    if (!chosen.isEmpty())
        txtFormFile->setText(chosen);
}

bool TfrmXlsSQL::btnOkClick()
{
    const int row = txtRow->ValueInt();
    if (row < 1 || row > 65536) {
        message(QStringLiteral("行は 1 ～ 65536 の範囲で指定して下さい。"), MB_ICONWARNING);
        txtRow->setFocus();
        return false;
    }
    static const QString kBad = QStringLiteral(":\\?*[]");
    for (QChar c : txtSheet->text())
        if (kBad.contains(c)) {
            message(QStringLiteral("次の使用できない文字が含まれています。\r\nコロン(:)、円記号(\\)、疑問符(?)、アスタリスク(*)、左角かっこ([)、右角かっこ(]"),
                    MB_ICONWARNING);
            txtSheet->setFocus();
            return false;
        }
    const QString form = txtFormFile->text();
    if (!form.isEmpty() && !QFileInfo::exists(form)) {
        message(form + QStringLiteral(" が存在しません。"), MB_ICONWARNING);
        txtFormFile->setFocus();
        return false;
    }
    const QString path = txtSaveFile->text();
    const QString error = CheckSavePath(path);
    if (!error.isEmpty()) {
        message(error, MB_ICONWARNING);
        txtSaveFile->setFocus();
        return false;
    }
    if (QFileInfo::exists(path)
        && message(path + QStringLiteral(" はすでに存在します。\r\n上書きしますか？"), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return false;
    qvOption.ExcelSheet = txtSheet->text();
    qvOption.ExcelForm = form;
    qvOption.ExcelMode = std::max(0, rdoExcel->checkedId());
    qvOption.ExcelTitle = TTitleMode(std::max(0, rdoExcelTitle->checkedId()));
    qvOption.ExcelRefresh = chkRefresh->isChecked();
    qvOption.ExcelTop = row - 1;
    qvOption.ExcelLeft = cmbColumn->currentIndex();
    accept();
    return true;
}

} // namespace qv
