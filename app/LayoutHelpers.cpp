#include "app/LayoutHelpers.h"

#include <QEvent>

namespace velmora::app {
namespace {

// Watches one parent and re-applies the anchoring of its children when it is resized.
class AnchorKeeper final : public QObject {
public:
    explicit AnchorKeeper(QWidget* parent) : QObject(parent) { parent->installEventFilter(this); }

    void add(QWidget* child, unsigned anchors, QMargins distances) {
        m_entries.push_back({child, anchors, distances});
        // A parent that is not shown yet gets its real size later, with a resize event.
        if (auto* owner = static_cast<QWidget*>(parent()); owner->isVisible())
            apply(m_entries.back(), owner->size());
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && watched == parent()) {
            const QSize size = static_cast<QWidget*>(watched)->size();
            for (const Entry& entry : m_entries)
                apply(entry, size);
        }
        return false;
    }

    static AnchorKeeper* of(QWidget* parent) {
        // No meta-object of its own, so findChild() cannot tell it apart.
        for (QObject* child : parent->children()) {
            if (auto* keeper = dynamic_cast<AnchorKeeper*>(child))
                return keeper;
        }
        return new AnchorKeeper(parent);
    }

private:
    struct Entry {
        QPointer<QWidget> child;
        unsigned anchors;
        QMargins distances; // to the left, top, right and bottom side of the parent
    };

    static void apply(const Entry& entry, QSize parentSize) {
        if (!entry.child)
            return;
        QRect r = entry.child->geometry();
        const QMargins& d = entry.distances;
        if ((entry.anchors & AnchorLeft) && (entry.anchors & AnchorRight)) {
            r.setLeft(d.left());
            r.setWidth(qMax(0, parentSize.width() - d.left() - d.right()));
        } else if (entry.anchors & AnchorRight) {
            r.moveLeft(parentSize.width() - d.right() - r.width());
        }
        if ((entry.anchors & AnchorTop) && (entry.anchors & AnchorBottom)) {
            r.setTop(d.top());
            r.setHeight(qMax(0, parentSize.height() - d.top() - d.bottom()));
        } else if (entry.anchors & AnchorBottom) {
            r.moveTop(parentSize.height() - d.bottom() - r.height());
        }
        entry.child->setGeometry(r);
    }

    std::vector<Entry> m_entries;
};

} // namespace

void placeAnchored(QWidget* child, const QRect& designGeometry, unsigned anchors, QSize designParentSize) {
    child->setGeometry(designGeometry);
    const QMargins distances(designGeometry.left(), designGeometry.top(),
                             designParentSize.width() - designGeometry.left() - designGeometry.width(),
                             designParentSize.height() - designGeometry.top() - designGeometry.height());
    // Only the opposite sides need a watcher; left/top anchoring is what a fixed position does.
    if (anchors & (AnchorRight | AnchorBottom))
        AnchorKeeper::of(child->parentWidget())->add(child, anchors, distances);
}

void centreInParent(QWidget* child) {
    const QWidget* panel = child->parentWidget();
    child->move(centredOffset(panel->width(), child->width()),
                centredOffset(panel->height(), child->height()));
}

} // namespace velmora::app
