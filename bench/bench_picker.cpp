// Product picker benchmark: 50,000 products with Chinese names, pinyin on.
//   bench_picker [rows]
// Prints the time to open the picker and the time per keystroke to filter.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "BenchSupport.h"
#include "TClientDataSet.h"
#include "TDataSource.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uPnFkey.h"
#include "uPnFkeyForm.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString(argv[1]).toInt() : 50000;
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    TdmMain dm;
    dm.SQLConn_Main.Open(PrepareBenchDatabase(dir));
    dm.PinyinSearch = true;
    // Names of three to five first-level hanzi, and an English word.
    {
        TFbTransaction tra(dm.SQLConn_Main);
        TFbQuery ins(tra,
                     "INSERT INTO IC_ITEM (ID, ITEMNO, NAME, PRICE0) VALUES (:ID, :NO, :NAME, :P)");
        const char* words[] = {"Tea", "Rice", "Soap", "Cable", "Paper", "Glass", "Sugar", "Salt"};
        uint32_t seed = 12345;
        for (int i = 1; i <= rows; ++i) {
            QByteArray gb;
            const int n = 3 + int(seed % 3);
            for (int k = 0; k < n; ++k) {
                seed = seed * 1103515245u + 12345u;
                gb.append(char(0xB0 + (seed >> 16) % 39));  // first-level rows B0..D6
                gb.append(char(0xA1 + (seed >> 8) % 94));
            }
            const QString name = QStringDecoder("GB2312").decode(gb) + " " + words[i % 8];
            ins.SetParam("ID", i);
            ins.SetParam("NO", QString("P%1").arg(i, 6, 10, QLatin1Char('0')));
            ins.SetParam("NAME", name);
            ins.SetParam("P", QVariant::fromValue(TMoney(i * 100)));
            ins.Execute();
        }
        tra.Commit();
    }
    TClientDataSet lines;
    lines.SetConnection(&dm.SQLConn_Main);
    lines.CommandText = "SELECT * FROM AR_TRANITEM";
    TDataSource ds;
    ds.SetDataSet(&lines);
    lines.Open();
    lines.Append();
    TPnFkey fk;
    fk.SetDataField("IC_ITEM_ID");
    fk.SetDataSource(&ds);
    fk.LookupSQL = "SELECT ID,ITEMNO,NAME,PRICE0 FROM IC_ITEM";
    fk.Loaded();
    fk.show();

    std::vector<double> opens, keys;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        double opened = 0;
        QTimer::singleShot(0, [&]() {
            TfmPnFKey* p = TPnFkey::CurrentPicker();
            opened = double(t.nsecsElapsed()) / 1e6;
            // A search typed one key at a time, then erased.
            const QString typed = "zhs";
            for (int k = 1; k <= typed.size(); ++k) {
                QElapsedTimer kt;
                kt.start();
                p->edLookFor->setText(typed.left(k));
                keys.push_back(double(kt.nsecsElapsed()) / 1e6);
            }
            std::printf("  run %d: %d rows, %d left after \"%s\"\n", run, rows,
                        p->CDS->RecordCount(), qPrintable(typed));
            p->Close(TfmPnFKey::prCancelled);
        });
        t.start();
        fk.OpenPicker(0, QString());
        opens.push_back(opened);
    }
    std::sort(opens.begin(), opens.end());
    std::sort(keys.begin(), keys.end());
    std::printf("open the picker (pinyin on):  %8.1f ms median\n", opens[opens.size() / 2]);
    std::printf("filter per keystroke:         %8.1f ms median, %.1f ms worst\n",
                keys[keys.size() / 2], keys.back());
    return 0;
}
