#include "app/settings.h"

#include "app/editor_settings.h"
#include "app/globals.h"
#include "app/options.h"
#include "app/reserved_words.h"
#include "app/scrambler.h"
#include "platform/registry.h"

#include <QAction>
#include <QHash>
#include <QPointer>
#include <functional>

namespace qv {

namespace {

// ---- record fields --------------------------------------------------------------------------

template <class R>
struct Field {
    template <class T>
    Field(const char* n, T R::*m, bool st = true) : name(n), stored(st)
    {
        read = [m](const TqvRegistry& reg, R& rec, const R& defaults, const QString& name) {
            if constexpr (std::is_same_v<T, bool>)
                rec.*m = reg.GetBool(name, defaults.*m);
            else if constexpr (std::is_same_v<T, QString>)
                rec.*m = reg.GetString(name, defaults.*m);
            else
                rec.*m = T(reg.GetInteger(name, int(defaults.*m)));
        };
        write = [m](TqvRegistry& reg, const R& rec, const QString& name) {
            if constexpr (std::is_same_v<T, bool>)
                reg.WriteBool(name, rec.*m);
            else if constexpr (std::is_same_v<T, QString>)
                reg.WriteString(name, rec.*m);
            else
                reg.WriteInteger(name, int(rec.*m));
        };
    }

