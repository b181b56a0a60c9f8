#pragma once

#include <QString>
#include <vector>

class QListWidget;
class TClientDataSet;
class TDbGrid;

// Each user's arrangement of a grid (column order, titles, widths, hidden
// columns), kept in a small file per user, window, record set and grid.

// A name usable as a file name: characters that cannot stand in one become
// "%" and their two hex digits ("a/b" gives "a%2Fb"); other names are unchanged.
QString SafeFileName(const QString& name);
QString GridSettingsFileName(TDbGrid* grid, const QString& windowName);
void DeleteGridSettings(TDbGrid* grid, const QString& windowName);
void SaveGridSettings(TDbGrid* grid, const QString& windowName);
// Loads the file when it is valid for the record set; otherwise gives the
// default layout (titles' widths, fitted) and saves it. With a chooser, refills
// it with the grid's columns.
void LoadGridSettings(TDbGrid* grid, QListWidget* chooser, const QString& windowName);
// Fits the visible columns to the grid's width, then saves.
void AutoAdjustGridColumns(TDbGrid* grid, const QString& windowName);
// The fitting arithmetic on the widths of the visible columns.
void FitColumnWidths(std::vector<int>& widths, int clientWidth, bool columnLines, bool indicator);
// Sorts by the column (a new column ascending; the same column the other way
// when toggle is set), puts the arrow in its title; returns its field name.
QString SortGridByColumn(TClientDataSet* ds, TDbGrid* grid, int logical, bool toggle);
// A title without the sort arrows.
QString StripSortArrows(const QString& title);
