#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class TFbConnection;

// The rows filed in one folder.
struct TFolderCount {
    int Total = -1;   // all of them; -1 while not counted yet
    int Counted = 0;  // those whose count column is 0; 0 without a count column
};

// The row counts of the folders of one table, as a folder tree shows them.
// This program's own writes change them by arithmetic (a row saved, deleted
// or moved) rather than by counting again. A table of many rows is counted in
// the background; each new count makes the result of an earlier one stale,
// and a write committed while a count runs starts it again, since the count
// under way may have begun before the write. Needs no window: whoever shows
// the counts listens to Changed.
class TFolderCounts {
public:
    using TWork = std::function<QVariant(TFbConnection&)>;
    using TDone = std::function<void(const QVariant&)>;
    using TFailed = std::function<void(const QString&)>;
    // Starts work on a connection of its own and later hands its result to
    // done, or the message of its error to failed, on the caller's thread. A
    // runner may also run it at once, before returning.
    using TRunner =
        std::function<void(const TWork& work, const TDone& done, const TFailed& failed)>;

    explicit TFolderCounts(TRunner runner);
    ~TFolderCounts();
    TFolderCounts(const TFolderCounts&) = delete;
    TFolderCounts& operator=(const TFolderCounts&) = delete;

    // The table whose rows are counted, and its count column (empty: none).
    void SetTable(const QString& table, const QString& countField);
    const QString& Table() const { return FTable; }
    const QString& CountField() const { return FCountField; }

    // Forgets every folder, and the result of a count under way is dropped
    // (the tree is loaded again).
    void Clear();
    // The count of a folder known otherwise (from the rows read); a Total of
    // -1 makes it a folder to be counted later.
    void Set(int folder, TFolderCount count);
    void Remove(int folder);
    bool Contains(int folder) const { return FCounts.contains(folder); }
    // Total -1 when not counted yet or unknown.
    TFolderCount Count(int folder) const { return FCounts.value(folder); }
    QList<int> Folders() const { return FCounts.keys(); }

    // Counts one folder now, through the data module's main connection.
    void CountNow(int folder);
    // Counts every folder known in the background, in one statement; a
    // folder without rows gets 0.
    void CountInBackground();
    // A background count is under way (a failed one is not).
    bool Running() const { return FRunning; }
    // After a committed write that changes counts: a count under way is
    // started again. Nothing happens when none is.
    void CountAgainIfRunning();

    // A committed write added total rows to folder (negative: took them
    // away), counted of them with the count column 0. A folder not counted
    // yet stays so: the count to come includes them.
    void Add(int folder, int total, int counted);
    // A committed write moved rows from one folder to another.
    void Move(int from, int to, int total, int counted);

    // Told each folder whose count changed.
    std::function<void(int folder)> Changed;
    // Told why a background count failed; the counts stay as they were.
    TFailed Failed;

private:
    void Notify(int folder) const;

    TRunner FRunner;
    QString FTable, FCountField;
    QHash<int, TFolderCount> FCounts;
    int FGeneration = 0;  // of the newest count; an older one's result is stale
    bool FRunning = false;
    // Lets a result that comes after this object is gone find it gone.
    std::shared_ptr<char> FLife = std::make_shared<char>();
};

// How the browsers run their background counts: on the data module's
// background work.
TFolderCounts::TRunner DataModuleCountRunner();
