#include "uPaidAmounts.h"

#include "TFbQuery.h"
#include "uRules.h"

void PaidAmounts::Recalculate(TFbConnection& conn) {
    // Only the invoices whose paid amount differs are written: the receipts
    // keep it in step as they are saved, and rewriting every invoice made a
    // new version of each of a million rows at every start.
    WriteInTransaction(conn, [](TFbTransaction& tra) {
        const QString paid = QStringLiteral(
            "COALESCE((SELECT SUM(CB_TRANTYPE_FACTOR*TRANAMT) FROM CB_TRAN WHERE "
            "AR_TRAN_ID=AR_TRAN.ID), 0)");
        TFbQuery(tra,
                 "UPDATE AR_TRAN SET AMTPAID=" + paid + " WHERE AMTPAID IS DISTINCT FROM " + paid)
            .Execute();
    });
}

TMoney PaidAmounts::ArTranOwed(TFbConnection& conn, int arTranId) {
    TFbTransaction tra(conn);
    TFbQuery q(tra,
               "SELECT AMTTOTAL - COALESCE((SELECT SUM(CB_TRANTYPE_FACTOR*TRANAMT) FROM CB_TRAN "
               "WHERE AR_TRAN_ID=T.ID), 0) FROM AR_TRAN T WHERE ID=" +
                   QString::number(arTranId));
    q.Open();
    const TMoney owed = TMoney::FromVariant(q.Eof() ? QVariant() : q.Value(0));
    return owed.Value > 0 ? owed : TMoney();
}
