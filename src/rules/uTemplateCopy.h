#pragma once

// Print templates as the folder tree and the user-defined fields see them:
// copying and deleting a template with its elements, and the elements that
// print a user-defined field.

#include <QString>

#include "TFbConnection.h"

namespace TemplateCopy {
// Copies the template of folder node fromTVId as a new template of node
// toTVId named aName, the template row and its elements, in tra. Refuses
// (ERuleRefused, CopyFailedMessage) before writing anything when node
// fromTVId has no template.
void CopyDoTemplate(TFbTransaction& tra, int fromTVId, int toTVId, const QString& aName);
QString CopyFailedMessage(int fromTVId);
// Deletes the template of node treeViewId and its elements together; the
// node itself is the caller's.
void DeleteDoTemplate(TFbTransaction& tra, int treeViewId);
// Whether columns of dataTable can be printed, and in which data set and
// band: the first placement by band name descending (Header, Footer,
// Detail) among the elements that bind that table to a data set.
bool DataTableValid(TFbConnection& conn, const QString& dataTable, QString& dataSetName,
                    QString& bandName);
// What a hidden element of a new user-defined field prints and how.
struct TUdfElement {
    QString BandName, DataTable, DataSet, Title, Field, Format;
    int ObjId = 0;
    bool Wrap = false, RightAdj = false;
};
// Adds a hidden element for a new user-defined field to every template.
void InsertUdfElement(TFbTransaction& tra, const TUdfElement& e);
// Removes the elements of user-defined field objId from every template.
void DeleteUdfElements(TFbTransaction& tra, int objId);
}  // namespace TemplateCopy
