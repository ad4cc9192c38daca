// Draws Velmora's own window icon: a white "V" on a blue rounded square, with an amber
// magnifying glass over its lower right. Writes one PNG per size into the given directory.
// Usage: velmora-icon-gen resources/icons   (writes velmora-16.png ... velmora-256.png)

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size, size); // draw in units of the icon's side

    const QRectF tile(0.04, 0.04, 0.92, 0.92);
    QLinearGradient background(tile.topLeft(), tile.bottomLeft());
    background.setColorAt(0, QColor(0x29, 0x79, 0xd8));
    background.setColorAt(1, QColor(0x0d, 0x3b, 0x8c));
    QPainterPath tilePath;
    tilePath.addRoundedRect(tile, 0.2, 0.2);
    p.fillPath(tilePath, background);

    const QPolygonF v{{0.17, 0.2}, {0.35, 0.2}, {0.47, 0.58}, {0.59, 0.2},
                      {0.77, 0.2}, {0.56, 0.8}, {0.38, 0.8}};
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(v);

    const QPointF lens(0.66, 0.63);
    const qreal radius = 0.17;
    const QColor amber(0xff, 0xb3, 0x00);
    QPen handle(amber, 0.1, Qt::SolidLine, Qt::RoundCap);
    p.setPen(handle);
    p.drawLine(lens + QPointF(0.13, 0.13), QPointF(0.86, 0.86));
    p.setPen(QPen(amber, 0.065));
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(lens, radius, radius);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("Usage: velmora-icon-gen DIRECTORY\n", stderr);
        return 2;
    }
    for (const int size : kSizes) {
        const QString path = QFile::decodeName(argv[1]) + QStringLiteral("/velmora-%1.png").arg(size);
        if (!drawIcon(size).save(path)) {
            std::fprintf(stderr, "velmora-icon-gen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
