#include "WindowTest.h"
#include "common/NumberText.h"

#include <QTest>

class NumberTextTest : public QObject {
    Q_OBJECT
private slots:
    void readsDecimalCommaTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("fraction") << "12,5" << true << 12.5;
        QTest::newRow("zero") << "0" << true << 0.0;
        QTest::newRow("blanks around") << "  37,5 " << true << 37.5;
        QTest::newRow("sign") << "-300" << true << -300.0;
        QTest::newRow("plus") << "+7" << true << 7.0;
        QTest::newRow("leading comma") << ",5" << true << 0.5;
        QTest::newRow("trailing comma") << "12," << true << 12.0;
        QTest::newRow("leading zeros") << "007" << true << 7.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0;
        QTest::newRow("decimal point") << "12.5" << false << 0.0;
        QTest::newRow("words") << "kaksi" << false << 0.0;
        QTest::newRow("inner blank") << "1 000" << false << 0.0;
        QTest::newRow("sign alone") << "-" << false << 0.0;
        QTest::newRow("exponent") << "1e5" << false << 0.0;
    }
    void readsDecimalCommaTexts() {
        QFETCH(QString, text);
        QCOMPARE(ParseNumber(text).has_value(), cell<bool>("isNumber"));
        QCOMPARE(NumberFromText(text), cell<double>("value"));
    }

    void writesFifteenSignificantDigitsWithTheDecimalComma_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("cents") << 1234.0 / 100 << "12,34";
        QTest::newRow("one decimal") << 1230.0 / 100 << "12,3";
        QTest::newRow("whole") << 1200.0 / 100 << "12";
        QTest::newRow("tenths of penni") << 37.5 << "37,5";
        QTest::newRow("small") << 5.0 / 100 << "0,05";
        QTest::newRow("binary fraction noise") << 0.1 + 0.2 << "0,3";
        QTest::newRow("sum of tenths") << 12.5 + 12.5 + 12.5 << "37,5";
        QTest::newRow("fifteen digits") << 123456789.0123456789 << "123456789,012346";
        QTest::newRow("large whole") << 123456789012.0 << "123456789012";
        QTest::newRow("negative") << -300.0 << "-300";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("tiny") << 0.00001 << "0,00001";
    }
    void writesFifteenSignificantDigitsWithTheDecimalComma() {
        QCOMPARE(NumberToText(cell<double>("value")), cell("text"));
    }

    void readsWholeNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("isWhole");
        QTest::newRow("plain") << "60" << 60 << true;
        QTest::newRow("negative") << "-1" << -1 << true;
        QTest::newRow("half to even down") << "2,5" << 2 << true;
        QTest::newRow("half to even up") << "3,5" << 4 << true;
        QTest::newRow("too large") << "3000000000" << 0 << false;
        QTest::newRow("no number") << "abc" << 0 << false;
    }
    void readsWholeNumbers() {
        QFETCH(bool, isWhole);
        const std::optional<qint32> value = WholeNumberFromText(cell("text"));
        QCOMPARE(value.has_value(), isWhole);
        if (isWhole)
            QCOMPARE(*value, cell<int>("expected"));
    }
};

QTEST_GUILESS_MAIN(NumberTextTest)
#include "tst_numbertext.moc"
