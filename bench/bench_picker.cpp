// Product picker benchmark: 50,000 products with Chinese names, pinyin on.
//   bench_picker [rows]
// Prints the time to open the picker until its grid is painted, and the time
// per keystroke typed into it until the filtered grid is painted.

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
#include "WindowTiming.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uPnFkey.h"
#include "uPnFkeyForm.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HandleHelp(argc, argv,
               "Usage: bench_picker [rows]\n"
               "Fills a database with rows products (default 50000) with Chinese names, pinyin\n"
               "search on, and prints the time to open the product picker until its grid is\n"
               "painted, and the time per key typed into its search box until the filtered\n"
               "grid is painted (medians of 3 openings).\n");
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
    ShowExposed(fk);

    std::vector<double> opens, keys;
    int keysPainted = 0;
    for (int run = 0; run < 3; ++run) {
        // Opened: the picker's grid painted (inside the picker's own loop).
        opens.push_back(MsUntilPainted([&]() { fk.OpenPicker(0, QString()); },
                                       [](QWidget* w) {
                                           TfmPnFKey* p = TPnFkey::CurrentPicker();
                                           return p && w == p->DBGrid1->viewport();
                                       },
                                       [&](QWidget*) {
                                           TfmPnFKey* p = TPnFkey::CurrentPicker();
                                           // A search typed one key at a time, each until the grid
                                           // is painted.
                                           TPaintCounter gridPaints(p->DBGrid1->viewport());
                                           const QString typed = "zhs";
                                           for (const QChar c : typed) {
                                               const int before = gridPaints.Count;
                                               keys.push_back(TimeMs([&]() {
                                                   QTest::keyClick(p->edLookFor, c.toLatin1());
                                                   Settle();
                                               }));
                                               keysPainted += gridPaints.Count > before ? 1 : 0;
                                           }
                                           std::printf("  run %d: %d rows, %d left after \"%s\"\n",
                                                       run, rows, p->CDS->RecordCount(),
                                                       qPrintable(p->edLookFor->text()));
                                           p->Close(TfmPnFKey::prCancelled);
                                       }));
    }
    std::sort(opens.begin(), opens.end());
    std::sort(keys.begin(), keys.end());
    std::printf("open the picker (pinyin on):  %8.1f ms median\n", opens[opens.size() / 2]);
    std::printf("filter per keystroke:         %8.1f ms median, %.1f ms worst\n",
                keys[keys.size() / 2], keys.back());
    std::printf("  (grid painted after %d of %d timed keys)\n", keysPainted, int(keys.size()));
    return 0;
}
