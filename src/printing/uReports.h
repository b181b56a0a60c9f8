#pragma once

// The fixed reports of the "Reports" menu, each a report window with its own
// statement, choices and columns.

#include "uRpt.h"

class QCheckBox;

// "Sales Ranking Report": invoice value per product description, customer
// or user over the date range, largest first, numbered.
class TfmSalesRpt : public TfmRpt {
    Q_OBJECT
public:
    explicit TfmSalesRpt(QWidget* parent = nullptr);
    void BitBtn1Click() override;
    QComboBox* cb2;  // "Sales By"
    TReportText* QRLabelDesc;
    int FRank = 0;
};

// "Sales Detail Report": every invoice of the date range, grouped by date,
// customer or user, with group and report totals.
class TfmSalesDetailRpt : public TfmRpt {
    Q_OBJECT
public:
    explicit TfmSalesDetailRpt(QWidget* parent = nullptr);
    void BitBtn1Click() override;
    QComboBox* cb2;  // "Sales By"
    TReportBand* GroupHeader;
    TReportText* GroupName;
    TReportBand* GroupFooter;
    TReportText* FirstColumn;
};

// "Invoice Aging Report": every unpaid invoice with what is outstanding in
// four age buckets, optionally with its receipts.
class TfmSalesAgingRpt : public TfmRpt {
    Q_OBJECT
public:
    explicit TfmSalesAgingRpt(QWidget* parent = nullptr);
    void BitBtn1Click() override;
    QComboBox* cb2;  // "Group By"
    QCheckBox* cbWithReceipt;
    TClientDataSet* Receipt_CDS;
    TReportBand* GroupHeader;
    TReportText* GroupName;
    TReportBand* GroupFooter;
    TReportBand* ReceiptBand;

private:
    int FGroupHeaderHeight = 0;
};

// "Bank Transactions Report": every bank transaction of the date range by
// account, signed, with account and report totals.
class TfmCbRpt : public TfmRpt {
    Q_OBJECT
public:
    explicit TfmCbRpt(QWidget* parent = nullptr);
    void BitBtn1Click() override;
};

// "Product Transaction Report": every stock movement of the date range by
// product: invoice lines out, stock batches in.
class TfmProdRpt : public TfmRpt {
    Q_OBJECT
public:
    explicit TfmProdRpt(QWidget* parent = nullptr);
    void BitBtn1Click() override;
};
