#pragma once

// Small timing helpers shared by the benchmarks.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Milliseconds f takes.
template <typename F>
double TimeMs(F&& f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

// "--help" or "-h" anywhere on the command line: prints usage and ends the
// program with status 0.
inline void HandleHelp(int argc, char** argv, const char* usage) {
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(usage, stdout);
            std::exit(0);
        }
}

// A program folder of the benchmark's own in dir, with a fresh copy of the
// pristine main database; returns the database's path.
inline QString PrepareBenchDatabase(const QTemporaryDir& dir) {
    QDir(dir.path()).mkpath(QStringLiteral("Data"));
    const QString db = dir.path() + "/Data/main.fdb";
    QFile::copy(QStringLiteral(TALLYVO_TEMPLATE_DB_DIR) + "/main.fdb", db);
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    return db;
}
