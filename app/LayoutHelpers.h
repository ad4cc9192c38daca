#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <vector>

namespace velmora::app {

// Sides of its parent that a child keeps its distance to when the parent is resized.
enum Anchor : unsigned {
    AnchorLeft = 1,
    AnchorTop = 2,
    AnchorRight = 4,
    AnchorBottom = 8,
};

// Places a child at fixed design coordinates and keeps it anchored: the distances to the
// anchored sides, measured against the parent's design size, stay as they are; a child
// anchored to two opposite sides stretches. The rule runs whenever the parent is resized.
void placeAnchored(QWidget* child, const QRect& designGeometry, unsigned anchors, QSize designParentSize);

// Offset that centres a control of controlSize in a panel of panelSize. Each size is
// halved on its own with integer division, which can differ by one pixel from halving
// the difference (panel 832, control 105 gives 364).
constexpr int centredOffset(int panelSize, int controlSize) {
    return panelSize / 2 - controlSize / 2;
}

// Centres child inside its parent with centredOffset on both axes.
void centreInParent(QWidget* child);

} // namespace velmora::app
