#include "app/images.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>

namespace qv {

namespace {

// Index → Breeze icon. The indexes are the object-type codes and the image indexes that the
// windows and actions refer to.
constexpr MainImageEntry kImages[] = {
    {0, "server-database", "Q", 0x3a6ea5},          // program
    {1, "server-database", "DB", 0x4f7fbf},         // database
    {2, "im-user", "U", 0x6a8f3a},                  // user
    {3, "user-identity", "U", 0x3f7f2a},            // own user / security list
    {4, "code-context", "S", 0x8a6d3b},             // schema
    {5, "view-list-tree", "Ls", 0x666666},          // list
    {6, "object-locked", "Lk", 0xb04a2a},           // locks
    {7, "document-export", "Ex", 0x2a7fb0},         // backup, export
    {8, "document-import", "Im", 0x2a9070},         // restore, import
    {9, "run-build", "BCP", 0x7a5a2a},              // bulk copy
    {10, "text-x-sql", "SQL", 0x2f5f9f},            // SQL window
    {11, "system-run", "Scr", 0x5a5a9f},            // script runner
    {12, "view-list-details", "T.C", 0x4f6f8f},     // tables and columns
    {13, "network-connect", "On", 0x2a8f4a},        // log on
    {14, "network-disconnect", "Off", 0x9f3a2a},    // log off
    {15, "dialog-ok-apply", "OK", 0x2a8f4a},        // commit, compile
    {16, "document-revert", "Rb", 0xaf6f1a},        // rollback
    {17, "document-open", "Op", 0x4f7fbf},          // open
    {18, "document-save", "Sv", 0x4f6faf},          // script
    {19, "edit-undo", "Un", 0x555555},
    {20, "edit-cut", "Ct", 0x555555},
    {21, "edit-copy", "Cp", 0x555555},
    {22, "edit-paste", "Ps", 0x555555},
    {23, "edit-find", "F", 0x555555},
    {24, "view-filter", "G", 0x555555},             // grep
    {25, "window-duplicate", "Cs", 0x4f6f8f},       // cascade
    {26, "view-split-top-bottom", "TH", 0x4f6f8f},  // tile horizontally
    {27, "view-split-left-right", "TV", 0x4f6f8f},  // tile vertically
    {28, "media-playback-start", "Run", 0x2a8f4a},  // execute
    {29, "go-previous-view", "<", 0x4f6f8f},        // older history entry
    {30, "go-next-view", ">", 0x4f6f8f},            // newer history entry
    {31, "go-last", ">>", 0x4f6f8f},                // add all
    {32, "go-next", ">", 0x4f6f8f},                 // add
    {33, "go-previous", "<", 0x4f6f8f},             // remove
    {34, "go-first", "<<", 0x4f6f8f},               // remove all
    {35, "go-up", "Up", 0x4f6f8f},                  // move up
    {36, "go-down", "Dn", 0x4f6f8f},                // move down
    {39, "document-print-preview", "Pv", 0x555555}, // preview
    {41, "edit-delete", "Del", 0xaf2a2a},
    {42, "application-exit", "X", 0xaf2a2a},
    {45, "table", "T", 0x2f6fbf},
    {46, "view-sort-ascending", "Ix", 0x2f8f8f},    // index
    {47, "view-list-details", "V", 0x6f4fbf},       // view
    {51, "code-block", "P", 0x8f5f2f},              // procedure
    {52, "code-function", "Fn", 0x8f2f6f},          // function
    {57, "media-flash", "Tr", 0xbf7f1f},            // trigger
    {58, "format-list-ordered", "Sq", 0x3f8f5f},    // sequence
    {60, "link", "Sy", 0x5f5fbf},                   // synonym
    {66, "lock", "Ct", 0x9f5f1f},                   // constraint
    {68, "system-users", "R", 0x5f8f3f},            // role
    {69, "folder", "FG", 0xbf9f2f},                 // file group
    {71, "text-x-generic", "Fi", 0x8f8f8f},         // file
    {73, "table", "TP", 0x2f6fbf},                  // table partition
    {74, "view-sort-ascending", "IP", 0x2f8f8f},    // index partition
    {86, "view-history", "Hi", 0x4f6f8f},           // SQL history
    {87, "edit-comment", "Cm", 0x6f6f2f},           // comment
    {88, "tools-check-spelling", "Ck", 0x6f6f2f},   // comment check
    {91, "document-encrypt", "Gr", 0x8f3f3f},       // grant
    {92, "distribute-graph", "X", 0x3f5f8f},        // cross reference
    {93, "view-list-details", "Ls", 0x4f6f8f},
    {94, "network-server-database", "Cn", 0x3a6ea5}, // connection window
    {96, "window-close", "Cl", 0x555555},           // close the result
    {97, "view-pim-tasks", "Job", 0x7f3f9f},        // job
    {98, "document-print", "Pr", 0x555555},
    {103, "bookmark-new", "Fv", 0xbf9f2f},          // register a favourite
    {105, "view-process-tree", "Cap", 0x3f6f9f},    // SQL capture
    {106, "office-chart-area-stacked", "AM", 0x3f6f9f}, // table-access matrix
    {107, "view-statistics", "Pf", 0x3f6f9f},       // performance
    {112, "distribute-graph-directed", "Pl", 0x3f6f9f}, // execution plan
    {111, "user-trash", "Tr", 0x777777},            // recycle bin
    {116, "server-database", "DB", 0x2a5f9f},       // own database
    {117, "view-calendar-list", "Sc", 0x7f3f9f},    // schedule
    {118, "server-database", "DB", 0x9a9a9a},       // offline database
    {119, "user-identity", "Lg", 0x2a7f5f},         // own login
    {120, "im-user", "Lg", 0x5f9f7f},               // login
    {121, "view-list-tree", "T1", 0x4f6f8f},        // tree order 1
    {122, "view-list-tree", "T2", 0x4f6f8f},        // tree order 2
    {123, "view-list-details", "L0", 0x4f6f8f},     // level 0
    {124, "view-process-all", "Ps", 0x3f6f9f},      // processes
    {125, "code-context", "S", 0x6a4d1b},           // own schema
    {126, "code-context", "S", 0x8a6d3b},           // schema
    {131, "document-import", "Wz", 0x5f5f5f},       // import/export wizard
    {132, "applications-utilities", "MS", 0x5f5f5f},  // Management Studio
    {133, "utilities-system-monitor", "Pr", 0x5f5f5f}, // Profiler
    {134, "tools-wizard", "IA", 0x3f7f5f},          // index adviser
    {135, "kompare", "Cmp", 0x3f5f8f},              // object comparison
    {137, "server-database", "Az", 0x1f7fcf},       // own database on Azure
    {138, "view-split-left-right", "Fr", 0x4f6f8f}, // fragment
    {139, "edit-find-replace", "Rp", 0x555555},
    {140, "go-down-search", "F>", 0x555555},        // find next
    {141, "go-up-search", "F<", 0x555555},          // find previous
    {142, "edit-clear", "Fc", 0x555555},            // clear search
    {143, "edit-redo", "Re", 0x555555},
    {145, "format-text-code", "Fm", 0x2f5f9f},      // format SQL
    {147, "edit-comment", "--", 0x6f6f2f},          // comment lines
    {148, "configure", "EO", 0x555555},             // editor options
    {149, "edit-select-all", "All", 0x555555},
    {150, "draw-rectangle", "Box", 0x555555},       // box selection
    {151, "format-indent-more", "In", 0x555555},
    {152, "format-indent-less", "Un", 0x555555},
    {153, "media-playback-start", "M>", 0x9f2f2f},  // run macro
    {154, "media-record", "Rec", 0xbf1f1f},         // record macro
    {155, "media-playback-stop", "Stp", 0xbf1f1f},  // end macro recording
    {156, "preferences-other", "Op", 0x555555},     // options
    {157, "go-jump", "J", 0x555555},                // line jump
    {158, "go-jump-definition", "JD", 0x555555},    // jump to definition
    {159, "format-text-lowercase", "Hn", 0x555555}, // half width
    {160, "format-text-lowercase", "ab", 0x555555},
    {161, "format-text-uppercase", "AB", 0x555555},
    {162, "format-text-uppercase", "Zn", 0x555555}, // full width
    {163, "help-contents", "Ref", 0x2f5f9f},        // SQL reference
    {164, "document-save", "MS", 0x9f2f2f},         // save macro
    {165, "document-open", "MO", 0x9f2f2f},         // open macro
    {166, "emblem-important", "!", 0xcf3f1f},       // news mark
};

QHash<int, QIcon>& cache()
{
    static QHash<int, QIcon> c;
    return c;
}

} // namespace

const MainImageEntry* mainImageEntry(int index)
{
    for (const auto& e : kImages)
        if (e.index == index)
            return &e;
    return nullptr;
}

QString mainImageIconName(int index)
{
    const MainImageEntry* e = mainImageEntry(index);
    return e ? QString::fromLatin1(e->iconName) : QString();
}

void ensureIconTheme()
{
    // Without a desktop platform theme Qt looks only in its resources: add the system's icon
    // folders (XDG data folders).
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList found =
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                  QStandardPaths::LocateDirectory);
    bool changed = false;
    for (const QString& p : found)
        if (!paths.contains(p)) {
            paths.append(p);
            changed = true;
        }
    if (changed)
        QIcon::setThemeSearchPaths(paths);
    const QString name = QIcon::themeName();
    if (name.isEmpty() || name == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("breeze"));
}

