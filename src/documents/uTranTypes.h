#pragma once

// Fixed rows of the transaction-type tables that the windows write by id.

// AR_TRANTYPE: every invoice the invoice window creates is a sales invoice;
// its factor is set to 0 and nothing reads it.
inline constexpr int ArTranTypeSalesInvoice = 1;
inline constexpr int ArTranTypeSalesInvoiceFactor = 0;

// CB_TRANTYPE: a receipt entered from an invoice is an "Invoice Receipt",
// money in.
inline constexpr int CbTranTypeInvoiceReceipt = 4;
inline constexpr int CbTranTypeInvoiceReceiptFactor = 1;
