#pragma once

#include <QGridLayout>

#include "uChild.h"

class TPnFkey;

// Helpers the business windows build their editor panes with.

// Creates a labelled control of type T for a column of the master set (or of
// ds) and puts it into the grid at (row, column).
template <typename T>
T* AddField(TfmChild* child, QGridLayout* grid, int row, int column, const QString& field,
            int rowSpan = 1, TDataSource* ds = nullptr) {
    auto* pn = new T(grid->parentWidget());
    pn->SetDataField(field);
    pn->SetDataSource(ds ? ds : child->Child_DS);
    grid->addWidget(pn, row, column, rowSpan, 1);
    return pn;
}

// A foreign-key picker in the first column of the grid: sql lists the
// choices, dataField1 names the columns a choice also copies.
TPnFkey* AddLookup(TfmChild* child, QGridLayout* grid, int row, const QString& field,
                   const QString& sql, const QString& dataField1 = QString(),
                   TDataSource* ds = nullptr);

// A grid of two equally wide columns for a group box.
QGridLayout* TwoColumnGrid(QWidget* box);

// Loads every labelled control of a window (metadata, captions, lists).
void LoadAllControls(QWidget* w);

// The shared set-up of the browsers of the business tables: caption, editor
// below the grid, folder tree, the statement the controls find their table in.
void ConfigureBusinessBrowser(TfmChild* w, const QString& name, const QString& caption,
                              const QString& table, const QString& nameField,
                              const QString& filterField);
