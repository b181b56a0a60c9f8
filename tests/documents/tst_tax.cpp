// Rounding in its ten modes and the tax of an invoice, against the real engine.

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "uDmMain.h"
#include "uLibRounding.h"

class TstTax : public QObject {
    Q_OBJECT

private slots:
    void roundAmount_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("rounded");
        QTest::newRow("2.675") << 2.675 << 2.68;
        QTest::newRow("-2.675") << -2.675 << -2.68;
        QTest::newRow("1.005") << 1.005 << 1.01;
        QTest::newRow("0.025") << 0.025 << 0.03;
        QTest::newRow("zero") << 0.0 << 0.0;
    }

    void roundAmount() {
        QFETCH(double, value);
        QFETCH(double, rounded);
        QCOMPARE(RoundAmount(2, value), rounded);
    }

    // Modes 1 to 9 with no decimals.
    void modes_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QList<double>>("results");
        QTest::newRow("2.5") << 2.5 << QList<double>{2, 3, 2, 2, 3, 2, 3, 2, 3};
        QTest::newRow("-2.5") << -2.5 << QList<double>{-2, -2, -3, -2, -3, -3, -2, -2, -3};
        QTest::newRow("2.3") << 2.3 << QList<double>{2, 2, 2, 2, 2, 2, 3, 2, 3};
        QTest::newRow("-2.3") << -2.3 << QList<double>{-2, -2, -2, -2, -2, -3, -2, -2, -3};
    }

    void modes() {
        QFETCH(double, value);
        QFETCH(QList<double>, results);
        for (int mode = 1; mode <= 9; ++mode)
            QCOMPARE(double(RoundDecimalStd(0, mode, value)), results[mode - 1]);
    }

    void placesAndSpecialValues() {
        QCOMPARE(double(RoundDecimalStd(2, RoundHalfEven, 2.675)), 2.68);
        QCOMPARE(double(RoundDecimalStd(2, RoundHalfEven, 1.005)), 1.00);
        QCOMPARE(double(RoundDecimalStd(-2, RoundHalfAwayFromZero, 1234.5)), 1200.0);
        QCOMPARE(double(RoundDecimalStd(-2, RoundHalfEven, 1250)), 1200.0);
        QCOMPARE(double(RoundDecimalStd(-2, RoundHalfEven, 1350)), 1400.0);
        QCOMPARE(double(RoundDecimalStd(2, RoundNone, 1.23456)), 1.23456);
        QVERIFY(
            std::isnan(double(RoundDecimalStd(2, 5, std::numeric_limits<double>::quiet_NaN()))));
        QVERIFY(std::isinf(double(RoundDecimalStd(2, 5, std::numeric_limits<double>::infinity()))));
        QCOMPARE(double(RoundDecimalStd(0, 10, 2.5)), 2.0);  // 10 and above: half to even
        QCOMPARE(StdRoundingTolerance(), 5.481726184209375e-16);
    }

    // Random decimals against the same modes computed exactly in integers.
    void randomValuesAgainstExactDecimals() {
        QRandomGenerator rng(20261210);
        auto pow10 = [](int n) {
            int64_t p = 1;
            while (n-- > 0) p *= 10;
            return p;
        };
        for (int i = 0; i < 4000; ++i) {
            const int64_t n = int64_t(rng.bounded(2000000000)) - 1000000000;  // value = n / 10^k
            const int k = int(rng.bounded(7));
            const int d = int(rng.bounded(7)) - 2;  // places kept
            const int mode = 1 + int(rng.bounded(9));
            if (d >= k) continue;  // nothing to round
            // X = n / den exactly, den = 10^(k-d); q, r its integer part and remainder.
            const int64_t den = pow10(k - d);
            int64_t q = n / den, r = n % den;
            const bool neg = n < 0;
            const int64_t twice = 2 * (r < 0 ? -r : r);
            int64_t away = neg ? q - 1 : q + 1;  // the neighbour away from zero
            int64_t out = q;                     // toward zero
            if (r != 0) {
                const bool half = twice == den, more = twice > den;
                switch (mode) {
                    case RoundHalfEven:
                        out = more || (half && (q % 2 != 0)) ? away : q;
                        break;
                    case RoundHalfUpward:
                        out = more || (half && !neg) ? away : q;
                        break;
                    case RoundHalfDownward:
                        out = more || (half && neg) ? away : q;
                        break;
                    case RoundHalfTowardZero:
                        out = more ? away : q;
                        break;
                    case RoundHalfAwayFromZero:
                        out = more || half ? away : q;
                        break;
                    case RoundFloor:
                        out = neg ? away : q;
                        break;
                    case RoundCeiling:
                        out = neg ? q : away;
                        break;
                    case RoundTowardZero:
                        out = q;
                        break;
                    case RoundAwayFromZero:
                        out = away;
                        break;
                }
            }
            const long double scale = (long double)pow10(d < 0 ? -d : d);
            const double expected = double(d >= 0 ? out / scale : out * scale);
            const double value = double((long double)n / (long double)pow10(k));
            const double got = double(RoundDecimalStd(d, mode, value));
            if (got != expected)
                QFAIL(qPrintable(QString("%1e-%2 to %3 places in mode %4: %5, expected %6")
                                     .arg(n)
                                     .arg(k)
                                     .arg(d)
                                     .arg(mode)
                                     .arg(got, 0, 'g', 17)
                                     .arg(expected, 0, 'g', 17)));
        }
    }

    void invoiceTax_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("inclusive");
        QTest::addColumn<QString>("goods");
        QTest::addColumn<QString>("tax");
        QTest::addColumn<QString>("total");
        QTest::newRow("exclusive") << QStringList{"10", "0.05"} << 7.0 << 0 << "10.0500"
                                   << "0.7000"
                                   << "10.7500";
        QTest::newRow("inclusive") << QStringList{"10"} << 7.0 << 1 << "9.3500"
                                   << "0.6500"
                                   << "10.0000";
        QTest::newRow("inclusive 107") << QStringList{"107"} << 7.0 << 1 << "100.0000"
                                       << "7.0000"
                                       << "107.0000";
        QTest::newRow("four decimals kept") << QStringList{"100.005"} << 7.0 << 0 << "100.0050"
                                            << "7.0000"
                                            << "107.0050";
        QTest::newRow("no lines") << QStringList{} << 7.0 << 0 << "0.0000"
                                  << "0.0000"
                                  << "0.0000";
    }

    void invoiceTax() {
        QFETCH(QStringList, lines);
        QFETCH(double, rate);
        QFETCH(int, inclusive);
        QFETCH(QString, goods);
        QFETCH(QString, tax);
        QFETCH(QString, total);
        TTestFolder folder;
        TdmMain dm;
        QString err;
        QVERIFY(dm.ConnectDb(dm.SQLConn_Main, "Main", err));
        dm.ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE, INCLUSIVE) VALUES (9, 'T', :R, :I)",
                   {{"R", rate}, {"I", inclusive}});
        dm.ExecSQL("INSERT INTO AR_TRAN (ID) VALUES (1)");
        int line = 0;
        for (const QString& amount : lines) {
            TMoney m;
            QVERIFY(TMoney::FromString(amount, m));
            dm.ExecSQL("INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, AMOUNT) VALUES (1, :L, :A)",
                       {{"L", ++line}, {"A", QVariant::fromValue(m)}});
        }
        dm.ExecSQL("INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, AMOUNT) VALUES (1, 99, NULL)");
        TMoney t, x, g;
        dm.CalcArTranTax(1, 9, t, x, g);
        QCOMPARE(g.ToString(), goods);
        QCOMPARE(x.ToString(), tax);
        QCOMPARE(t.ToString(), total);
        // A missing tax code is 0 % exclusive.
        dm.CalcArTranTax(1, 77, t, x, g);
        QCOMPARE(x, TMoney());
        QCOMPARE(t, g);
    }
};

QTEST_MAIN(TstTax)
#include "tst_tax.moc"
