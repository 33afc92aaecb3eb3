// A screen or client rectangle with exclusive right and bottom edges, the shape the placement
// arithmetic and the monitor lookups work in. QRect's right() and bottom() are inclusive, so
// conversions go through its width and height.
#pragma once

#include <QRect>

#include <algorithm>
#include <climits>

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive
    int bottom = 0; // exclusive

    // Width and height in 64 bits: stored rectangles can hold any integers.
    long long Width() const { return static_cast<long long>(right) - left; }
    long long Height() const { return static_cast<long long>(bottom) - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }

    bool operator==(const Rect&) const = default;

    static Rect FromQRect(const QRect& rect)
    {
        return {rect.left(), rect.top(), Saturate(static_cast<long long>(rect.left()) + rect.width()),
                Saturate(static_cast<long long>(rect.top()) + rect.height())};
    }

    QRect ToQRect() const { return QRect(left, top, Saturate(Width()), Saturate(Height())); }

    static int Saturate(long long value)
    {
        return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
    }
};
