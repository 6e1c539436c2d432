#include "app/options.h"

namespace qv {

TqvOption qvOption;
TqvPrintOption qvPrintOption;
TScriptOption ScriptOption;
TLoadOption LoadOption;
TTrcOption TrcOption;
TCompOption CompOption;
TLockOption LockOption;
TAttachOption AttachOption;
TFormatOption FormatOption;
TMemoOption MemoOption;

QString ListValue(const QStringList& list, const QString& name)
{
    for (const QString& line : list) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

void SetListValue(QStringList& list, const QString& name, const QString& value)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        const qsizetype eq = list[i].indexOf(u'=');
        if (eq >= 0 && QStringView(list[i]).left(eq).compare(name, Qt::CaseInsensitive) == 0) {
            if (value.isEmpty())
                list.removeAt(i);
            else
                list[i] = name + u'=' + value;
            return;
        }
    }
    if (!value.isEmpty())
        list << name + u'=' + value;
}

} // namespace qv
