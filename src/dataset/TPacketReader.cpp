#include "TPacketReader.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include "TClientDataSet.h"
#include "TDataSource.h"

// The cursor of the rows not read yet, with the snapshot it reads in. A
// connection that closes takes it away: no row is then left to read.
struct TPacketReader::TCursor final : TFbConnectionClient {
    TCursor(TPacketReader* reader, TFbConnection& conn, const QString& sql)
        : Reader(reader), Conn(conn), Tra(conn, TFbIsolation::ReadOnlySnapshot), Query(Tra, sql) {
        Conn.AddClient(this);
    }
    ~TCursor() { Conn.RemoveClient(this); }
    TCursor(const TCursor&) = delete;
    TCursor& operator=(const TCursor&) = delete;
    void ConnectionClosing() override { Reader->Drop(); }

    TPacketReader* Reader;
    TFbConnection& Conn;
    TFbTransaction Tra;
    TFbQuery Query;
};

TPacketReader::TPacketReader(TClientDataSet& owner) : FOwner(owner) {}

TPacketReader::~TPacketReader() = default;

void TPacketReader::Drop() {
    FUnread.reset();
    FAddedWhileReading.clear();
}

void TPacketReader::Reset() {
    Drop();
    FFailed = false;
}

void TPacketReader::Start(TFbConnection& conn, const QString& sql,
                          const std::function<void(TFbQuery&)>& prepare) {
    auto c = std::make_unique<TCursor>(this, conn, sql);
    prepare(c->Query);
    c->Query.Open();
    FUnread = std::move(c);
}

void TPacketReader::RowAdded(uint32_t rec) {
    if (FUnread) FAddedWhileReading.push_back(rec);
}

int TPacketReader::ReadRecords(int n) {
    if (!FUnread) return 0;
    TClientDataSet& s = FOwner;
    TFbQuery& q = FUnread->Query;
    int added = 0;
    try {
        for (; added < n && !q.Eof(); ++added, q.Next()) {
            TClientDataSet::TRecord r;
            r.Data = s.FLayout.FromQuery(q, s.FColumnsOfSlots);
            s.FRecords.push_back(std::move(r));
        }
    } catch (...) {
        // The rest cannot be read: the set says so rather than look whole,
        // and is not read again and again.
        Drop();
        FFailed = true;
        throw;
    }
    if (q.Eof()) Drop();
    if (added > 0) s.InvalidateLookupIndex();
    return added;
}

void TPacketReader::ReadAllRecords() {
    while (FUnread) ReadRecords(RestPacketRows);
}

int TPacketReader::FetchMore(int n) {
    TClientDataSet& s = FOwner;
    if (!FUnread || !s.Active() || n <= 0) return 0;
    const size_t first = s.FRecords.size();
    const int before = int(s.FView.size());
    const std::vector<uint32_t> added = FAddedWhileReading;  // the last packet forgets them
    ReadRecords(n);
    std::vector<uint32_t> read;
    for (size_t i = first; i < s.FRecords.size(); ++i)
        if (s.Accepts(s.FRecords[i].Data.get())) read.push_back(uint32_t(i));
    // Rows added here that sort after every row read so far wait at the end;
    // rows read now that sort before them go ahead of them.
    const TField* f = s.FIndexField.isEmpty() ? nullptr : s.FindField(s.FIndexField);
    std::vector<uint32_t>& view = s.FView;
    size_t waiting = 0;
    if (f && !f->IsLookup && f->Slot >= 0)
        while (waiting < view.size() && std::find(added.begin(), added.end(),
                                                  view[view.size() - 1 - waiting]) != added.end())
            ++waiting;
    if (waiting > 0 && !read.empty()) {
        const qint64 current = s.FCursor >= 0 ? qint64(view[size_t(s.FCursor)]) : -1;
        const std::vector<uint32_t> tail(view.end() - std::ptrdiff_t(waiting), view.end());
        view.resize(view.size() - waiting);
        const int slot = f->Slot;
        const bool desc = s.FIndexDescending;
        std::merge(read.begin(), read.end(), tail.begin(), tail.end(), std::back_inserter(view),
                   [&](uint32_t a, uint32_t b) {
                       const int c = s.FLayout.Compare(s.RowOf(a), s.RowOf(b), slot);
                       return desc ? c > 0 : c < 0;
                   });
        if (current >= 0)
            s.FCursor = int(std::find(view.begin(), view.end(), uint32_t(current)) - view.begin());
        s.NotifyLayout();
        return int(read.size());
    }
    view.insert(view.end(), read.begin(), read.end());
    const int after = int(view.size());
    if (after > before) {
        if (s.FCursor < 0) s.FCursor = 0;
        for (TDataSource* src : s.FSources) src->NotifyRowsAppended(before, after - 1);
    }
    return after - before;
}

void TPacketReader::FetchRest() {
    if (FFailed)
        throw EDataSetError(
            QStringLiteral("Not every row could be read. Please refresh the list and try again."));
    const auto& progress = FOwner.FetchProgress;
    while (FUnread) {
        FetchMore(std::max(FOwner.PacketRecords, RestPacketRows));
        if (FUnread && progress && !progress(int(FOwner.FRecords.size()))) throw EAbort();
    }
    if (progress) progress(-1);  // done: a progress shown goes
}

void TPacketReader::FetchUntilRow(int row) {
    while (row >= int(FOwner.FView.size()) && FUnread) FetchMore(std::max(FOwner.PacketRecords, 1));
}

void TPacketReader::StartIdleReading() {
    if (!FOwner.FetchWhenIdle || !FUnread || FIdleQueued) return;
    FIdleQueued = true;
    const bool browsing = FOwner.State() == TDataSetState::Browse;
    // A slice at a time, short enough that a key or a click waits for none.
    QTimer::singleShot(browsing ? 0 : IdleRetryMs, &FOwner, [this]() {
        FIdleQueued = false;
        if (!FUnread || !FOwner.Active()) return;
        if (FOwner.State() == TDataSetState::Browse) {
            QElapsedTimer t;
            t.start();
            while (FUnread && t.elapsed() < IdleSliceMs) FetchMore(IdleStepRows);
        }
        StartIdleReading();
    });
}
