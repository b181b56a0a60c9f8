#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TClientDataSet;
class TFbConnection;
class TFbQuery;

// The rows of a record set not read yet.
//
// A set read a packet at a time holds the first rows of its statement and
// leaves the rest in an open cursor, read in one snapshot: every row once,
// in the order asked for, however long the reading takes. This reader owns
// that cursor and is the one place that knows whether rows remain:
//
// - AllFetched(): every row of the statement is held. False while rows are
//   left in the cursor, and false after a read failed, until the set is read
//   again from the start (Open, Refresh, a sort the engine makes).
// - FetchMore(n): reads up to n more rows into the current order, past the
//   filter; a row read goes ahead of the rows the set added meanwhile that
//   sort after it. Returns how many rows the order gained.
// - FetchRest(): on return every row is held. Otherwise it throws: EAbort
//   when the caller's progress callback (TClientDataSet::FetchProgress,
//   which hears the rows held so far, and -1 once done) stops it, the
//   database's error when the read fails.
// - FetchUntilRow(row): moving past the rows held (Next, MoveTo) reads the
//   next packets first; after a failed read it stays among the rows held.
// - A failed read: the rows the order shows stay as they are and the cursor
//   is closed; every later FetchRest() throws "Not every row could be
//   read...", so that nothing that needs every row works on part of them.
//
// Whatever needs every row goes through FetchRest() (or asks AllFetched())
// and nothing else: Locate of a row not among those held, Last, a filter, a
// sort made here (by a lookup column, a column the engine cannot sort
// through an index, or with changes pending), and the report engine.
// RecordCount and the other row accessors see the rows held, which are all
// of them once AllFetched().
//
// The set itself, while it builds its rows anew (Open, Refresh, a sort read
// again from the start), reads with Start, ReadRecords and ReadAllRecords:
// rows kept in the order the statement gives, before the current order is
// made from them.
class TPacketReader {
public:
    // Rows a read of every row takes at a time: large for few round trips,
    // small enough that the progress callback hears often and can stop it.
    static constexpr int RestPacketRows = 5000;
    // Refresh reads on in packets of at least this many rows while it looks
    // for the row the user was on.
    static constexpr int RefreshPacketRows = 1000;
    // The reading while the program waits for the user: steps of this many
    // rows, for a slice of at most this long, then the events waiting get
    // their turn; well under a frame (16 ms), so that a key or a click waits
    // for none.
    static constexpr int IdleStepRows = 250;
    static constexpr int IdleSliceMs = 8;
    // While a row is edited the idle reading waits, and looks again this
    // often: rarely enough to cost nothing while the user types.
    static constexpr int IdleRetryMs = 200;

    explicit TPacketReader(TClientDataSet& owner);
    ~TPacketReader();
    TPacketReader(const TPacketReader&) = delete;
    TPacketReader& operator=(const TPacketReader&) = delete;

    // ---- the contract
    bool AllFetched() const { return !FUnread && !FFailed; }
    int FetchMore(int n);
    void FetchRest();
    // Reads packets until the current order has a row at index row, or no
    // row is left to read.
    void FetchUntilRow(int row);

    // ---- for the set, while it builds its rows anew
    // Opens the cursor on sql; prepare binds its parameters and fields
    // before it is opened. Nothing is kept when either throws.
    void Start(TFbConnection& conn, const QString& sql,
               const std::function<void(TFbQuery&)>& prepare);
    // Reads up to n rows into the set's records, not yet into its order;
    // returns how many. A failure is kept (see above) and thrown.
    int ReadRecords(int n);
    void ReadAllRecords();
    // Reads the rest a little at a time while the program is idle, when the
    // set asks for it (FetchWhenIdle).
    void StartIdleReading();
    // A row the set added (record rec) while rows are left to read.
    void RowAdded(uint32_t rec);
    // Forgets the cursor and any failure: the set's rows are gone or read again.
    void Reset();

private:
    struct TCursor;
    void Drop();

    TClientDataSet& FOwner;
    std::unique_ptr<TCursor> FUnread;  // the open cursor, while rows are left
    bool FFailed = false;
    bool FIdleQueued = false;
    std::vector<uint32_t> FAddedWhileReading;  // records the set added while rows were left
};