    const char* name;
    bool stored = true; // false: read only, never written back
    std::function<void(const TqvRegistry&, R&, const R&, const QString&)> read;
    std::function<void(TqvRegistry&, const R&, const QString&)> write;
};

template <class R>
void readFields(const TqvRegistry& reg, R& rec, const R& defaults, const QList<Field<R>>& fields)
{
    for (const Field<R>& f : fields)
        f.read(reg, rec, defaults, QString::fromLatin1(f.name));
}

template <class R>
void writeFields(TqvRegistry& reg, const R& rec, const QList<Field<R>>& fields)
{
    for (const Field<R>& f : fields)
        if (f.stored)
            f.write(reg, rec, QString::fromLatin1(f.name));
}

using O = TqvOption;
const QList<Field<O>>& optionFields()
{
    static const QList<Field<O>> f = {
        {"TreeSort", &O::TreeSort},
        {"ShowLevel0", &O::ShowLevel0},
        {"ShowLevel1", &O::ShowLevel1},
        {"TypeTable", &O::ShowTable},
        {"TypeIndex", &O::ShowIndex},
        {"TypeView", &O::ShowView},
        {"TypeProc", &O::ShowProc},
        {"TypeFunc", &O::ShowFunc},
        {"TypeTrigger", &O::ShowTrigger},
        {"TypeSeq", &O::ShowSeq},
        {"TypeSynonym", &O::ShowSynonym},
        {"TypeConst", &O::ShowConst},
        {"OpenMode", &O::OpenMode},
        {"UserFirst", &O::UserFirst},
        {"TreeData", &O::TreeData},
        {"Progress", &O::Progress},
        {"RowSelect", &O::RowSelect},
        {"DelErr", &O::DelErr},
        {"Find", &O::Find},
        {"FindAuto", &O::FindAuto},
        {"DefaultAutoQuote", &O::DefaultAutoQuote},
        {"ShowSysObj", &O::ShowSysObj},
        {"ShowDDL", &O::ShowDDL},
        {"CloseDDL", &O::CloseDDL},
        {"BackupData", &O::BackupData},
        {"PurgeTable", &O::PurgeTable},
        {"ShowStorageSource", &O::ShowStorageSource},
        {"ShowColumnSource", &O::ShowColumnSource},
        {"SaveBeforeSource", &O::SaveBeforeSrc},
        {"SaveBeforeSrcDialog", &O::SaveBeforeSrcDialog},
        {"SaveBeforeSrcRenum", &O::SaveBeforeSrcRenum},
        {"SaveBeforeSrcHead", &O::SaveBeforeSrcHead},
        {"SaveBeforeSrcDir", &O::SaveBeforeSrcDir},
        {"SaveAfterSource", &O::SaveAfterSrc},
        {"SaveAfterSrcDialog", &O::SaveAfterSrcDialog},
        {"SaveAfterSrcRenum", &O::SaveAfterSrcRenum},
        {"SaveAfterSrcHead", &O::SaveAfterSrcHead},
        {"SaveAfterSrcDir", &O::SaveAfterSrcDir},
        {"ShowFragment", &O::ShowFragment},
        {"DataFontSize", &O::DataFontSize},
        {"DataFontName", &O::DataFontName},
        {"DataShowMode", &O::DataShowMode},
        {"DataColWidthV", &O::DataColWidthV},
        {"DataColWidthH", &O::DataColWidthH},
        {"Draw100ColOver", &O::Draw100ColOver},
        {"ShowWhereGrid", &O::ShowWhereGrid},
        {"WhereAutoQuote", &O::WhereAutoQuote},
        {"ShowNull", &O::ShowNull},
        {"DefTopRecord", &O::DefTopRecord},
        {"DateFormat", &O::DateFormat},
        {"TimeFormat", &O::TimeFormat},
        {"AddStripe", &O::AddStripe},
        {"CurrecyInNumericFormat", &O::CurrecyInNumericFormat},
        {"SQLBuf", &O::SQLBuf},
        {"UsePartial", &O::UsePartial},
        {"DiagramFontSize", &O::DiagramFontSize},
        {"DiagramFontName", &O::DiagramFontName},
        {"GridFontSize", &O::GridFontSize},
        {"GridFontName", &O::GridFontName},
        {"PasteTitle", &O::PasteTitle},
        {"PasteColumn", &O::PasteColumn},
        {"PasteDialog", &O::PasteDialog},
        {"FileDir", &O::FileDir},
        {"ExcelDir", &O::ExcelDir},
        {"ScrExecDir", &O::ScrExecDir},
        {"ExcelSheet", &O::ExcelSheet},
        {"ExcelForm", &O::ExcelForm},
        {"ExcelTop", &O::ExcelTop},
        {"ExcelLeft", &O::ExcelLeft},
        {"ExcelFormMatrix", &O::ExcelFormMatrix},
        {"ExcelMatrixRow", &O::ExcelMatrixRow},
        {"ExcelMatrixCol", &O::ExcelMatrixCol},
        {"ExcelTitle", &O::ExcelTitle},
        {"ExcelMode", &O::ExcelMode},
        {"ExcelRefresh", &O::ExcelRefresh},
        {"ExcelDialog", &O::ExcelDialog},
        {"CSVLineBreak", &O::CSVLineBreak},
        {"CSVQuotation", &O::CSVQuotation},
        {"CSVRefresh", &O::CSVRefresh},
        {"CSVTitle", &O::CSVTitle},
        {"CSVDir", &O::CSVDir},
        {"CrossLevel", &O::CrossLevel},
        {"DataGenCommit", &O::DataGenCommit},
        {"UpdateMode", &O::UpdateMode},
        {"ScriptErrStop", &O::ScriptErrStop},
        {"ScriptCompDel", &O::ScriptCompDel},
        {"UserLowerName", &O::UseLowerName},
        {"AutoTran", &O::AutoTran},
        {"CodeAssist", &O::CodeAssist},
        {"TempDir", &O::TempDir},
        {"ExcelExt", &O::ExcelExt, false},
        {"IdxReorganize", &O::IdxReorganize},
        {"IdxRebuild", &O::IdxRebuild},
        {"Encoding", &O::Encoding},
        {"DTS_EXE", &O::DTS_EXE},
        {"SPF_EXE", &O::SPF_EXE},
        {"MS_EXE", &O::MS_EXE},
        {"MS_Cooperation", &O::MS_Cooperation},
        {"SleepTime", &O::SleepTime},
        {"CheckInternet", &O::CheckInternet},
        {"RetryCnt", &O::RetryCnt},
        {"LoginTimeout", &O::LoginTimeout},
        {"QueryTimeout", &O::QueryTimeout},
    };
    return f;
}

using P = TqvPrintOption;
const QList<Field<P>> printFields = {
    {"Orientation", &P::Orientation},   {"LeftMargin", &P::MMLeftMargin},     {"TopMargin", &P::MMTopMargin},
    {"RightMargin", &P::MMRightMargin}, {"BottomMargin", &P::MMBottomMargin}, {"FontName", &P::FontName},
    {"FontSize", &P::FontSize},
};

using S = TScriptOption;
const QList<Field<S>> scriptFieldsBeforeNameTable = {
    {"OneScript", &S::OneScript}, {"SubDir", &S::Dir}, {"SameName", &S::SameName}, {"Path", &S::Path}};
const QList<Field<S>> scriptFieldsAfterNameTable = {
    {"Database", &S::Database},     {"Schema", &S::Owner},     {"Index", &S::Index},         {"Insert", &S::Insert},
    {"InsertMode", &S::InsertMode}, {"FileGroup", &S::Filegroup}, {"ViewCol", &S::ViewCol}, {"Grant", &S::Grant},
    {"GrantMode", &S::GrantMode},   {"NullLine", &S::NullLine}, {"Drop", &S::Drop},         {"MaskOutput", &S::MaskOutput},
};

using L = TLoadOption;
const QList<Field<L>> loadFieldsBeforePass = {
    {"SaveDir", &L::SaveDir}, {"WriteCtlFile", &L::WriteCtlFile}, {"WriteDataFile", &L::WriteDataFile},
    {"LogFile", &L::LogFile}, {"BadFile", &L::BadFile},           {"Windows", &L::Windows},
    {"UserID", &L::UserID},
};
const QList<Field<L>> loadFieldsAfterPass = {
    {"FirstRow", &L::FirstRow}, {"LastRow", &L::LastRow},       {"Errors", &L::Errors},
    {"Rows", &L::Rows},         {"BindSize", &L::BindSize},     {"Quoted", &L::Quoted},
    {"Background", &L::Background}, {"Loader", &L::Loader},
};

using C = TCompOption;
const QList<Field<C>> compFields = {{"Equrl", &C::Equrl}, {"NotEqurl", &C::NotEqurl}, {"Only1", &C::Only1}, {"Only2", &C::Only2}};

using K = TLockOption;
const QList<Field<K>> lockFields = {{"ShowSysObj", &K::ShowSysObj}};

using F = TFormatOption;
const QList<Field<F>> formatFields = {
    {"Indent", &F::Indent},         {"ItemReturn", &F::ItemReturn},     {"ReservePos", &F::ReservePos},
    {"CommaPos", &F::CommaPos},     {"AndPos", &F::AndPos},             {"ReserveTrans", &F::ReserveTrans},
    {"ItemTrans", &F::ItemTrans},
};

using M = TMemoOption;
const QList<Field<M>> memoFields = {
    {"CodeAssistCallOfDot", &M::CodeAssistCallOfDot},
    {"CodeAssistDelayShow", &M::CodeAssistDelayShow},
    {"CodeAssistDelayTime", &M::CodeAssistDelayTime},
    {"ShowToolPalette", &M::ShowToolPalette},
};

// The defaults that depend on the folders of this run.
TqvOption defaultOption()
{
    TqvOption o;
    o.SaveBeforeSrcDir = DataDir();
    o.SaveAfterSrcDir = DataDir();
    o.FileDir = DocumentsDir();
    o.ExcelDir = DocumentsDir();
    o.CSVDir = DocumentsDir();
    o.ExcelFormMatrix = DataDir() + QStringLiteral("xlsdef/qvmatrix.xls");
    o.TempDir = DataDir() + QStringLiteral("temp/");
    return o;
}

QString key(const char* sub) { return SettingsRootKey + u'\\' + QLatin1String(sub); }

// String lists are stored as one text value, every line followed by CR LF.
QString joinLines(const QStringList& lines)
{
    QString s;
    for (const QString& l : lines)
        s += l + QStringLiteral("\r\n");
    return s;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start);
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

// ---- shortcuts ------------------------------------------------------------------------------

QPointer<QObject>& actionOwner()
{
    static QPointer<QObject> owner;
    return owner;
}

QHash<QString, QString>& shortcutMemory()
{
    static QHash<QString, QString> memory;
    return memory;
}

QAction* findAction(const char* name)
{
    QObject* owner = actionOwner();
    return owner ? owner->findChild<QAction*>(QLatin1String(name)) : nullptr;
}

// ---- editor settings ------------------------------------------------------------------------

void readColorEntry(const TqvRegistry& reg, const QString& kind, EditorColorEntry& e, const EditorColorEntry& def)
{
    e.Visible = reg.GetBool(kind + QStringLiteral("Visible"), def.Visible);
    e.Color = TColor(reg.GetInteger(kind + QStringLiteral("Color"), int(def.Color)));
    e.BkColor = TColor(reg.GetInteger(kind + QStringLiteral("BkColor"), int(def.BkColor)));
    e.Bold = reg.GetBool(kind + QStringLiteral("Bold"), def.Bold);
    e.Underline = reg.GetBool(kind + QStringLiteral("ULine"), def.Underline);
}

void writeColorEntry(TqvRegistry& reg, const QString& kind, const EditorColorEntry& e)
{
    reg.WriteBool(kind + QStringLiteral("Visible"), e.Visible);
    reg.WriteInteger(kind + QStringLiteral("Color"), int(e.Color));
    reg.WriteInteger(kind + QStringLiteral("BkColor"), int(e.BkColor));
    reg.WriteBool(kind + QStringLiteral("Bold"), e.Bold);
    reg.WriteBool(kind + QStringLiteral("ULine"), e.Underline);
}

struct MarkRef {
    const char* name;
    EditorMark EditorPropertySet::MarkSettings::*mark;
};
const MarkRef kMarks[] = {
    {"EOF", &EditorPropertySet::MarkSettings::EofMark},     {"CR", &EditorPropertySet::MarkSettings::RetMark},
    {"UL", &EditorPropertySet::MarkSettings::Underline},    {"TAB", &EditorPropertySet::MarkSettings::TabMark},
    {"SemiSpace", &EditorPropertySet::MarkSettings::SemiSpaceMark}, {"Space", &EditorPropertySet::MarkSettings::SpaceMark},
};

struct ColorRef {
    const char* name;
    EditorColorEntry EditorPropertySet::ViewSettings::ColorSet::*entry;
};
using VC = EditorPropertySet::ViewSettings::ColorSet;
const ColorRef kColors[] = {
    {"Comment", &VC::Comment}, {"Str", &VC::Str},       {"Symbol", &VC::Symbol}, {"Int", &VC::Int},
    {"Reserve", &VC::Reserve}, {"Hit", &VC::Hit},       {"Select", &VC::Select},
};

void loadEditor(TqvRegistry& reg)
{
    const QString editorKey = key("EDITOR");
    // Editor settings of an older layout are dropped whole, with the histories below them.
    if (reg.OpenKey(editorKey, true)) {
        const bool current = reg.ValueExists(QStringLiteral("CodeAssistCallOfDot"));
        reg.CloseKey();
        if (!current && reg.OpenKey(SettingsRootKey, false)) {
            reg.DeleteKey(QStringLiteral("EDITOR"));
            reg.CloseKey();
        }
    }
    reg.OpenKey(editorKey, true);
    const EditorPropertySet d; // the designed values
    EditorPropertySet& p = prpEditor;

    p.SetReserveWordList(ReserveWordList);
    p.Font.Name = reg.GetString(QStringLiteral("FontName"), d.Font.Name);
    p.Font.Size = reg.GetInteger(QStringLiteral("FontSize"), d.Font.Size);
    p.Font.FixedPitch = true;
    p.Font.Color = TColor(reg.GetInteger(QStringLiteral("FontColor"), int(d.Font.Color)));
    p.SetMargin(reg.GetInteger(QStringLiteral("MarginTop"), d.Margin.Top), reg.GetInteger(QStringLiteral("MarginLeft"), d.Margin.Left),
                reg.GetInteger(QStringLiteral("MarginChar"), d.Margin.Character),
                reg.GetInteger(QStringLiteral("MarginLine"), d.Margin.Line));
    p.Color = TColor(reg.GetInteger(QStringLiteral("Color"), int(d.Color)));
    p.Imagebar = EditorPropertySet::ImagebarSettings{};
    p.Leftbar.Visible = reg.GetBool(QStringLiteral("LBarVisible"), d.Leftbar.Visible);
    p.Leftbar.ZeroBase = reg.GetBool(QStringLiteral("LBarZeroBase"), d.Leftbar.ZeroBase);
    p.Leftbar.ZeroLead = reg.GetBool(QStringLiteral("LBarZeroLead"), d.Leftbar.ZeroLead);
    p.Leftbar.Color = TColor(reg.GetInteger(QStringLiteral("LBarColor"), int(d.Leftbar.Color)));
    p.Leftbar.BkColor = TColor(reg.GetInteger(QStringLiteral("LBarBkColor"), int(d.Leftbar.BkColor)));
    p.Leftbar.NumberMode = EditorPropertySet::nmLine;
    p.Leftbar.LeftMargin = 2;
    p.Leftbar.RightMargin = 2;
    p.Leftbar.Column = 4;
    p.Ruler.Visible = reg.GetBool(QStringLiteral("RulerVisible"), d.Ruler.Visible);
    p.Ruler.Color = TColor(reg.GetInteger(QStringLiteral("RulerColor"), int(d.Ruler.Color)));
    p.Ruler.BkColor = TColor(reg.GetInteger(QStringLiteral("RulerBkColor"), int(d.Ruler.BkColor)));
    p.Ruler.MarkColor = TColor(reg.GetInteger(QStringLiteral("RulerMarkColor"), int(d.Ruler.MarkColor)));
    p.SetGaugeRange(reg.GetInteger(QStringLiteral("RulerSize"), d.Ruler.GaugeRange));
    p.ScrollBarsBoth = true;
    p.Caret.AutoCursor = true;
    p.Caret.AutoIndent = reg.GetBool(QStringLiteral("AutoIndent"), d.Caret.AutoIndent);
    p.Caret.BackSpaceUnIndent = reg.GetBool(QStringLiteral("BackSpaceUnIndent"), d.Caret.BackSpaceUnIndent);
    p.Caret.FreeCaret = reg.GetBool(QStringLiteral("FreeCaret"), d.Caret.FreeCaret);
    p.Caret.InTab = reg.GetBool(QStringLiteral("InTab"), d.Caret.InTab);
    p.Caret.NextLine = reg.GetBool(QStringLiteral("NextLine"), d.Caret.NextLine);
    p.Caret.TabIndent = reg.GetBool(QStringLiteral("TabIndent"), d.Caret.TabIndent);
    p.Caret.SoftTab = reg.GetBool(QStringLiteral("SoftTab"), d.Caret.SoftTab);
    p.SetTabSpaceCount(reg.GetInteger(QStringLiteral("TabSize"), d.Caret.TabSpaceCount));
    p.Caret.SelMove = reg.GetBool(QStringLiteral("SelMove"), d.Caret.SelMove);
    p.Caret.LockScroll = false;
    p.Caret.KeepCaret = true;
    for (const MarkRef& m : kMarks) {
        const QString n = QLatin1String(m.name);
        (p.Marks.*m.mark).Color = TColor(reg.GetInteger(n + QStringLiteral("Color"), int((d.Marks.*m.mark).Color)));
        (p.Marks.*m.mark).Visible = reg.GetBool(n + QStringLiteral("Visible"), (d.Marks.*m.mark).Visible);
    }
    p.View.Commenter = QStringLiteral("--");
    p.View.Quotation = QStringLiteral("'");
    p.View.DoubleQuotation = QStringLiteral("'");
    for (const ColorRef& c : kColors) {
        readColorEntry(reg, QLatin1String(c.name), p.View.Colors.*c.entry, d.View.Colors.*c.entry);
        if (c.entry == &VC::Comment) {
            // Block comments are highlighted like line comments.
            if (p.View.Brackets.isEmpty())
                p.View.Brackets.append(EditorBracket{});
            EditorBracket& b = p.View.Brackets.first();
            b.LeftBracket = QStringLiteral("/*");
            b.RightBracket = QStringLiteral("*/");
            b.Color = p.View.Colors.Comment.Color;
            b.BkColor = p.View.Colors.Comment.BkColor;
        }
    }
    p.WordWrap = reg.GetBool(QStringLiteral("WordWrap"), d.WordWrap);
    p.SetWrapByte(reg.GetInteger(QStringLiteral("WrapByte"), d.WrapByte()));
    readFields(reg, MemoOption, TMemoOption{}, memoFields);
    reg.CloseKey();
}

void saveEditor(TqvRegistry& reg)
{
    if (!reg.OpenKey(key("EDITOR"), true))
        throw ERegistryException(QStringLiteral("Cannot open the EDITOR settings"));
    const EditorPropertySet& p = prpEditor;
    reg.WriteString(QStringLiteral("FontName"), p.Font.Name);
    reg.WriteInteger(QStringLiteral("FontSize"), p.Font.Size);
    reg.WriteInteger(QStringLiteral("FontColor"), int(p.Font.Color));
    reg.WriteInteger(QStringLiteral("Color"), int(p.Color));
    reg.WriteInteger(QStringLiteral("MarginTop"), p.Margin.Top);
    reg.WriteInteger(QStringLiteral("MarginLeft"), p.Margin.Left);
    reg.WriteInteger(QStringLiteral("MarginChar"), p.Margin.Character);
    reg.WriteInteger(QStringLiteral("MarginLine"), p.Margin.Line);
    reg.WriteBool(QStringLiteral("LBarVisible"), p.Leftbar.Visible);
    reg.WriteBool(QStringLiteral("LBarZeroBase"), p.Leftbar.ZeroBase);
    reg.WriteBool(QStringLiteral("LBarZeroLead"), p.Leftbar.ZeroLead);
    reg.WriteInteger(QStringLiteral("LBarColor"), int(p.Leftbar.Color));
    reg.WriteInteger(QStringLiteral("LBarBkColor"), int(p.Leftbar.BkColor));
    reg.WriteBool(QStringLiteral("RulerVisible"), p.Ruler.Visible);
    reg.WriteInteger(QStringLiteral("RulerColor"), int(p.Ruler.Color));
    reg.WriteInteger(QStringLiteral("RulerBkColor"), int(p.Ruler.BkColor));
    reg.WriteInteger(QStringLiteral("RulerMarkColor"), int(p.Ruler.MarkColor));
    reg.WriteInteger(QStringLiteral("RulerSize"), p.Ruler.GaugeRange);
    reg.WriteBool(QStringLiteral("AutoIndent"), p.Caret.AutoIndent);
    reg.WriteBool(QStringLiteral("BackSpaceUnIndent"), p.Caret.BackSpaceUnIndent);
    reg.WriteBool(QStringLiteral("FreeCaret"), p.Caret.FreeCaret);
    reg.WriteBool(QStringLiteral("InTab"), p.Caret.InTab);
    reg.WriteBool(QStringLiteral("NextLine"), p.Caret.NextLine);
    reg.WriteBool(QStringLiteral("TabIndent"), p.Caret.TabIndent);
    reg.WriteBool(QStringLiteral("SoftTab"), p.Caret.SoftTab);
    reg.WriteInteger(QStringLiteral("TabSize"), p.Caret.TabSpaceCount);
    reg.WriteBool(QStringLiteral("SelMove"), p.Caret.SelMove);
    for (const MarkRef& m : kMarks)
        reg.WriteInteger(QLatin1String(m.name) + QStringLiteral("Color"), int((p.Marks.*m.mark).Color));
    for (const MarkRef& m : kMarks)
        reg.WriteBool(QLatin1String(m.name) + QStringLiteral("Visible"), (p.Marks.*m.mark).Visible);
    for (const ColorRef& c : kColors)
        writeColorEntry(reg, QLatin1String(c.name), p.View.Colors.*c.entry);
    reg.WriteBool(QStringLiteral("WordWrap"), p.WordWrap);
    reg.WriteInteger(QStringLiteral("WrapByte"), p.WrapByte());
    writeFields(reg, MemoOption, memoFields);
    reg.CloseKey();
}

void requireOpen(TqvRegistry& reg, const char* sub)
{
    const QString path = sub ? key(sub) : SettingsRootKey;
    if (!reg.OpenKey(path, true))
        throw ERegistryException(QStringLiteral("Cannot open the settings key %1").arg(path));
}

} // namespace

// ---- shortcut text --------------------------------------------------------------------------

namespace {
struct KeyName {
    Qt::Key key;
    const char* name;
};
const KeyName kKeyNames[] = {
    {Qt::Key_Backspace, "BkSp"}, {Qt::Key_Tab, "Tab"},     {Qt::Key_Escape, "Esc"},   {Qt::Key_Return, "Enter"},
    {Qt::Key_Enter, "Enter"},    {Qt::Key_Space, "Space"}, {Qt::Key_PageUp, "PgUp"},  {Qt::Key_PageDown, "PgDn"},
    {Qt::Key_End, "End"},        {Qt::Key_Home, "Home"},   {Qt::Key_Left, "Left"},    {Qt::Key_Up, "Up"},
    {Qt::Key_Right, "Right"},    {Qt::Key_Down, "Down"},   {Qt::Key_Insert, "Ins"},   {Qt::Key_Delete, "Del"},
};
} // namespace

QString ShortCutToText(const QKeySequence& shortcut)
{
    if (shortcut.isEmpty())
        return QString();
    const QKeyCombination combo = shortcut[0];
    const Qt::Key k = combo.key();
    QString name;
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9)) {
        name = QChar(char16_t(k));
    } else if (k >= Qt::Key_F1 && k <= Qt::Key_F35) {
        name = QStringLiteral("F%1").arg(int(k - Qt::Key_F1) + 1);
    } else {
        for (const KeyName& kn : kKeyNames)
            if (kn.key == k) {
                name = QLatin1String(kn.name);
                break;
            }
        if (name.isEmpty())
            name = QKeySequence(k).toString(QKeySequence::PortableText);
    }
    if (name.isEmpty())
        return QString();
    QString text;
    const Qt::KeyboardModifiers mods = combo.keyboardModifiers();
    if (mods & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    if (mods & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    if (mods & Qt::AltModifier)
        text += QStringLiteral("Alt+");
    return text + name;
}

QKeySequence TextToShortCut(const QString& text)
{
    QString rest = text;
    Qt::KeyboardModifiers mods;
    for (bool more = true; more;) {
        more = false;
        for (const auto& [prefix, mod] : {std::pair{QLatin1String("Shift+"), Qt::ShiftModifier},
                                          std::pair{QLatin1String("Ctrl+"), Qt::ControlModifier},
                                          std::pair{QLatin1String("Alt+"), Qt::AltModifier}}) {
            if (rest.size() > prefix.size() && rest.startsWith(prefix, Qt::CaseInsensitive)) {
                mods |= mod;
                rest = rest.mid(prefix.size());
                more = true;
            }
        }
    }
    if (rest.isEmpty())
        return QKeySequence();
    Qt::Key key = Qt::Key_unknown;
    if (rest.size() == 1 && rest.at(0).unicode() < 0x80 && rest.at(0).isLetterOrNumber()) {
        key = Qt::Key(rest.at(0).toUpper().unicode());
    } else if (rest.size() >= 2 && (rest.at(0) == u'F' || rest.at(0) == u'f')) {
        bool ok = false;
        const int n = rest.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 35 && !rest.at(1).isSpace() && rest.at(1) != u'+')
            key = Qt::Key(Qt::Key_F1 + n - 1);
    }
    if (key == Qt::Key_unknown) {
        for (const KeyName& kn : kKeyNames)
            if (rest.compare(QLatin1String(kn.name), Qt::CaseInsensitive) == 0) {
                key = kn.key;
                break;
            }
    }
    if (key == Qt::Key_unknown) {
        const QKeySequence other = QKeySequence::fromString(rest, QKeySequence::PortableText);
        if (other.count() != 1 || other[0].keyboardModifiers() != Qt::NoModifier || other[0].key() == Qt::Key_unknown)
            return QKeySequence();
        key = other[0].key();
    }
    return QKeySequence(QKeyCombination(mods, key));
}

