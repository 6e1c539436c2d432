#pragma once
// The grids' view of the data-access layer: the data set, fields, data source and data link of
// src/platform/db, and the few conversions the grids need.
#include "platform/db/dataset.h"

#include <Qt>

namespace qv {

inline Qt::Alignment ToQtAlignment(db::Alignment a)
{
    switch (a) {
    case db::taRightJustify: return Qt::AlignRight;
    case db::taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

inline db::Alignment FromQtAlignment(Qt::Alignment a)
{
    if (a & Qt::AlignRight)
        return db::taRightJustify;
    if (a & Qt::AlignHCenter)
        return db::taCenter;
    return db::taLeftJustify;
}

// Binary fields cannot be edited as text in a cell.
inline bool IsBinaryField(db::FieldType t)
{
    return t == db::FieldType::Bytes || t == db::FieldType::Blob;
}

} // namespace qv
