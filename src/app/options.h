#pragma once
// The option records of the program. Each has one global instance (named after its type
// without the leading T: qvOption, qvPrintOption, ScriptOption, LoadOption, TrcOption,
// CompOption, LockOption, FormatOption, MemoOption), filled by LoadSettings at start and
// written by SaveSettings at exit (app/settings.h). Every part of the program reads the fields
// directly; the options dialogs and a few windows write them.
//
// The in-class initialisers are the documented defaults; LoadSettings also fills the folder
// defaults (documents and data folder) that are only known at run time.
#include <QString>
#include <QStringList>

namespace qv {

// The page a definition window opens on.
enum TOpenMode : int { omDefine = 0, omSource = 1, omData = 2, omCross = 3, omGrant = 4 };
// The heading row of clipboard, Excel and CSV output.
enum TTitleMode : int { tmColumnName = 0, tmComment = 1, tmNone = 2 };

// The font the original design uses for text and grids; fontconfig substitutes a Japanese
// monospaced font for it.
inline const QString DefaultFontName = QStringLiteral("ＭＳ ゴシック");

// General options, stored as values of the settings root.
struct TqvOption {
    int TreeSort = 0;
    bool ShowLevel0 = true;
    bool ShowLevel1 = true;
    bool ShowTable = true;   // "TypeTable"
    bool ShowIndex = true;   // "TypeIndex"
    bool ShowView = true;    // "TypeView"
    bool ShowProc = true;    // "TypeProc"
    bool ShowFunc = true;    // "TypeFunc"
    bool ShowTrigger = true; // "TypeTrigger"
    bool ShowSeq = true;     // "TypeSeq"
    bool ShowSynonym = true; // "TypeSynonym"
    bool ShowConst = true;   // "TypeConst"
    TOpenMode OpenMode = omDefine;
    bool UserFirst = false;
    bool TreeData = true;
    bool Progress = true;
    bool RowSelect = false;
    bool DelErr = false;
    bool Find = true;
    bool FindAuto = true;
    bool DefaultAutoQuote = false;
    bool ShowSysObj = false;
    bool ShowDDL = false;
    bool CloseDDL = true;
    bool BackupData = true;
    bool PurgeTable = false;
    bool ShowStorageSource = true;
    bool ShowColumnSource = true;
    bool SaveBeforeSrc = false; // "SaveBeforeSource"
    bool SaveBeforeSrcDialog = false;
    bool SaveBeforeSrcRenum = false;
    bool SaveBeforeSrcHead = false;
    QString SaveBeforeSrcDir;   // default: data folder
    bool SaveAfterSrc = false;  // "SaveAfterSource"
    bool SaveAfterSrcDialog = false;
    bool SaveAfterSrcRenum = false;
    bool SaveAfterSrcHead = false;
    QString SaveAfterSrcDir;    // default: data folder
    bool ShowFragment = false;
    int DataFontSize = 10;
    QString DataFontName = DefaultFontName;
    int DataShowMode = 0;
    int DataColWidthV = 30;
    int DataColWidthH = 20;
    bool Draw100ColOver = false;
    bool ShowWhereGrid = true;
    bool WhereAutoQuote = true;
    bool ShowNull = true;
    int DefTopRecord = 1000;
    QString DateFormat = QStringLiteral("yyyy/MM/dd");
    QString TimeFormat = QStringLiteral("HH:mm:ss");
    bool AddStripe = true;
    bool CurrecyInNumericFormat = false;
    int SQLBuf = 32;
    bool UsePartial = true;
    int DiagramFontSize = 9;
    QString DiagramFontName = DefaultFontName;
    int GridFontSize = 9;
    QString GridFontName = DefaultFontName;
    TTitleMode PasteTitle = tmColumnName;
    int PasteColumn = 0;
    bool PasteDialog = false;
    QString FileDir;            // default: documents folder
    QString ExcelDir;           // default: documents folder
    QString ScrExecDir;
    QString ExcelSheet;
    QString ExcelForm;
    int ExcelTop = 0;
    int ExcelLeft = 0;
    QString ExcelFormMatrix;    // default: data folder + "xlsdef/qvmatrix.xls"
    int ExcelMatrixRow = 60;
    int ExcelMatrixCol = 30;
    TTitleMode ExcelTitle = tmColumnName;
    int ExcelMode = 0;
    bool ExcelRefresh = false;
    bool ExcelDialog = false;
    int CSVLineBreak = 0;
    int CSVQuotation = 0;
    bool CSVRefresh = false;
    TTitleMode CSVTitle = tmColumnName;
    QString CSVDir;             // default: documents folder
    int CrossLevel = 3;
    int DataGenCommit = 50;
    bool UpdateMode = true;
    bool ScriptErrStop = false;
    bool ScriptCompDel = false;
    bool UseLowerName = true;   // "UserLowerName"
    bool AutoTran = false;
    bool CodeAssist = true;
    QString TempDir;            // default: data folder + "temp/"
    QString ExcelExt;           // read (lower-cased) but never written
    int IdxReorganize = 5;
    int IdxRebuild = 31;
    int Encoding = 2;
    QString DTS_EXE;
    QString SPF_EXE;
    QString MS_EXE;
    bool MS_Cooperation = false;
    int SleepTime = 50;
    bool CheckInternet = false;
    int RetryCnt = 100;
    // Seconds a log-on may wait for the server, and a statement for the server's next bytes
    // (a server gone silent); 0: no limit.
    int LoginTimeout = 15;
    int QueryTimeout = 60;