const QList<ShortcutEntry>& ShortcutEntries()
{
    static const QList<ShortcutEntry> entries = {
        {"DBCommit", "actDBCommit"},
        {"DBRollback", "actDBRollback"},
        {"DBLogon", "actDBLogon"},
        {"DBLogoff", "actDBLogoff"},
        {"FileExit", "actFileExit"},
        {"EditUndo", "actEditUndo"},
        {"EditRedo", "actEditRedo"},
        {"EditCut", "actEditCut"},
        {"EditCopy", "actEditCopy"},
        {"EditPaste", "actEditPaste"},
        {"EditDelete", "actEditDelete"},
        {"EditSelectAll", "actEditSelectAll"},
        {"EditSelectMode", "actEditSelectMode"},
        {"EditFind", "actEditFind"},
        {"EditFindNext", "actEditFindNext"},
        {"EditFindPrev", "actEditFindPrev"},
        {"EditReplace", "actEditReplace"},
        {"EditJump", "actEditJump"},
        {"EditFormat", "actEditFormat"},
        {"EditUpperCase", "actEditUpperCase"},
        {"EditLowerCase", "actEditLowerCase"},
        {"EditIndentF", "actEditIndentF"},
        {"EditIndentR", "actEditIndentR"},
        {"EditMacroSave", "actEditMacroSave"},
        {"EditMacroExec", "actEditMacroExec"},
        {"EditOpen", "actEditJumpDefine"},
        {"ObjectNew", "actNew"},
        {"ObjectOpen", "actOpen"},
        {"ObjectOpenDefine", "actOpenDefine"},
        {"ObjectOpenSource", "actOpenSource"},
        {"ObjectOpenData", "actOpenData"},
        {"ObjectOpenDataTop", "actOpenDataTop"},
        {"ObjectExec", "actExec"},
        {"ObjectCompile", "actCompile"},
        {"ObjectScript", "actScript"},
        {"ObjectPrint", "actPrint"},
        {"ObjectSynonym", "actSynonym"},
        {"ObjectCross", "actCross"},
        {"ObjectMatrix", "actMatrix"},
        {"ObjectGrant", "actGrant"},
        {"ObjectAnalyze", "actAnalyze"},
        {"ObjectDelete", "actDelete"},
        {"ObjectGrep", "actGrep"},
        {"ObjectExport", "actExport"},
        {"ObjectRestore", "actRestore"},
        {"ObjectLoad", "actLoad"},
        {"ViewSQL", "actViewSQL"},
        {"ViewScript", "actViewScript"},
        {"ViewTemplate", "actViewTemplate"},
        {"ViewComp", "actViewComp"},
        {"AdminUser", "actAdminUser"},
        {"AdminStorage", "actAdminStorage"},
        {"AdminSession", "actAdminSession"},
        {"AdminLock", "actAdminLock"},
        {"AdminJob", "actAdminJob"},
        {"AdminDatabase", "actAdminDatabase"},
        {"AdminPerform", "actAdminPerform"},
        {"AdminExport", "actAdminExport"},
        {"AdminImport", "actAdminImport"},
        {"AdminLoad", "actAdminLoad"},
        {"ToolCommandSetup", "actToolCommandSetup"},
        {"ToolReportSetup", "actToolReportSetup"},
        {"ToolOption", "actToolOption"},
        {"ToolEditorOption", "actToolEditorOption"},
        {"ToolScriptOption", "actToolScriptOption"},
        {"EditComment", "actEditComment"},
        {"EditGetSQL", "actEditGetSQL"},
        {"AdminBackup", "actAdminBackup"},
        {"AdminRestore", "actAdminRestore"},
        {"AdminAttach", "actAdminAttach"},
        {"ToolIndexAdviser", "actToolIndexAdviser"},
        {"ViewSQLCRUD", "actViewSQLCRUD"},
        {"ViewSQLCatch", "actViewSQLCatch"},
        {"ViewMS", "actViewMS"},
        {"ViewMSDTS", "actViewMSDTS"},
        {"ViewMSProfiler", "actViewMSProfiler"},
        {"Comment", "actComment"},
        {"ConstEnable", "actConstEnable"},
        {"ConstDisable", "actConstDisable"},
        {"AddWorkSpace", "actAddWorkSpace"},
    };
    return entries;
}

