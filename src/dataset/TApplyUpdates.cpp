#include "TClientDataSet.h"
#include "TFbQuery.h"

// Apply updates: the pending inserts, updates and deletes written in one
// transaction, each row identified by its key or by all its columns as read
// (the update mode); a row that matches nothing was changed by another user
// and rolls the whole write back.

int TClientDataSet::ChangeCount() const {
    int n = 0;
    for (uint32_t rec : FChangeLog) {
        const TStatus s = FRecords[rec].Status;
        if (s == rsModified || s == rsInserted || s == rsDeleted) ++n;
    }
    return n;
}

QString TClientDataSet::WhereFor(const TRecord& r, std::vector<QVariant>& params) const {
    const uint8_t* old = r.Original ? r.Original.get() : r.Data.get();
    const bool deleting = r.Status == rsDeleted;
    QStringList conds;
    for (const auto& f : FFields) {
        if (f->IsLookup || f->Origin.isEmpty()) continue;
        const bool isKey = KeyFields.contains(f->Origin, Qt::CaseInsensitive);
        if (!isKey) {
            if (UpdateMode == TUpdateMode::WhereKeyOnly) continue;
            // Derived columns are the database's to keep; they say nothing
            // about another user's change to this row.
            if (!f->InUpdate) continue;
            if (UpdateMode == TUpdateMode::WhereChanged && !deleting &&
                (!r.Original || FLayout.Equal(r.Original.get(), r.Data.get(), f->Slot)))
                continue;
        }
        // Blobs cannot be compared in a WHERE clause.
        if (f->DataType == TFbType::Memo || f->DataType == TFbType::Blob) continue;
        if (FLayout.IsNull(old, f->Slot)) {
            conds << Quote(f->Origin) + " IS NULL";
        } else {
            conds << Quote(f->Origin) + " = ?";
            params.push_back(FLayout.Get(old, f->Slot));
        }
    }
    if (conds.isEmpty()) throw EDataSetError(QStringLiteral("No key to identify the row by"));
    return conds.join(QStringLiteral(" AND "));
}

void TClientDataSet::ApplyUpdates() {
    if (FState != TDataSetState::Browse) Post();
    if (ChangeCount() == 0) return;
    TFbTransaction tra(*FConn);
    ApplyUpdates(tra);
    tra.Commit();
    CommitUpdates();
}

void TClientDataSet::ApplyUpdates(TFbTransaction& tra) {
    if (FState != TDataSetState::Browse) Post();
    if (ChangeCount() == 0) return;
    if (FUpdateTable.isEmpty())
        throw EDataSetError(QStringLiteral("Unable to resolve the table to update"));
    const QString table = Quote(FUpdateTable);
    QHash<QString, std::shared_ptr<TFbQuery>> prepared;
    auto run = [&](const QString& sql, const std::vector<QVariant>& params, bool mustHit) {
        std::shared_ptr<TFbQuery>& q = prepared[sql];
        if (!q) q = std::make_shared<TFbQuery>(tra, sql, false);
        for (size_t i = 0; i < params.size(); ++i) q->SetParam(int(i), params[i]);
        q->Execute();
        if (mustHit && q->RowsAffected() == 0)
            throw EFbError(QStringLiteral("Record not found or changed by another user"));
    };
    // The first refused row throws: the caller's transaction rolls back on
    // the way out and every change stays pending as it was.
    for (uint32_t rec : FChangeLog) {
        const TRecord& r = FRecords[rec];
        std::vector<QVariant> params;
        if (r.Status == rsInserted) {
            QStringList cols, marks;
            for (const auto& f : FFields) {
                // Null values are left out, so that column defaults apply.
                if (f->IsLookup || f->Origin.isEmpty() || !f->InUpdate ||
                    FLayout.IsNull(r.Data.get(), f->Slot))
                    continue;
                cols << Quote(f->Origin);
                marks << "?";
                params.push_back(FLayout.Get(r.Data.get(), f->Slot));
            }
            if (cols.isEmpty())
                run("INSERT INTO " + table + " DEFAULT VALUES", params, false);
            else
                run("INSERT INTO " + table + " (" + cols.join(',') + ") VALUES (" +
                        marks.join(',') + ")",
                    params, false);
        } else if (r.Status == rsModified) {
            QStringList sets;
            for (const auto& f : FFields) {
                if (f->IsLookup || f->Origin.isEmpty() || !f->InUpdate) continue;
                if (r.Original && FLayout.Equal(r.Original.get(), r.Data.get(), f->Slot)) continue;
                sets << Quote(f->Origin) + " = ?";
                params.push_back(FLayout.Get(r.Data.get(), f->Slot));
            }
            if (sets.isEmpty()) continue;
            const QString where = WhereFor(r, params);
            run("UPDATE " + table + " SET " + sets.join(',') + " WHERE " + where, params, true);
        } else if (r.Status == rsDeleted) {
            const QString where = WhereFor(r, params);
            run("DELETE FROM " + table + " WHERE " + where, params, true);
        }
    }
}

void TClientDataSet::CommitUpdates() {
    for (uint32_t rec : FChangeLog) {
        TRecord& r = FRecords[rec];
        r.Logged = false;
        r.Original.reset();
        if (r.Status == rsDeleted) {
            r.Data = FLayout.NewEmpty();
            r.Status = rsDead;
        } else if (r.Status != rsDead) {
            r.Status = rsUnchanged;
        }
    }
    FChangeLog.clear();
    InvalidateLookupIndex();
    if (OnAfterApplyUpdates) OnAfterApplyUpdates(*this);
}

TUpdateStatus TClientDataSet::UpdateStatus() const {
    if (FCursor < 0 || FCursor >= int(FView.size())) return TUpdateStatus::Unmodified;
    if (FState == TDataSetState::Insert) return TUpdateStatus::Inserted;
    const TStatus s = FRecords[FView[size_t(FCursor)]].Status;
    if (s == rsInserted) return TUpdateStatus::Inserted;
    if (s == rsModified || (FState == TDataSetState::Edit && FModified))
        return TUpdateStatus::Modified;
    return TUpdateStatus::Unmodified;
}

void TClientDataSet::CancelUpdates() {
    if (FState != TDataSetState::Browse) Cancel();
    for (uint32_t rec : FChangeLog) {
        TRecord& r = FRecords[rec];
        r.Logged = false;
        if (r.Status == rsInserted) {
            r.Status = rsDead;
        } else if (r.Status == rsModified || r.Status == rsDeleted) {
            if (r.Original) r.Data = std::move(r.Original);
            r.Status = rsUnchanged;
        }
    }
    FChangeLog.clear();
    if (Active()) {
        RebuildView(true);
        NotifyLayout();
        AfterMove(true);
    }
}
