#include "app/Gauge.h"

#include <QHBoxLayout>
#include <QProgressBar>

#include <algorithm>

namespace velmora::app {

void GaugeRange::setValue(int value) {
    m_value = std::clamp(value, m_min, m_max);
}

void GaugeRange::setMinValue(int minValue) {
    m_min = std::min(minValue, m_max);
    m_value = std::max(m_value, m_min);
}

void GaugeRange::setMaxValue(int maxValue) {
    m_max = std::max(maxValue, m_min);
    m_value = std::min(m_value, m_max);
}

int GaugeRange::percent() const {
    if (m_max == m_min)
        return 0;
    // 64-bit on the way: byte counts near 2^31 times 100 overflow an int.
    return int((qint64(m_value) - m_min) * 100 / (qint64(m_max) - m_min));
}

Gauge::Gauge(QWidget* parent) : QWidget(parent), m_bar(new QProgressBar(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_bar);
    // The bar only ever sees the percentage: a range of 0..0 would turn Qt's bar into a
    // busy indicator, while an unknown length must simply show 0 %.
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(true);
    m_bar->setFormat(QStringLiteral("%p%"));
    m_bar->setAlignment(Qt::AlignCenter);
    showRange();
}

void Gauge::setValue(int value) {
    m_range.setValue(value);
    showRange();
}

void Gauge::setMinValue(int minValue) {
    m_range.setMinValue(minValue);
    showRange();
}

void Gauge::setMaxValue(int maxValue) {
    m_range.setMaxValue(maxValue);
    showRange();
}

QString Gauge::text() const {
    return m_bar->text();
}

void Gauge::showRange() {
    m_bar->setValue(m_range.percent());
}

} // namespace velmora::app
