// Draws icon 128 (a folder with three bars of a chart in front) as PNG files of 16 to 64 pixels,
// and as one SVG for the desktop's scalable icons. Every edge is laid on a 16-unit grid and
// rounded to whole pixels at each size, so the icon stays crisp where a scaled picture would blur.
// Run: kestrum_draw_icon <output folder>.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <cmath>
#include <cstdio>

namespace {

struct GridRect {
    double left, top, right, bottom; // in sixteenths of the icon's side
};

struct Shape {
    GridRect rect;
    QColor fill;
    bool bOutlined;
};

const QColor kOutline(0x6b, 0x4a, 0x08);

// Back to front: the folder's tab and body, then the bars.
const Shape kShapes[] = {
    {{1, 2, 7, 6}, QColor(0xe0, 0xa0, 0x22), true},
    {{1, 4, 15, 14}, QColor(0xf6, 0xc8, 0x4c), true},
    {{3.5, 9, 5.5, 12.5}, QColor(0x2a, 0x6f, 0xd6), false},
    {{7, 7, 9, 12.5}, QColor(0x2e, 0x9e, 0x4a), false},
    {{10.5, 5.5, 12.5, 12.5}, QColor(0xd9, 0x45, 0x2b), false},
};

// The outline is one pixel wide, two from 48 pixels up; the SVG takes the 64-pixel proportion.
int OutlinePixels(int size)
{
    return size >= 48 ? 2 : 1;
}
constexpr double kSvgOutlineUnits = 0.5;

QRect ToPixels(const GridRect& rect, int size)
{
    auto pixel = [size](double units) { return static_cast<int>(std::lround(units * size / 16.0)); };
    return QRect(QPoint(pixel(rect.left), pixel(rect.top)), QPoint(pixel(rect.right) - 1, pixel(rect.bottom) - 1));
}

QImage DrawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const int line = OutlinePixels(size);
    for (const Shape& shape : kShapes) {
        const QRect rect = ToPixels(shape.rect, size);
        if (shape.bOutlined) {
            painter.fillRect(rect, kOutline);
            painter.fillRect(rect.adjusted(line, line, -line, -line), shape.fill);
        } else {
            painter.fillRect(rect, shape.fill);
        }
    }
    return image;
}

QString SvgRect(const GridRect& rect, double inset, const QColor& fill)
{
    return QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
        .arg(rect.left + inset)
        .arg(rect.top + inset)
        .arg(rect.right - rect.left - 2 * inset)
        .arg(rect.bottom - rect.top - 2 * inset)
        .arg(fill.name());
}

QByteArray DrawSvg()
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
                                  "viewBox=\"0 0 16 16\">\n");
    for (const Shape& shape : kShapes) {
        if (shape.bOutlined) {
            text += SvgRect(shape.rect, 0, kOutline);
            text += SvgRect(shape.rect, kSvgOutlineUnits, shape.fill);
        } else {
            text += SvgRect(shape.rect, 0, shape.fill);
        }
    }
    text += QStringLiteral("</svg>\n");
    return text.toUtf8();
}

bool WriteFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size() &&
           file.flush();
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
    const QString svgPath = folder.filePath(QStringLiteral("kestrum.svg"));
    if (!WriteFile(svgPath, DrawSvg())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svgPath));
        return 1;
    }
    return 0;
}
