#include "uBackgroundTask.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <atomic>

#include "uMessages.h"

// What the threads and the deliveries in the window thread share with the
// tasks object; it outlives the object while a delivery is on its way.
struct TBackgroundTasks::TShared {
    std::mutex Mutex;
    // The request each purpose is to deliver: the latest one.
    QHash<QString, quint64> Latest;
    quint64 NextRequest = 0;
    bool Going = false;
    std::atomic<int> Running{0};

    bool Current(const QString& purpose, quint64 request) {
        std::lock_guard<std::mutex> lock(Mutex);
        return !Going && Latest.value(purpose) == request;
    }
};

namespace {
bool Ready(const std::shared_future<void>& f) {
    return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}
}  // namespace

TBackgroundTasks::TBackgroundTasks() : FShared(std::make_shared<TShared>()) {}

TBackgroundTasks::~TBackgroundTasks() { Shutdown(); }

QString TBackgroundTasks::FreshPurpose() { return QStringLiteral("once:%1").arg(++FNextPurpose); }

void TBackgroundTasks::RunWriterInBackground(const QString& purpose, const QString& database,
                                             const TWork& work, const TDone& done,
                                             const TFailed& failed,
                                             const TStillWanted& stillWanted) {
    JoinEnded();
    quint64 request = 0;
    {
        std::lock_guard<std::mutex> lock(FShared->Mutex);
        if (FShared->Going) return;
        request = ++FShared->NextRequest;
        FShared->Latest.insert(purpose, request);
    }
    const std::shared_future<void> previous = FLastOfPurpose.value(purpose);
    auto ended = std::make_shared<std::promise<void>>();
    TRun run;
    run.Ended = ended->get_future().share();
    FLastOfPurpose.insert(purpose, run.Ended);
    std::shared_ptr<TShared> shared = FShared;
    std::weak_ptr<TShared> weak = FShared;
    ++shared->Running;
    run.Thread = std::thread([=]() {
        // The older work of the same purpose ends first: two passes never
        // write the same rows against each other.
        if (previous.valid()) previous.wait();
        bool ran = false;
        QVariant result;
        QString error;
        if (shared->Current(purpose, request)) {
            ran = true;
            try {
                TFbConnection conn;
                conn.Open(database);
                result = work(conn);
            } catch (...) {
                error = CurrentErrorMessage(QStringLiteral("The work in the background failed."));
            }
        }
        // What the windows show stays as it was when the work failed; the
        // user is told why it did not change.
        if (ran)
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [weak, purpose, request, done, failed, stillWanted, result, error]() {
                    const std::shared_ptr<TShared> s = weak.lock();
                    if (!s || !s->Current(purpose, request)) return;
                    {
                        std::lock_guard<std::mutex> lock(s->Mutex);
                        s->Latest.remove(purpose);
                    }
                    if (stillWanted && !stillWanted()) return;
                    if (error.isEmpty())
                        done(result);
                    else if (failed)
                        failed(error);
                    else
                        ShowError(error);
                },
                Qt::QueuedConnection);
        --shared->Running;
        ended->set_value();
    });
    FRuns.push_back(std::move(run));
}

bool TBackgroundTasks::Running() const { return FShared->Running > 0; }

void TBackgroundTasks::JoinEnded() {
    for (auto it = FRuns.begin(); it != FRuns.end();) {
        if (Ready(it->Ended)) {
            it->Thread.join();
            it = FRuns.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = FLastOfPurpose.begin(); it != FLastOfPurpose.end();)
        it = Ready(it.value()) ? FLastOfPurpose.erase(it) : std::next(it);
}

void TBackgroundTasks::WaitForAll() {
    while (Running()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
        QThread::msleep(10);
    }
    for (TRun& r : FRuns) r.Thread.join();
    FRuns.clear();
    FLastOfPurpose.clear();
}

void TBackgroundTasks::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(FShared->Mutex);
        FShared->Going = true;
    }
    for (TRun& r : FRuns) r.Thread.join();
    FRuns.clear();
    FLastOfPurpose.clear();
}
