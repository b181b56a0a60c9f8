#pragma once

// The totals of an invoice: goods, tax and total from its lines and its tax
// code.

#include "TFbConnection.h"
#include "TMoney.h"

namespace InvoiceTotals {
// Goods, tax and total of invoice arTranId under tax code taxId, from the
// sum of its line amounts as transaction tra sees them (its own uncommitted
// lines included). Only the tax (exclusive) or the net goods amount
// (inclusive) is rounded, to two decimals. Totals money cannot hold are
// refused (EMoneyOverflow), never wrapped.
void CalcArTranTax(TFbTransaction& tra, int arTranId, int taxId, TMoney& amtTotal, TMoney& amtTax,
                   TMoney& amtGoods);
// Stores the totals of invoice tranId, computed from its lines and its
// stored tax code, in transaction tra: the write that changed the lines or
// the tax code commits them together. Nothing when the invoice is gone.
void UpdateArTran(TFbTransaction& tra, int tranId);
}  // namespace InvoiceTotals
