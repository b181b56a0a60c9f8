#pragma once

// Work that runs on a thread of its own with a connection of its own to the
// database, so that the windows stay responsive while it reads and writes.

#include <QHash>
#include <QString>
#include <QVariant>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "TFbConnection.h"

// The work in the background of one data module. The work may write (the
// home page's pass writes paid amounts); it gets a connection that is its
// own and goes with it.
//
// Each request names its purpose. At most one work per purpose runs at a
// time: a newer request for the same purpose replaces an older one, which
// delivers nothing; if the older one is still running, the newer starts
// when it has ended, unless it was itself replaced meanwhile.
//
// What a work returned, or its failure, is handed to the window thread.
// There, just before it is delivered, the request is dropped when it was
// replaced, when the tasks are going, or when the caller's own check
// (stillWanted) says no. A failure (the database's or any other) goes to
// failed, or to the error box when the caller gave none.
class TBackgroundTasks {
public:
    using TWork = std::function<QVariant(TFbConnection&)>;
    using TDone = std::function<void(const QVariant&)>;
    using TFailed = std::function<void(const QString&)>;
    using TStillWanted = std::function<bool()>;

    TBackgroundTasks();
    // Waits for the work still running; nothing more is delivered.
    ~TBackgroundTasks();
    TBackgroundTasks(const TBackgroundTasks&) = delete;
    TBackgroundTasks& operator=(const TBackgroundTasks&) = delete;

    // Runs work for purpose on a connection of its own to database.
    void RunWriterInBackground(const QString& purpose, const QString& database, const TWork& work,
                               const TDone& done, const TFailed& failed = nullptr,
                               const TStillWanted& stillWanted = nullptr);
    // A purpose no other request has: for work that replaces none.
    QString FreshPurpose();
    // Whether work is still running (work whose result waits for the window
    // thread is done).
    bool Running() const;
    // Waits until all work has ended and let go of its connections; the
    // window thread meanwhile runs what it hands over, user input aside.
    void WaitForAll();
    // Delivers nothing more and waits for the work still running, without
    // running anything in the window thread.
    void Shutdown();

private:
    struct TShared;
    struct TRun {
        std::thread Thread;
        std::shared_future<void> Ended;
    };
    std::shared_ptr<TShared> FShared;
    // The latest run of each purpose, which a newer one waits for.
    QHash<QString, std::shared_future<void>> FLastOfPurpose;
    std::vector<TRun> FRuns;
    quint64 FNextPurpose = 0;
    void JoinEnded();
};