void clearImageCache() { cache().clear(); }

QPixmap drawnImage(int index, int size)
{
    const MainImageEntry* e = mainImageEntry(index);
    const QColor colour = e ? QColor::fromRgb(e->rgb) : QColor(0x70, 0x80, 0x90);
    const QString glyph = e ? QString::fromLatin1(e->glyph) : QString::number(index);
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal m = size / 12.0;
    QRectF r(m, m, size - 2 * m, size - 2 * m);
    QPainterPath path;
    path.addRoundedRect(r, size / 6.0, size / 6.0);
    p.fillPath(path, colour);
    p.setPen(colour.darker(140));
    p.drawPath(path);
    QFont f;
    f.setBold(true);
    const int len = int(qMax<qsizetype>(1, glyph.size()));
    f.setPixelSize(qMax(5, int(size * (len == 1 ? 0.62 : len == 2 ? 0.46 : 0.36))));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, glyph);
    return pm;
}

QIcon imgMain(int index)
{
    if (index < 0 || index >= kMainImageCount)
        return QIcon();
    auto it = cache().find(index);
    if (it != cache().end())
        return *it;
    ensureIconTheme();
    QIcon fallback;
    for (int s : {16, 20, 24, 32, 48, 64})
        fallback.addPixmap(drawnImage(index, s));
    QIcon icon;
    const QString name = mainImageIconName(index);
    if (!name.isEmpty() && QIcon::hasThemeIcon(name))
        icon = QIcon::fromTheme(name);
    if (icon.isNull() || icon.pixmap(24, 24).isNull())
        icon = fallback;
    cache().insert(index, icon);
    return icon;
}

QPixmap imgButton(int index)
{
    const QIcon icon = imgMain(index);
    return icon.isNull() ? QPixmap() : icon.pixmap(20, 20);
}

} // namespace qv
