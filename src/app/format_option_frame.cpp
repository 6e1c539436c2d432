#include "app/format_option_frame.h"

#include "app/sqlformat/sql_formatter.h"
#include "controls/print/print_text.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#define S QStringLiteral

namespace qv {

const QString SampleSQL = S("/* 表示サンプル */\r\nBEGIN SELECT S01.COL01, S01.COL02 FROM SAMPLE01 S01, SMAPLE02 S02 WHERE "
                            "S01.COL01 = S02.COL1 AND S01.COL2 IS NOT NULL GROUP BY COL1 HAVING COL1 > 1 AND COL2 IS "
                            "NOT NULL ORDER BY COL1, COL2 DESC; END;");

namespace {

struct Field {
    const char* key;
    int TFormatOption::*member;
};

const Field kFields[] = {
    {"ItemReturn", &TFormatOption::ItemReturn}, {"ReservePos", &TFormatOption::ReservePos},
    {"CommaPos", &TFormatOption::CommaPos},     {"AndPos", &TFormatOption::AndPos},
    {"ReserveTrans", &TFormatOption::ReserveTrans}, {"ItemTrans", &TFormatOption::ItemTrans},
};

} // namespace

TfraFormatOption::TfraFormatOption(QWidget* parent) : QWidget(parent)
{
    auto* l = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    l->addLayout(left);
    auto* indentRow = new QHBoxLayout;
    indentRow->addWidget(new QLabel(S("インデント")));
    txtIndent = new QLineEdit;
    txtIndent->setMaxLength(2);
    txtIndent->setValidator(new QIntValidator(0, 99, txtIndent));
    txtIndent->setMaximumWidth(50);
    indentRow->addWidget(txtIndent);
    indentRow->addStretch();
    left->addLayout(indentRow);
    const QStringList pos = {S("行頭"), S("行末")};
    const QStringList trans = {S("大文字"), S("小文字"), S("変更しない")};
    const std::pair<const char*, QStringList> groups[] = {
        {"項目の改行", {S("1行ずつ"), S("なし")}},
        {"予約語の位置", {S("右揃え"), S("左揃え")}},
        {"カンマの位置", pos},
        {"AND(OR)の位置", pos},
        {"予約語の変換", trans},
        {"項目の変換", trans},
    };
    for (int g = 0; g < 6; ++g) {
        auto* box = new QGroupBox(QString::fromUtf8(groups[g].first));
        auto* gl = new QHBoxLayout(box);
        auto* bg = new QButtonGroup(box);
        const QStringList& items = groups[g].second;
        for (int i = 0; i < items.size(); ++i) {
            auto* b = new QRadioButton(items[i]);
            bg->addButton(b, i);
            gl->addWidget(b);
        }
        gl->addStretch();
        left->addWidget(box);
        radios.insert(QString::fromLatin1(kFields[g].key), bg);
        connect(bg, &QButtonGroup::idClicked, this, [this] { refreshSample(); });
    }
    left->addStretch();
    connect(txtIndent, &QLineEdit::textEdited, this, [this] { refreshSample(); });
    txtFormat = new QPlainTextEdit;
    txtFormat->setReadOnly(true);
    txtFormat->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtFormat->setFont(QFont(ResolvePrintFontFamily(DefaultFontName)));
    txtFormat->setMinimumWidth(280);
    l->addWidget(txtFormat, 1);
}

void TfraFormatOption::Load(const TFormatOption& options)
{
    txtIndent->setText(QString::number(options.Indent));
    for (const Field& f : kFields)
        if (QAbstractButton* b = radios.value(QString::fromLatin1(f.key))->button(options.*f.member))
            b->setChecked(true);
    refreshSample();
}

void TfraFormatOption::Store(TFormatOption& options) const
{
    options.Indent = txtIndent->text().toInt();
    for (const Field& f : kFields) {
        const int v = radios.value(QString::fromLatin1(f.key))->checkedId();
        if (v >= 0)
            options.*f.member = v;
    }
}

TFormatOption TfraFormatOption::Current() const
{
    TFormatOption f;
    f.Indent = txtIndent->text().toInt();
    for (const Field& field : kFields)
        f.*field.member = qMax(0, radios.value(QString::fromLatin1(field.key))->checkedId());
    return f;
}

void TfraFormatOption::refreshSample()
{
    const TFormatOption f = Current();
    QString out;
    try {
        out = FormatSQLText(SampleSQL, f);
    } catch (const std::exception&) {
        out = SampleSQL;
    }
    txtFormat->setPlainText(out);
    // Comma and AND placement only mean something with one item per line.
    const bool perLine = f.ItemReturn == 0;
    for (const char* k : {"CommaPos", "AndPos"})
        for (QAbstractButton* b : radios.value(QString::fromLatin1(k))->buttons())
            b->parentWidget()->setEnabled(perLine);
}

} // namespace qv
