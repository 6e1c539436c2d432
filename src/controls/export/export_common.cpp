#include "controls/export/export_common.h"

#include "platform/db/dataset.h"
#include "platform/exceptions.h"

#include <QFileInfo>

namespace qv::exporting {

QList<db::Field*> VisibleFields(const db::DataSet& ds)
{
    QList<db::Field*> out;
    for (db::Field* f : ds.Fields())
        if (f->Visible())
            out.append(f);
    return out;
}

QStringList FieldHeadings(const QList<db::Field*>& fields, TTitleMode mode,
                          const QHash<QString, QString>& comments)
{
    QStringList out;
    if (mode == tmNone)
        return out;
    out.reserve(fields.size());
    for (const db::Field* f : fields) {
        QString h;
        if (mode == tmComment)
            h = comments.value(f->FieldName());
        out.append(h.isEmpty() ? f->DisplayName() : h);
    }
    return out;
}

BlockTextWriter::BlockTextWriter(const QString& fileName, const TextEncoding& encoding, bool withMark)
    : m_file(fileName), m_encoding(encoding)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail();
    if (withMark) {
        const QByteArray mark = encoding.preamble();
        if (!mark.isEmpty() && m_file.write(mark) != mark.size())
            fail();
    }
}

BlockTextWriter::~BlockTextWriter()
{
    if (m_file.isOpen())
        m_file.close();
}

void BlockTextWriter::write(QStringView text)
{
    if (text.isEmpty())
        return;
    const QByteArray bytes = m_encoding.encode(text);
    if (m_file.write(bytes) != bytes.size())
        fail();
}

void BlockTextWriter::close()
{
    if (!m_file.isOpen())
        return;
    const bool ok = m_file.flush();
    m_file.close();
    if (!ok || m_file.error() != QFileDevice::NoError)
        fail();
}

void BlockTextWriter::fail()
{
    const QString name = m_file.fileName();
    if (m_file.isOpen())
        m_file.close();
    throw Exception(failureMessage(name));
}

QString BlockTextWriter::failureMessage(const QString& fileName)
{
    return QFileInfo(fileName).fileName()
           + QStringLiteral(" の保存に失敗しました。次のいずれかの理由が考えられます。\r\n"
                            "・ファイル名またはパスが存在しません。\r\n"
                            "・ファイルが他のプログラムによって使用されています。\r\n"
                            "・権限が不足しています。");
}

} // namespace qv::exporting
