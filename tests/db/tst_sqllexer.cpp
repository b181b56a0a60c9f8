// The one tokenizer that reads statements back: tokens, and the select list
// and table of a SELECT however it is laid out.
#include <QtTest>

#include "TSqlLexer.h"

namespace {

const char* KindName(TSqlTokenKind k) {
    switch (k) {
        case TSqlTokenKind::Word:
            return "W";
        case TSqlTokenKind::QuotedName:
            return "Q";
        case TSqlTokenKind::String:
            return "S";
        case TSqlTokenKind::Number:
            return "N";
        case TSqlTokenKind::Param:
            return "P";
        case TSqlTokenKind::Punct:
            return "X";
        case TSqlTokenKind::Comment:
            return "C";
    }
    return "?";
}

}  // namespace

class TstSqlLexer : public QObject {
    Q_OBJECT

private slots:
    void tokens_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("tokens");  // kind, text, @depth
        QTest::newRow("doubled quotes")
            << "'it''s' \"A\"\"B\"" << QStringList{"S'it''s'@0", "Q\"A\"\"B\"@0"};
        QTest::newRow("numbers and params")
            << "X=1.5e3 AND Y=:p_1"
            << QStringList{"WX@0", "X=@0", "N1.5e3@0", "WAND@0", "WY@0", "X=@0", "P:p_1@0"};
        QTest::newRow("comments") << "A -- B 'x\n/* C\n*/ D"
                                  << QStringList{"WA@0", "C-- B 'x\n@0", "C/* C\n*/@0", "WD@0"};
        QTest::newRow("depth") << "F(G(1),2)" << QStringList{"WF@0", "X(@0", "WG@1", "X(@1", "N1@2",
                                                             "X)@1", "X,@1", "N2@1", "X)@0"};
        QTest::newRow("unterminated") << "'abc" << QStringList{"S'abc@0"};
    }

    void tokens() {
        QFETCH(QString, sql);
        QFETCH(QStringList, tokens);
        QStringList got;
        const TSqlLexer lex(sql, true);
        for (const TSqlToken& t : lex.Tokens())
            got << KindName(t.Kind) + t.Text + '@' + QString::number(t.Depth);
        QCOMPARE(got, tokens);
    }

    void selectList_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("columns");  // expression, "|alias" if any
        QTest::addColumn<QString>("table");
        const QStringList idName{"ID", "NAME"};
        QTest::newRow("tab after SELECT") << "SELECT\tID,NAME FROM IC_ITEM" << idName << "IC_ITEM";
        QTest::newRow("newline before FROM")
            << "SELECT ID, NAME\nFROM IC_ITEM" << idName << "IC_ITEM";
        QTest::newRow("lower case") << "select id, name from ic_item" << idName << "IC_ITEM";
        QTest::newRow("distinct") << "SELECT DISTINCT ID, NAME FROM IC_ITEM" << idName << "IC_ITEM";
        QTest::newRow("first skip") << "SELECT FIRST 10 SKIP (2) ID, NAME FROM T" << idName << "T";
        QTest::newRow("AS aliases") << "SELECT ID AS K, NAME AS \"Item\" FROM IC_ITEM I"
                                    << QStringList{"ID|K", "NAME|Item"} << "IC_ITEM";
        QTest::newRow("bare aliases") << "SELECT I.ID K, I.NAME N FROM IC_ITEM I"
                                      << QStringList{"I.ID|K", "I.NAME|N"} << "IC_ITEM";
        QTest::newRow("quoted names") << "SELECT \"Id\", \"a,b\" FROM \"My \"\"T\"\"\""
                                      << QStringList{"Id", "a,b"} << "My \"T\"";
        QTest::newRow("literals") << "SELECT 'x FROM y' AS S, ID FROM T WHERE N = 'WHERE ORDER BY'"
                                  << QStringList{"'x FROM y'|S", "ID"} << "T";
        QTest::newRow("comments") << "SELECT ID, -- FROM X\n /* , NAME FROM Y */ NAME FROM T"
                                  << idName << "T";
        QTest::newRow("subselect in list")
            << "SELECT ID, (SELECT MAX(Q) FROM L WHERE L.ID = T.ID) AS M FROM T"
            << QStringList{"ID", "(SELECT MAX(Q) FROM L WHERE L.ID = T.ID)|M"} << "T";
        QTest::newRow("subselect in WHERE")
            << "SELECT ID FROM T WHERE ID IN (SELECT ID FROM U)" << QStringList{"ID"} << "T";
        QTest::newRow("case") << "SELECT CASE WHEN A=1 THEN 'y' ELSE 'n' END FROM T"
                              << QStringList{"CASE WHEN A=1 THEN 'y' ELSE 'n' END"} << "T";
        QTest::newRow("derived table")
            << "SELECT A FROM (SELECT 1 AS A FROM RDB$DATABASE)" << QStringList{"A"} << "";
    }

    void selectList() {
        QFETCH(QString, sql);
        QFETCH(QStringList, columns);
        QFETCH(QString, table);
        const TSqlSelect s = ParseSelect(sql);
        QStringList got;
        for (const TSqlColumn& c : s.Columns)
            got << (c.Alias.isEmpty() ? c.Expr : c.Expr + '|' + c.Alias);
        QCOMPARE(got, columns);
        QCOMPARE(s.Table, table);
    }
};

QTEST_GUILESS_MAIN(TstSqlLexer)
#include "tst_sqllexer.moc"
