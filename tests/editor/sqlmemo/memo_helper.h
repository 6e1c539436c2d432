#pragma once
#include "editor/sqlmemo/qvmemo.h"

#include <QKeyEvent>
#include <memory>

namespace memotest {

inline std::unique_ptr<qv::TqvMemo> MakeMemo(const QString& text, QWidget* parent = nullptr)
{
    auto ed = std::make_unique<qv::TqvMemo>(parent);
    ed->resize(500, 300);
    ed->Lines().SetTextStr(text);
    ed->show();
    return ed;
}

inline void Key(QWidget& w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString(),
                quint32 scan = 0)
{
    QKeyEvent e(QEvent::KeyPress, key, mods, scan, 0, 0, text);
    QCoreApplication::sendEvent(&w, &e);
}

} // namespace memotest
