#include "uInvoiceTotals.h"

#include "TFbQuery.h"
#include "uLibRounding.h"

void InvoiceTotals::CalcArTranTax(TFbTransaction& tra, int arTranId, int taxId, TMoney& amtTotal,
                                  TMoney& amtTax, TMoney& amtGoods) {
    TFbQuery sum(
        tra, "SELECT SUM(AMOUNT) AS VAL FROM AR_TRANITEM WHERE AMOUNT IS NOT NULL AND AR_TRAN_ID=" +
                 QString::number(arTranId));
    sum.Open();
    amtGoods = sum.Eof() ? TMoney() : sum.AsMoney(QStringLiteral("VAL"));
    sum.Close();
    amtTotal = amtGoods;
    double rate = 0;
    bool inclusive = false;
    TFbQuery taxQ(tra, "SELECT ID,RATE,INCLUSIVE FROM SYS_TAX WHERE ID=" + QString::number(taxId));
    for (taxQ.Open(); !taxQ.Eof(); taxQ.Next()) {
        if (taxQ.AsString(QStringLiteral("ID")) != QString::number(taxId)) continue;
        rate = taxQ.AsDouble(QStringLiteral("RATE"));
        inclusive = taxQ.AsInteger(QStringLiteral("INCLUSIVE")) == 1;
    }
    // The one rounding step computes in floating point; its two-decimal
    // result is taken back into money exactly.
    const auto overflow = []() {
        return EMoneyOverflow(TMoney::OutOfRangeMessage(QStringLiteral("The invoice totals")));
    };
    const double total = double(amtTotal.Value) / double(TMoney::Scale);
    if (inclusive) {
        if (!TMoney::TryFromDouble(RoundAmount(2, total / (1 + rate * 0.01)), amtGoods) ||
            !TMoney::TrySubtract(amtTotal, amtGoods, amtTax))
            throw overflow();
    } else {
        if (!TMoney::TryFromDouble(
                RoundAmount(2, rate * (double(amtGoods.Value) / double(TMoney::Scale)) * 0.01),
                amtTax) ||
            !TMoney::TryAdd(amtGoods, amtTax, amtTotal))
            throw overflow();
    }
}

void InvoiceTotals::UpdateArTran(TFbTransaction& tra, int tranId) {
    int taxId = 0;
    {
        TFbQuery q(tra, "SELECT SYS_TAX_ID FROM AR_TRAN WHERE ID=" + QString::number(tranId));
        q.Open();
        if (q.Eof()) return;  // the invoice itself is being deleted
        taxId = q.AsInteger(QStringLiteral("SYS_TAX_ID"));
    }
    TMoney total, tax, goods;
    CalcArTranTax(tra, tranId, taxId, total, tax, goods);
    TFbQuery upd(tra, "UPDATE AR_TRAN SET AMTGOODS=:AMT,AMTTAX=:TAX,AMTTOTAL=:TOTAL WHERE ID=" +
                          QString::number(tranId));
    upd.SetParam(QStringLiteral("AMT"), QVariant::fromValue(goods));
    upd.SetParam(QStringLiteral("TAX"), QVariant::fromValue(tax));
    upd.SetParam(QStringLiteral("TOTAL"), QVariant::fromValue(total));
    upd.Execute();
}
