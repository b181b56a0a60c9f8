#include "TFbService.h"

#include <QByteArray>

#include "EFbError.h"
#include "TFbRef.h"
#include "TFbStatus.h"

using namespace Firebird;

namespace {

// Runs one service action (its start block made by fill) and reads its
// report line by line until the engine says it is done; false when progress
// asked to stop on the way. The end of the report is no sign of success: a
// job that fails half way (a backup file cut short, say) may end its report
// without an error, so the work counts as done only when the report holds
// finishedMark, the line the engine writes at the very end of a job that
// worked; failed is the message otherwise.
bool Run(const QString& host, const std::function<void(IXpbBuilder*, TFbStatus&)>& fill,
         const TFbService::TProgress& progress, const QString& finishedMark,
         const QString& failed) {
    IUtil* util = TFbConnection::Util();
    bool stopped = false;
    bool finished = false;
    QString last;
    try {
        FbGuard([&](TFbStatus& st) {
            const TFbRef<IXpbBuilder> attach(
                util->getXpbBuilder(&st, IXpbBuilder::SPB_ATTACH, nullptr, 0));
            attach->insertString(&st, isc_spb_user_name, TFbConnection::DefaultUser());
            attach->insertString(&st, isc_spb_password, TFbConnection::DefaultPassword());
            const QByteArray manager =
                (host.isEmpty() ? QString("service_mgr") : host + ":service_mgr").toUtf8();
            const TFbRef<IProvider> prov(TFbConnection::Master()->getDispatcher());
            TFbRef<IService> svc(prov->attachServiceManager(
                &st, manager.constData(), attach->getBufferLength(&st), attach->getBuffer(&st)));
            const TFbRef<IXpbBuilder> start(
                util->getXpbBuilder(&st, IXpbBuilder::SPB_START, nullptr, 0));
            fill(start.get(), st);
            svc->start(&st, start->getBufferLength(&st), start->getBuffer(&st));
            const unsigned char ask[] = {isc_info_svc_line};
            unsigned char answer[16384];
            for (;;) {
                svc->query(&st, 0, nullptr, sizeof(ask), ask, sizeof(answer), answer);
                const unsigned char* p = answer;
                if (*p != isc_info_svc_line) break;
                ++p;
                const int len = int(p[0]) | (int(p[1]) << 8);
                p += 2;
                if (len == 0) break;  // the work is done
                const QString line = QString::fromUtf8(reinterpret_cast<const char*>(p), len);
                if (!line.trimmed().isEmpty()) last = line.trimmed();
                if (line.contains(finishedMark)) finished = true;
                // Leaving now would leave the engine working on a file that is
                // about to be removed: the rest is read, and dropped.
                if (!stopped && progress && !progress(line)) stopped = true;
            }
            FbEnd(svc, [&](IService* s) { s->detach(&st); });
        });
    } catch (const EFbError&) {
        throw;
    } catch (...) {
        // The engine's own failures (a full disk, say) must not end the program.
        throw EFbError(failed.arg(QStringLiteral("the engine failed while writing the files")));
    }
    if (!finished)
        throw EFbError(failed.arg(last.isEmpty()
                                      ? QStringLiteral("the engine reported nothing")
                                      : "the engine's report ends with \"" + last + "\""));
    return !stopped;
}

}  // namespace

void TFbService::SplitDatabase(const QString& database, QString& host, QString& path) {
    // "host:/path" or "host/port:/path"; a one-letter drive ("C:\...") is no host.
    const int colon = database.indexOf(QLatin1Char(':'));
    if (colon > 1) {
        host = database.left(colon);
        path = database.mid(colon + 1);
    } else {
        host.clear();
        path = database;
    }
}

namespace {

// Backup or restore (action) between database and backupFile, on the
// machine of the database.
bool RunAction(unsigned char action, const QString& database, const QString& backupFile,
               const TFbService::TProgress& progress) {
    QString host, path;
    TFbService::SplitDatabase(database, host, path);
    const QByteArray db = path.toUtf8(), file = backupFile.toUtf8();
    const bool restore = action == isc_action_svc_restore;
    return Run(
        host,
        [&](IXpbBuilder* spb, TFbStatus& st) {
            spb->insertTag(&st, action);
            spb->insertString(&st, isc_spb_dbname, db.constData());
            spb->insertString(&st, isc_spb_bkp_file, file.constData());
            if (action == isc_action_svc_restore)
                spb->insertInt(&st, isc_spb_options, isc_spb_res_create);
            spb->insertTag(&st, isc_spb_verbose);
        },
        progress,
        restore ? QStringLiteral("finishing, closing, and going home")
                : QStringLiteral("closing file, committing, and finishing"),
        restore ? QStringLiteral("The restore did not finish (%1); the backup file may be cut "
                                 "short or damaged.")
                : QStringLiteral("The backup did not finish (%1)."));
}

}  // namespace

bool TFbService::Backup(const QString& database, const QString& backupFile,
                        const TProgress& progress) {
    return RunAction(isc_action_svc_backup, database, backupFile, progress);
}

bool TFbService::Restore(const QString& backupFile, const QString& database,
                         const TProgress& progress) {
    return RunAction(isc_action_svc_restore, database, backupFile, progress);
}
