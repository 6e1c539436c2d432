#include "controls/export/csv_export.h"

#include "platform/db/dataset.h"
#include "platform/exceptions.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

namespace qv::exporting {

namespace {

// Records per written block, and the characters after which a block is written early (wide
// records).
constexpr qint64 kBlockRecords = 65536;
constexpr qsizetype kBlockChars = qsizetype(1) << 22;
constexpr qint64 kProgressStep = 1024;

} // namespace

void AppendCsvEnclosed(QString& out, QStringView text)
{
    out += QLatin1Char('"');
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('"')) {
            out += text.mid(from, i - from + 1);
            out += QLatin1Char('"');
            from = i + 1;
        }
    }
    out += text.mid(from);
    out += QLatin1Char('"');
}

QString CsvEnclose(QStringView text)
{
    QString out;
    out.reserve(text.size() + 2);
    AppendCsvEnclosed(out, text);
    return out;
}

struct CsvQuoteRule::Impl {
    pcre2_code* code = nullptr;
    pcre2_match_data* match = nullptr;
    ~Impl()
    {
        if (match)
            pcre2_match_data_free(match);
        if (code)
            pcre2_code_free(code);
    }
};

CsvQuoteRule::CsvQuoteRule() : d(std::make_unique<Impl>())
{
    // One character class: comma, double quote, \s, U+3000, CR, LF. Letter case matters.
    static const char16_t kPattern[] = u"[,\"\\s\\x{3000}\\r\\n]";
    int error = 0;
    PCRE2_SIZE offset = 0;
    d->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(kPattern), PCRE2_ZERO_TERMINATED, PCRE2_UTF,
                            &error, &offset, nullptr);
    if (!d->code)
        throw Exception(QStringLiteral("CSV quoting pattern: PCRE2 error %1").arg(error));
    pcre2_jit_compile(d->code, PCRE2_JIT_COMPLETE); // falls back to the interpreter when absent
    d->match = pcre2_match_data_create_from_pattern(d->code, nullptr);
}

CsvQuoteRule::~CsvQuoteRule() = default;

bool CsvQuoteRule::needsQuotes(QStringView value) const
{
    if (value.isEmpty())
        return false;
    // Values are not checked for UTF-16 validity: a lone surrogate from the server must not
    // stop the export.
    const int rc = pcre2_match(d->code, reinterpret_cast<PCRE2_SPTR>(value.utf16()),
                               static_cast<PCRE2_SIZE>(value.size()), 0, PCRE2_NO_UTF_CHECK, d->match,
                               nullptr);
    return rc >= 0;
}

bool IsCsvCharacterType(db::FieldType t)
{
    using db::FieldType;
    switch (t) {
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::FixedChar:
    case FieldType::FixedWideChar:
    case FieldType::Memo:
    case FieldType::WideMemo:
    case FieldType::Guid:
        return true;
    default:
        return false;
    }
}

bool IsCsvEmptyType(db::FieldType t)
{
    return t == db::FieldType::Bytes || t == db::FieldType::Blob;
}

ExportOutcome ExportCsv(db::DataSet& ds, const QString& fileName, const CsvOptions& options,
                        const QStringList& headings, const StopCheck& stop, const ProgressFn& progress)
{
    ExportOutcome outcome;
    const QList<db::Field*> fields = VisibleFields(ds);
    const QString lineEnd = options.lineBreak == 1 ? QStringLiteral("\n") : QStringLiteral("\r\n");
    const TextEncoding& encoding = TextEncoding::fromOption(options.encoding);
    // UTF-16 files carry their mark; a UTF-8 CSV file starts with its first character.
    const bool mark = encoding.kind() == TextEncoding::Utf16LE || encoding.kind() == TextEncoding::Utf16BE;

    CsvQuoteRule rule;
    struct Col {
        db::Field* field;
        bool empty;
        bool enclose;  // always enclosed
        bool test;     // enclosed when the rule says so
    };
    std::vector<Col> cols;
    for (db::Field* f : fields) {
        const db::FieldType t = f->DataType();
        cols.push_back({f, IsCsvEmptyType(t), options.quotation == 0 || (options.quotation == 1 && IsCsvCharacterType(t)),
                        options.quotation == 2});
    }

    // One buffer for every block: emptied, not freed, after each write.
    QString buffer;
    buffer.reserve(kBlockChars + 4096);
    if (!headings.isEmpty()) {
        for (qsizetype i = 0; i < headings.size(); ++i) {
            if (i > 0)
                buffer += QLatin1Char(',');
            AppendCsvEnclosed(buffer, headings.at(i));
        }
        buffer += lineEnd;
    }

    ds.DisableControls();
    try {
        BlockTextWriter writer(fileName, encoding, mark);
        ds.Last();
        ds.First();
        outcome.total = ds.RecordCount();
        if (progress)
            progress(0, outcome.total);
        qint64 n = 0;
        for (;;) {
            const bool atEnd = ds.Eof();
            const bool esc = !atEnd && stop && stop();
            if (n % kBlockRecords == 0 || atEnd || esc || buffer.size() >= kBlockChars) {
                writer.write(buffer);
                buffer.resize(0);
                if (atEnd || esc) {
                    outcome.stopped = esc;
                    break;
                }
            }
            if (progress && n % kProgressStep == 0)
                progress(n, outcome.total);
            for (size_t i = 0; i < cols.size(); ++i) {
                if (i > 0)
                    buffer += QLatin1Char(',');
                const Col& c = cols[i];
                const QString text = c.empty ? QString() : c.field->AsString();
                if (c.enclose || (c.test && rule.needsQuotes(text)))
                    AppendCsvEnclosed(buffer, text);
                else
                    buffer += text;
            }
            buffer += lineEnd;
            ds.Next();
            ++n;
        }
        writer.close();
        outcome.records = n;
        if (progress)
            progress(n, outcome.total);
    } catch (...) {
        ds.EnableControls();
        throw;
    }
    ds.EnableControls();
    return outcome;
}

} // namespace qv::exporting
