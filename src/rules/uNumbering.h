#pragma once

// Record numbering: running counters per table and prefix, and the
// formatted numbers the tables set up in SYS_TABLENO get.

#include <QDate>
#include <QString>
#include <optional>

#include "TFbConnection.h"

namespace Numbering {
// The next running number of table aTb for the complete prefix aPreFix;
// advances the counter in one atomic step, so that users drawing at the
// same moment never get the same number.
int GetNextSysNo(TFbConnection& conn, const QString& aTb, const QString& aPreFix);
// The next formatted number of aTb with prefix set aPrefixNo: the prefix,
// today's date when the set asks for it, and the counter in at least DIGIT
// digits. Refuses (ERuleRefused, NoTableNoMessage) when aTb has no
// SYS_TABLENO row.
QString GetNextTableNo(TFbConnection& conn, const QString& aTb, int aPrefixNo);
QString NoTableNoMessage(const QString& aTb);
// The number column of aTb when new rows of it are to be numbered
// automatically; none otherwise.
std::optional<QString> AutoNoField(TFbConnection& conn, const QString& aTb);
// Today, as the numbering sees it; tests move it to another day (an invalid
// date goes back to the clock).
QDate Today();
void SetToday(const QDate& day);
}  // namespace Numbering