void SetShortcutActionOwner(QObject* owner) { actionOwner() = owner; }

QString ShortcutText(const QString& actionName)
{
    const QByteArray name = actionName.toLatin1();
    if (QAction* a = findAction(name.constData()))
        return ShortCutToText(a->shortcut());
    return shortcutMemory().value(actionName);
}

// ---- load and save --------------------------------------------------------------------------

void LoadSettings()
{
    TqvRegistry& reg = Registry();
    TRegistryBatch batch;
    const TqvOption defaults = defaultOption();

    // Root: the version step, then the general options.
    reg.OpenKey(SettingsRootKey, true);
    if (reg.GetInteger(QStringLiteral("Version"), 0) < SettingsVersion) {
        reg.DeleteKey(QStringLiteral("GUI"));
        try {
            reg.WriteInteger(QStringLiteral("Version"), SettingsVersion);
        } catch (const ERegistryException&) {
        }
    }
    readFields(reg, qvOption, defaults, optionFields());
    qvOption.ExcelExt = qvOption.ExcelExt.toLower();
    reg.CloseKey();

    reg.OpenKey(key("PRINTOPTION"), true);
    readFields(reg, qvPrintOption, TqvPrintOption{}, printFields);
    reg.CloseKey();

    reg.OpenKey(key("SHORTCUT"), true);
    for (const ShortcutEntry& e : ShortcutEntries()) {
        const QString actionName = QLatin1String(e.actionName);
        const QString designed = ShortcutText(actionName);
        const QKeySequence ks = TextToShortCut(reg.GetString(QLatin1String(e.valueName), designed));
        if (QAction* a = findAction(e.actionName))
            a->setShortcut(ks);
        shortcutMemory().insert(actionName, ShortCutToText(ks));
    }
    reg.CloseKey();

    TScriptOption script;
    script.Path = DocumentsDir();
    reg.OpenKey(key("TEXTOUT"), true);
    readFields(reg, ScriptOption, script, scriptFieldsBeforeNameTable);
    ScriptOption.NameTable = splitLines(reg.GetString(QStringLiteral("NameTable"), QString()));
    readFields(reg, ScriptOption, script, scriptFieldsAfterNameTable);
    reg.CloseKey();

    TLoadOption load;
    load.SaveDir = DocumentsDir();
    reg.OpenKey(key("LOADER"), true);
    readFields(reg, LoadOption, load, loadFieldsBeforePass);
    LoadOption.Pass = UnscrambleText(reg.GetString(QStringLiteral("Pass"), QString()));
    readFields(reg, LoadOption, load, loadFieldsAfterPass);
    reg.CloseKey();

    reg.OpenKey(key("TRACE"), true);
    TrcOption.Path = splitLines(reg.GetString(QStringLiteral("Path"), QString()));
    reg.CloseKey();

    reg.OpenKey(key("COMP"), true);
    readFields(reg, CompOption, TCompOption{}, compFields);
    reg.CloseKey();

    reg.OpenKey(key("LOCK"), true);
    readFields(reg, LockOption, TLockOption{}, lockFields);
    reg.CloseKey();

    reg.OpenKey(key("ATTACH"), true);
    AttachOption.Path = reg.GetString(QStringLiteral("Path"), QString());
    reg.CloseKey();

    reg.OpenKey(key("FORMAT"), true);
    readFields(reg, FormatOption, TFormatOption{}, formatFields);
    reg.CloseKey();

    ReserveWordList.clear();
    if (reg.OpenKey(key("RESERVE"), true))
        ReserveWordList = reg.GetValueNames();
    if (ReserveWordList.isEmpty())
        LoadDefaultReserveWords(ReserveWordList);
    std::stable_sort(ReserveWordList.begin(), ReserveWordList.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    reg.CloseKey();

    loadEditor(reg);
}

void SaveSettings()
{
    TqvRegistry& reg = Registry();
    TRegistryBatch batch; // one write of the file; what was written before a failure stays

    requireOpen(reg, nullptr);
    writeFields(reg, qvOption, optionFields());
    reg.CloseKey();

    requireOpen(reg, "PRINTOPTION");
    writeFields(reg, qvPrintOption, printFields);
    reg.CloseKey();

    requireOpen(reg, "SHORTCUT");
    for (const ShortcutEntry& e : ShortcutEntries())
        reg.WriteString(QLatin1String(e.valueName), ShortcutText(QLatin1String(e.actionName)));
    reg.CloseKey();

    requireOpen(reg, "TEXTOUT");
    writeFields(reg, ScriptOption, scriptFieldsBeforeNameTable);
    reg.WriteString(QStringLiteral("NameTable"), joinLines(ScriptOption.NameTable));
    writeFields(reg, ScriptOption, scriptFieldsAfterNameTable);
    reg.CloseKey();

    requireOpen(reg, "LOADER");
    writeFields(reg, LoadOption, loadFieldsBeforePass);
    reg.WriteString(QStringLiteral("Pass"), ScrambleText(LoadOption.Pass));
    writeFields(reg, LoadOption, loadFieldsAfterPass);
    reg.CloseKey();

    requireOpen(reg, "TRACE");
    reg.WriteString(QStringLiteral("Path"), joinLines(TrcOption.Path));
    reg.CloseKey();

    requireOpen(reg, "COMP");
    writeFields(reg, CompOption, compFields);
    reg.CloseKey();

    requireOpen(reg, "LOCK");
    writeFields(reg, LockOption, lockFields);
    reg.CloseKey();

    requireOpen(reg, "ATTACH");
    reg.WriteString(QStringLiteral("Path"), AttachOption.Path);
    reg.CloseKey();

    requireOpen(reg, "FORMAT");
    writeFields(reg, FormatOption, formatFields);
    reg.CloseKey();

    saveEditor(reg);

    // The reserved words go last: a failure before leaves the previous ones in place.
    // The key is emptied and refilled in one write of the store.
    requireOpen(reg, "RESERVE");
    for (const QString& sub : reg.GetKeyNames())
        reg.DeleteKey(sub);
    for (const QString& name : reg.GetValueNames())
        reg.DeleteValue(name);
    for (const QString& w : ReserveWordList)
        if (!w.isEmpty())
            reg.WriteString(w, QString());
    reg.CloseKey();
}

} // namespace qv
