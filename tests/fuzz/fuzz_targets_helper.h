#pragma once
// Bodies of the fuzz targets of the SQL text engine, shared by the libFuzzer entry points and the
// fixed-seed smoke run of the normal test suite. Each returns an empty text when the run kept
// every invariant, else a description of the broken one. A crash, hang or stack overflow is a
// failure of its own.
#include <QByteArray>
#include <QString>

namespace qvfuzz {

// Turns fuzzer bytes into text: pairs of bytes as UTF-16 code units (so NUL and lone surrogates
// occur), an odd last byte as one more Latin-1 character.
QString TextFromBytes(const QByteArray& bytes);

QString FuzzStripComments(const QString& text);
QString FuzzParser(const QString& text);
QString FuzzBatchSplitter(const QString& text);
QString FuzzFormatter(const QString& text); // fuzz_formatter_helper.cpp

} // namespace qvfuzz
