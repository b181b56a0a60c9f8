#pragma once

// Combo boxes filled from the main database.

#include <QString>

class QComboBox;

// Fills cb with the rows fillType names: 1 the order folders and 2 the mail
// folders ("ID CAPTION" each), 3 the user codes; cleared for any other.
void FillComboBoxWithData(int fillType, QComboBox* cb);
// Fills cb with the text fields users added to table tbName and selects the
// first: the result fields a lookup may show.
void FillComboBoxWithSysObject(QComboBox* cb, const QString& tbName);
