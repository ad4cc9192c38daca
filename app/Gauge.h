#pragma once

#include <QWidget>

class QProgressBar;

namespace velmora::app {

// The numbers behind the progress gauge. Value always stays within MinValue..MaxValue:
// setting it clamps it, and moving a bound past it drags it along. A bound is never moved
// past the other one.
class GaugeRange {
public:
    int minValue() const { return m_min; }
    int maxValue() const { return m_max; }
    int value() const { return m_value; }

    void setValue(int value);
    void setMinValue(int minValue);
    void setMaxValue(int maxValue);

    // Value as a whole percentage of the range, rounded down; 0 for an empty range.
    int percent() const;

private:
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
};

// A progress bar with the gauge's range rules, showing its value as a percentage.
class Gauge final : public QWidget {
    Q_OBJECT

public:
    explicit Gauge(QWidget* parent = nullptr);

    int minValue() const { return m_range.minValue(); }
    int maxValue() const { return m_range.maxValue(); }
    int value() const { return m_range.value(); }

    void setValue(int value);
    void setMinValue(int minValue);
    void setMaxValue(int maxValue);

    // What the gauge shows, e.g. "42%".
    QString text() const;

private:
    void showRange();

    GaugeRange m_range;
    QProgressBar* m_bar;
};

} // namespace velmora::app
