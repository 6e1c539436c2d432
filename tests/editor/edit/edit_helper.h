#pragma once
#include "editor/view/editor.h"

#include <QKeyEvent>
#include <QString>
#include <memory>

namespace edtest {

inline std::unique_ptr<qv::TEditor> MakeEditor(const QString& text, QSize size = QSize(500, 300))
{
    auto ed = std::make_unique<qv::TEditor>();
    ed->resize(size);
    ed->Lines().SetTextStr(text);
    ed->show();
    return ed;
}

inline QString Text(qv::TEditor& ed) { return ed.Lines().GetTextStr(); }

inline void Key(QWidget& w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString())
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(&w, &e);
}

inline void Type(QWidget& w, const QString& s)
{
    for (QChar c : s)
        Key(w, c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode(), Qt::NoModifier, QString(c));
}

} // namespace edtest
