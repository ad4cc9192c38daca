// The status-bar gauge: its range rules and what it shows.

#include "app/Gauge.h"

#include <QTest>

#include <climits>

using velmora::app::Gauge;
using velmora::app::GaugeRange;

namespace {

// One step applied to a gauge: which property and the value it is set to.
struct Step {
    char property; // 'n' MinValue, 'x' MaxValue, 'v' Value
    int value;
};

template <class G> void apply(G& gauge, const QList<Step>& steps) {
    for (const Step& step : steps) {
        if (step.property == 'n')
            gauge.setMinValue(step.value);
        else if (step.property == 'x')
            gauge.setMaxValue(step.value);
        else
            gauge.setValue(step.value);
    }
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestGauge : public QObject {
    Q_OBJECT

private slots:
    void range_data();
    void range();
    void widgetShowsPercentage_data() { range_data(); }
    void widgetShowsPercentage();
};

void TestGauge::range_data() {
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("percent");

    QTest::newRow("as the window opens") << QList<Step>{} << 0 << 100 << 0 << 0;
    QTest::newRow("value inside") << QList<Step>{{'v', 42}} << 0 << 100 << 42 << 42;
    QTest::newRow("value above the maximum") << QList<Step>{{'v', 150}} << 0 << 100 << 100 << 100;
    QTest::newRow("value below the minimum") << QList<Step>{{'v', 20}, {'v', -5}} << 0 << 100 << 0 << 0;
    QTest::newRow("download begins") << QList<Step>{{'v', 70}, {'x', 5000}, {'v', 0}} << 0 << 5000 << 0 << 0;
    QTest::newRow("download halfway") << QList<Step>{{'x', 5000}, {'v', 2500}} << 0 << 5000 << 2500 << 50;
    QTest::newRow("count above the total")
        << QList<Step>{{'x', 5000}, {'v', 6000}} << 0 << 5000 << 5000 << 100;
    QTest::newRow("maximum lowered below value") << QList<Step>{{'v', 80}, {'x', 40}} << 0 << 40 << 40 << 100;
    QTest::newRow("unknown length stays at 0")
        << QList<Step>{{'v', 30}, {'x', 0}, {'v', 1234}} << 0 << 0 << 0 << 0;
    QTest::newRow("rounded down") << QList<Step>{{'x', 3}, {'v', 2}} << 0 << 3 << 2 << 66;
    QTest::newRow("huge totals do not overflow")
        << QList<Step>{{'x', INT_MAX}, {'v', INT_MAX / 2}} << 0 << INT_MAX << INT_MAX / 2 << 49;
    QTest::newRow("whole huge total")
        << QList<Step>{{'x', INT_MAX}, {'v', INT_MAX}} << 0 << INT_MAX << INT_MAX << 100;
    QTest::newRow("maximum never below minimum") << QList<Step>{{'x', -1}} << 0 << 0 << 0 << 0;
    QTest::newRow("minimum raised above value") << QList<Step>{{'v', 5}, {'n', 10}} << 10 << 100 << 10 << 0;
    QTest::newRow("minimum never above maximum") << QList<Step>{{'n', 500}} << 100 << 100 << 100 << 0;
    QTest::newRow("range not starting at 0")
        << QList<Step>{{'n', 100}, {'x', 300}, {'v', 150}} << 100 << 300 << 150 << 25;
}

void TestGauge::range() {
    QFETCH(QList<Step>, steps);
    GaugeRange gauge;
    apply(gauge, steps);
    QTEST(gauge.minValue(), "minValue");
    QTEST(gauge.maxValue(), "maxValue");
    QTEST(gauge.value(), "value");
    QTEST(gauge.percent(), "percent");
}

void TestGauge::widgetShowsPercentage() {
    QFETCH(QList<Step>, steps);
    QFETCH(int, percent);
    Gauge gauge;
    apply(gauge, steps);
    QTEST(gauge.value(), "value");
    QTEST(gauge.maxValue(), "maxValue");
    // Never a busy indicator, even for an empty range.
    QCOMPARE(gauge.text(), QString::number(percent) + u'%');
}

QTEST_MAIN(TestGauge)
#include "tst_Gauge.moc"
