#pragma once

// What the receipts have paid of the invoices.

#include "TFbConnection.h"
#include "TMoney.h"

namespace PaidAmounts {
// Every invoice's paid amount := the signed sum of its receipts (0 when
// none), in one transaction of its own on conn.
void Recalculate(TFbConnection& conn);
// What is still owed on invoice arTranId: its total less the signed sum of
// its receipts; never below 0.
TMoney ArTranOwed(TFbConnection& conn, int arTranId);
}  // namespace PaidAmounts
