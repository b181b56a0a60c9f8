#include "TFbConnection.h"

#include <QByteArray>
#include <algorithm>
#include <utility>

#include "TFbStatus.h"

using namespace Firebird;

bool EFbError::IsConflict() const {
    return FCode == isc_deadlock || FCode == isc_update_conflict || FCode == isc_lock_conflict ||
           FCode == isc_unique_key_violation || FCode == isc_no_dup;
}

bool EFbError::IsUpdateConflict() const {
    return FCode == isc_deadlock || FCode == isc_update_conflict || FCode == isc_lock_conflict;
}

IMaster* TFbConnection::Master() {
    static IMaster* master = fb_get_master_interface();
    return master;
}

IUtil* TFbConnection::Util() { return Master()->getUtilInterface(); }

QString TFbConnection::FormatStatus(IStatus* status) {
    char buf[4096];
    Util()->formatStatus(buf, sizeof(buf), status);
    return QString::fromUtf8(buf).trimmed();
}

void TFbConnection::Raise(IStatus* status) {
    const intptr_t* errors = status->getErrors();
    const long code = (errors && errors[0] == isc_arg_gds) ? long(errors[1]) : 0;
    throw EFbError(FormatStatus(status), code);
}

TFbConnection::TFbConnection() = default;

TFbConnection::~TFbConnection() {
    try {
        Close();
    } catch (const EFbError&) {
        // Closing at exit: nothing useful can be done with the failure.
    }
}

void TFbConnection::Open(const QString& database) {
    Close();
    const QByteArray path = database.toUtf8();
    FAtt.reset(FbGuard([&](TFbStatus& st) {
        const TFbRef<IXpbBuilder> dpb(Util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(&st, isc_dpb_user_name, DefaultUser());
        dpb->insertString(&st, isc_dpb_password, DefaultPassword());
        dpb->insertString(&st, isc_dpb_lc_ctype, "UTF8");
        const TFbRef<IProvider> prov(Master()->getDispatcher());
        return prov->attachDatabase(&st, path.constData(), dpb->getBufferLength(&st),
                                    dpb->getBuffer(&st));
    }));
    FDatabase = database;
}

void TFbConnection::Close() {
    if (!FAtt) return;
    // Clients end their transactions first: a transaction outliving its
    // attachment cannot be released safely.
    const std::vector<TFbConnectionClient*> clients = FClients;
    for (TFbConnectionClient* c : clients) c->ConnectionClosing();
    // A detach refused (e.g. open transactions) still frees the handle.
    TFbRef<IAttachment> att = std::move(FAtt);
    FDatabase.clear();
    FbGuard([&](TFbStatus& st) { FbEnd(att, [&](IAttachment* a) { a->detach(&st); }); });
}

void TFbConnection::ExecuteImmediate(const QString& sql) {
    TFbTransaction tra(*this);
    const QByteArray text = sql.toUtf8();
    FbGuard([&](TFbStatus& st) {
        FAtt->execute(&st, tra.Handle(), 0, text.constData(), SQL_DIALECT_V6, nullptr, nullptr,
                      nullptr, nullptr);
    });
    tra.MarkWritten();
    tra.Commit();
}

void TFbConnection::CreateDatabase(const QString& path) {
    QString escaped = path;
    escaped.replace('\'', "''");
    const QByteArray stmt = QStringLiteral(
                                "CREATE DATABASE '%1' USER '%2' PASSWORD '%3' "
                                "PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8")
                                .arg(escaped, DefaultUser(), DefaultPassword())
                                .toUtf8();
    FbGuard([&](TFbStatus& st) {
        TFbRef<IAttachment> att(
            Util()->executeCreateDatabase(&st, 0, stmt.constData(), SQL_DIALECT_V6, nullptr));
        FbEnd(att, [&](IAttachment* a) { a->detach(&st); });
    });
}

void TFbConnection::AddClient(TFbConnectionClient* c) { FClients.push_back(c); }

void TFbConnection::RemoveClient(TFbConnectionClient* c) {
    FClients.erase(std::remove(FClients.begin(), FClients.end(), c), FClients.end());
}

TFbTransaction::TFbTransaction(TFbConnection& conn, TFbIsolation isolation) : FConn(conn) {
    if (!conn.Connected()) throw EFbError(QStringLiteral("Database is not connected"));
    // Read committed so that one-off statements see what other users committed;
    // wait on lock conflicts rather than fail at once.
    static const unsigned char committed[] = {
        isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_wait};
    static const unsigned char snapshot[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_concurrency,
                                             isc_tpb_nowait};
    const bool snap = isolation == TFbIsolation::ReadOnlySnapshot;
    const unsigned char* tpb = snap ? snapshot : committed;
    const unsigned length = snap ? sizeof(snapshot) : sizeof(committed);
    FTra.reset(
        FbGuard([&](TFbStatus& st) { return conn.Handle()->startTransaction(&st, length, tpb); }));
}

TFbTransaction::~TFbTransaction() {
    try {
        Rollback();
    } catch (const EFbError&) {
        // The connection may already be gone; nothing is left to undo then.
    }
}

ITransaction* TFbTransaction::Handle() const {
    if (!FTra) throw EFbError(QStringLiteral("Transaction is not active"));
    return FTra.get();
}

void TFbTransaction::Commit() {
    if (!FTra) return;
    // A refused commit keeps the transaction, for the rollback that follows.
    FbGuard([&](TFbStatus& st) { FbEnd(FTra, [&](ITransaction* t) { t->commit(&st); }); });
    if (FWritten) FConn.NoteWrite();
}

void TFbTransaction::Rollback() {
    if (!FTra) return;
    TFbRef<ITransaction> tra = std::move(FTra);
    FbGuard([&](TFbStatus& st) { FbEnd(tra, [&](ITransaction* t) { t->rollback(&st); }); });
}