    bool operator==(const TqvOption&) const = default;
};

// Print layout, key PRINTOPTION.
struct TqvPrintOption {
    int Orientation = 0; // 0 portrait, 1 landscape
    int MMLeftMargin = 20;   // "LeftMargin"
    int MMTopMargin = 20;    // "TopMargin"
    int MMRightMargin = 20;  // "RightMargin"
    int MMBottomMargin = 20; // "BottomMargin"
    QString FontName = DefaultFontName;
    int FontSize = 10;

    bool operator==(const TqvPrintOption&) const = default;
};

// When written scripts qualify names with the database or schema.
enum TQualifyMode : int { qmAlways = 0, qmDiffLogin = 1, qmDiffOwner = 2, qmNever = 3 };
// Where the INSERT or permission statements of a written script go.
enum TScriptPartMode : int { pmSameScript = 0, pmSeparateFolder = 1, pmSeparateFile = 2 };

// Script output, key TEXTOUT.
struct TScriptOption {
    bool OneScript = false;
    bool Dir = false;        // "SubDir"
    bool SameName = true;
    QString Path;            // default: documents folder
    // One line per server: "server=database.schema.table" of its script-name table.
    QStringList NameTable;
    int Database = qmNever;  // TQualifyMode
    int Owner = qmDiffOwner; // TQualifyMode, "Schema"
    bool Index = false;
    bool Insert = false;
    int InsertMode = pmSameScript; // TScriptPartMode
    bool Filegroup = true;   // "FileGroup"
    bool ViewCol = true;
    bool Grant = false;
    int GrantMode = pmSameScript; // TScriptPartMode
    bool NullLine = false;
    bool Drop = false;
    bool MaskOutput = true;

    bool operator==(const TScriptOption&) const = default;
};

// The bulk-copy window's last entries, key LOADER.
struct TLoadOption {
    QString SaveDir;         // default: documents folder
    bool WriteCtlFile = true;
    bool WriteDataFile = true;
    QString ControlFile;     // not stored
    QString DataFile;        // not stored
    QString LogFile;
    QString BadFile;
    bool Windows = false;
    QString UserID;
    QString Pass;            // stored scrambled
    int FirstRow = 0;
    int LastRow = 0;
    int Errors = 50;
    int Rows = 0;
    int BindSize = 4096;
    bool Quoted = false;
    bool Background = false;
    QString Loader;

    bool operator==(const TLoadOption&) const = default;
};

// The trace folder, key TRACE: one line, the folder of server-side trace files.
struct TTrcOption {
    QStringList Path;

    bool operator==(const TTrcOption&) const = default;
};

// The object comparison's result filters, key COMP.
struct TCompOption {
    bool Equrl = true;
    bool NotEqurl = true;
    bool Only1 = true;
    bool Only2 = true;

    bool operator==(const TCompOption&) const = default;
};

// The attach window's folder of the last attached primary file, key ATTACH.
struct TAttachOption {
    QString Path;

    bool operator==(const TAttachOption&) const = default;
};

// The lock window's system-object switch, key LOCK.
struct TLockOption {
    bool ShowSysObj = true;

    bool operator==(const TLockOption&) const = default;
};

// The SQL formatter's layout, key FORMAT.
struct TFormatOption {
    int Indent = 4;
    int ItemReturn = 0;   // 0 one item per line, 1 no line break between items
    int ReservePos = 0;   // 0 reserved words right-aligned, 1 left-aligned
    int CommaPos = 0;     // 0 comma at the start of the line, 1 at the end
    int AndPos = 0;       // 0 AND/OR at the start of the line, 1 at the end
    int ReserveTrans = 0; // reserved words: 0 upper, 1 lower, 2 unchanged
    int ItemTrans = 0;    // other words: 0 upper, 1 lower, 2 unchanged

    bool operator==(const TFormatOption&) const = default;
};

// Completion and palette options of the SQL editors, key EDITOR.
struct TMemoOption {
    bool CodeAssistCallOfDot = true;
    bool CodeAssistDelayShow = true;
    int CodeAssistDelayTime = 800;
    bool ShowToolPalette = true;

    bool operator==(const TMemoOption&) const = default;
};

extern TqvOption qvOption;
extern TqvPrintOption qvPrintOption;
extern TScriptOption ScriptOption;
extern TLoadOption LoadOption;
extern TTrcOption TrcOption;
extern TCompOption CompOption;
extern TLockOption LockOption;
extern TAttachOption AttachOption;
extern TFormatOption FormatOption;
extern TMemoOption MemoOption;

// The value of the line "name=value" of a name=value list (name compared ignoring case);
// empty when there is none.
QString ListValue(const QStringList& list, const QString& name);
// Sets or adds the line "name=value"; an empty value removes the line.
void SetListValue(QStringList& list, const QString& name, const QString& value);

} // namespace qv
