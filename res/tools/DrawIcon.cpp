// Draws icon 128 (a folder with three bars of a chart in front) as PNG files of 16 to 64 pixels.
// Every edge is laid on a 16-unit grid and rounded to whole pixels at each size, so the icon stays
// crisp where a scaled picture would blur. Run: kestrum_draw_icon <output folder>.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <cmath>
#include <cstdio>

namespace {

struct GridRect {
    double left, top, right, bottom; // in sixteenths of the icon's side
};

QRect ToPixels(const GridRect& rect, int size)
{
    auto pixel = [size](double units) { return static_cast<int>(std::lround(units * size / 16.0)); };
    return QRect(QPoint(pixel(rect.left), pixel(rect.top)), QPoint(pixel(rect.right) - 1, pixel(rect.bottom) - 1));
}

// A filled rectangle with an outline one pixel wide (two from 48 pixels up).
void FillOutlined(QPainter& painter, const QRect& rect, const QColor& fill, const QColor& outline, int size)
{
    const int line = size >= 48 ? 2 : 1;
    painter.fillRect(rect, outline);
    painter.fillRect(rect.adjusted(line, line, -line, -line), fill);
}

QImage DrawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);

    const QColor outline(0x6b, 0x4a, 0x08);
    FillOutlined(painter, ToPixels({1, 2, 7, 6}, size), QColor(0xe0, 0xa0, 0x22), outline, size); // tab
    FillOutlined(painter, ToPixels({1, 4, 15, 14}, size), QColor(0xf6, 0xc8, 0x4c), outline, size); // body

    const QColor bars[] = {QColor(0x2a, 0x6f, 0xd6), QColor(0x2e, 0x9e, 0x4a), QColor(0xd9, 0x45, 0x2b)};
    const GridRect barRects[] = {{3.5, 9, 5.5, 12.5}, {7, 7, 9, 12.5}, {10.5, 5.5, 12.5, 12.5}};
    for (int i = 0; i < 3; ++i)
        painter.fillRect(ToPixels(barRects[i], size), bars[i]);
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 24, 32, 48, 64}) {
        const QString path = folder.filePath(QStringLiteral("kestrum-%1.png").arg(size));
        if (!DrawIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
