#pragma once
// The grids' view of the data-access layer: the data set, fields, data source and data link of
// src/platform/db, and the few conversions the grids need.
#include "platform/db/dataset.h"
#include "platform/db/result_table.h"

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

// How much of a binary large object a cell shows.
inline constexpr qsizetype kBlobShownBytes = 200;

// The text a grid cell and its in-place editor show for a field of the current record: a
// binary large object the text form ("0x…") of its first kBlobShownBytes bytes, every other
// field its display text. Copies and exports take the whole value (Field::AsString).
inline QString GridCellText(const db::Field* f)
{
    if (!f)
        return {};
    if (f->DataType() == db::FieldType::Blob)
        return f->IsNull() ? QString() : db::binaryText(f->AsBytes(), kBlobShownBytes);
    return f->DisplayText();
}

} // namespace qv
