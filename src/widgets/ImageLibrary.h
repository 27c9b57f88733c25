// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

#include <memory>

class QPainter;
class QRectF;

namespace quaverly {

// One picture of the artwork, kept as its vector source so it can be drawn crisp at any
// scale and device pixel ratio. Cheap to copy; copies share the source. A null Image (a
// name that could not be loaded) draws nothing and has an empty size. Main thread only.
class Image {
public:
    Image() = default;

    [[nodiscard]] bool isNull() const { return !mSource; }
    [[nodiscard]] const QString &name() const { return mName; }
    // Natural size in logical pixels (points).
    [[nodiscard]] QSizeF size() const { return mSize; }

    // From the vector source, crisp at any scale.
    void draw(QPainter &painter, const QRectF &target) const;
    // The picture at its natural size, rasterised for the given device pixel ratio. The last
    // one made is kept (shared by all copies), so layers redrawn often at one size cost a blit.
    [[nodiscard]] QImage toImage(qreal devicePixelRatio) const;

    // Same source (identity, not pixels).
    friend bool operator==(const Image &a, const Image &b) { return a.mSource == b.mSource; }

private:
    friend class ImageLibrary;
    struct Source; // the vector picture and its last raster
    QString mName;
    QSizeF mSize;
    std::shared_ptr<Source> mSource;
};

// The one loader of the artwork by name: ":/images/<name>.svg" from the resources, loaded
// once and kept for the program's life. A missing or malformed picture gives a null Image
// and one warning line naming it. Main thread only.
class ImageLibrary {
public:
    [[nodiscard]] static Image image(const QString &name);
};

} // namespace quaverly
