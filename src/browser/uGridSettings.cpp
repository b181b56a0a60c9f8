#include "uGridSettings.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QSaveFile>
#include <QTextStream>
#include <algorithm>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uLibProc.h"

namespace {
const QString ArrowUp = QString::fromUtf8(" \u25B2");
const QString ArrowDown = QString::fromUtf8(" \u25BC");

struct TEntry {
    QString Field, Title;
    int Width = 64;
    bool Visible = true;
};

bool ReadEntries(const QString& file, std::vector<TEntry>& out) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty()) continue;
        const QStringList p = line.split('\t');
        if (p.size() != 4) return false;
        bool ok = false;
        TEntry e{p[0], p[1], p[2].toInt(&ok), p[3] == "1"};
        if (!ok || e.Width < 0) return false;
        out.push_back(e);
    }
    return true;
}
}  // namespace

QString StripSortArrows(const QString& title) {
    QString t = title;
    t.remove(ArrowUp);
    t.remove(ArrowDown);
    return t;
}

QString SafeFileName(const QString& name) {
    // Characters no file name may hold here or on Windows; every other name
    // stays as it is, so layouts saved under it are still found.
    static const QString unsafe = QStringLiteral("/\\:*?\"<>|");
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || unsafe.contains(c))
            out += '%' + QString::number(c.unicode(), 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

QString GridSettingsFileName(TDbGrid* grid, const QString& windowName) {
    const QString user = dmMain() ? dmMain()->Curr_User_Name : QString();
    const QString cds = (grid->DataSource() && grid->DataSource()->DataSet())
                            ? grid->DataSource()->DataSet()->objectName()
                            : QString();
    return GridSettingsFolder() +
           SafeFileName(
               QStringLiteral("%1_%2_%3_%4").arg(user, windowName, cds, grid->objectName()));
}

void DeleteGridSettings(TDbGrid* grid, const QString& windowName) {
    QFile::remove(GridSettingsFileName(grid, windowName));
}

void SaveGridSettings(TDbGrid* grid, const QString& windowName) {
    // The folder belongs to the program's installation; make it when missing
    // rather than lose the layout.
    QDir().mkpath(GridSettingsFolder());
    QSaveFile f(GridSettingsFileName(grid, windowName));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        throw std::runtime_error(
            ("Cannot create file " + f.fileName() + ": " + f.errorString()).toStdString());
    QTextStream out(&f);
    QHeaderView* h = grid->horizontalHeader();
    for (int logical : grid->DisplayOrder()) {
        out << grid->ColumnField(logical)->FieldName << '\t'
            << QString(grid->Title(logical)).replace('\t', ' ') << '\t' << h->sectionSize(logical)
            << '\t' << (h->isSectionHidden(logical) ? "0" : "1") << '\n';
    }
    out.flush();
    if (!f.commit())
        throw std::runtime_error(
            ("Cannot write file " + f.fileName() + ": " + f.errorString()).toStdString());
}

void FitColumnWidths(std::vector<int>& widths, int clientWidth, bool columnLines, bool indicator) {
    const int n = int(widths.size());
    if (n == 0) return;
    int w = 0;
    for (int x : widths) w += x;
    if (columnLines) w += n;
    if (indicator) w += 11;
    const int d = clientWidth - w;
    if (d == 0) return;
    if (d > 0) {
        for (int& x : widths) x += d / n;
        widths.back() += d % n;
        return;
    }
    // Too wide: the columns wider than 50 pixels give up the excess in equal
    // shares, none going below 50; what a narrow column cannot give is asked
    // of the others in the next pass.
    int deficit = -d;
    for (;;) {
        int wide = 0;
        for (int x : widths)
            if (x > 50) ++wide;
        if (wide == 0 || deficit <= 0) break;
        const int c = (deficit + wide - 1) / wide;
        for (int& x : widths) {
            if (x <= 50) continue;
            const int give = std::min(c, x - 50);
            x -= give;
            deficit -= give;
        }
    }
}

void AutoAdjustGridColumns(TDbGrid* grid, const QString& windowName) {
    QHeaderView* h = grid->horizontalHeader();
    std::vector<int> logicals;
    std::vector<int> widths;
    for (int logical : grid->DisplayOrder())
        if (!h->isSectionHidden(logical)) {
            logicals.push_back(logical);
            widths.push_back(h->sectionSize(logical));
        }
    FitColumnWidths(widths, grid->viewport()->width(), grid->DrawsColumnLines(),
                    grid->ShowsIndicator());
    for (size_t i = 0; i < logicals.size(); ++i) h->resizeSection(logicals[i], widths[i]);
    SaveGridSettings(grid, windowName);
}

void LoadGridSettings(TDbGrid* grid, QListWidget* chooser, const QString& windowName) {
    QHeaderView* h = grid->horizontalHeader();
    const QString file = GridSettingsFileName(grid, windowName);
    std::vector<TEntry> entries;
    bool valid = QFile::exists(file) && ReadEntries(file, entries);
    if (valid) {
        // Every visible column of the set is in the file, and every column in
        // the file is a visible column of the set.
        for (int i = 0; i < grid->ColumnCount() && valid; ++i) {
            const QString name = grid->ColumnField(i)->FieldName;
            valid = std::any_of(entries.begin(), entries.end(),
                                [&](const TEntry& e) { return e.Field == name; });
        }
        for (const TEntry& e : entries)
            if (grid->LogicalOfField(e.Field) < 0) valid = false;
    }
    if (valid) {
        for (int v = 0; v < int(entries.size()); ++v) {
            const TEntry& e = entries[size_t(v)];
            const int logical = grid->LogicalOfField(e.Field);
            h->moveSection(h->visualIndex(logical), v);
            h->resizeSection(logical, e.Width);
            h->setSectionHidden(logical, !e.Visible);
            grid->SetTitle(logical, e.Title);
        }
    } else {
        QFile::remove(file);
        const QFontMetrics fm(h->font());
        for (int i = 0; i < grid->ColumnCount(); ++i) {
            h->setSectionHidden(i, false);
            h->moveSection(h->visualIndex(i), i);
            h->resizeSection(i, fm.horizontalAdvance(StripSortArrows(grid->Title(i))) + 4);
        }
        AutoAdjustGridColumns(grid, windowName);
    }
    for (int i = 0; i < grid->ColumnCount(); ++i)
        grid->SetTitle(i, StripSortArrows(grid->Title(i)));
    if (chooser) {
        const QSignalBlocker block(chooser);
        chooser->clear();
        for (int logical : grid->DisplayOrder()) {
            auto* item = new QListWidgetItem(grid->Title(logical), chooser);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled);
            item->setCheckState(h->isSectionHidden(logical) ? Qt::Unchecked : Qt::Checked);
            item->setData(Qt::UserRole, logical);
        }
    }
}

QString SortGridByColumn(TClientDataSet* ds, TDbGrid* grid, int logical, bool toggle) {
    TField* f = grid->ColumnField(logical);
    if (!ds || !f) return QString();
    const QString field = f->FieldName;
    QString title = StripSortArrows(grid->Title(logical));
    if (ds->IndexName().mid(2) != field) {
        ds->AddIndex("A_" + field, field, false);
        for (int i = 0; i < grid->ColumnCount(); ++i)
            grid->SetTitle(i, StripSortArrows(grid->Title(i)));
        grid->SetTitle(logical, title + ArrowUp);
    } else {
        const bool wasDesc = ds->IndexName().startsWith("D_");
        const bool desc = toggle ? !wasDesc : wasDesc;
        ds->AddIndex((desc ? "D_" : "A_") + field, field, desc);
        grid->SetTitle(logical, title + (desc ? ArrowDown : ArrowUp));
    }
    return field;
}
