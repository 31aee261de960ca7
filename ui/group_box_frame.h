// The frame of the group boxes. Qt's Fusion style draws it from a PNG image among Qt's
// resources, loaded through the pixmap cache. Loaded the usual way, Qt's image reader first
// loads every image format plugin and asks each whether it reads PNG, and only then takes its
// own PNG reader. Here the image is read by that PNG reader directly and put into the pixmap
// cache under the key that the style's load looks up, so the first paint of a group box loads
// no plugin. The pixels are the same: the same file through the same reader.
//
// The start dialog does it before it creates its group boxes.
#pragma once

#include <QPixmap>
#include <QString>

namespace markwick {

// The resource that the style draws group-box frames from.
QString GroupBoxFramePath();

// Puts the frame image into the pixmap cache unless it is there, and gives the cached pixmap;
// a null pixmap when the image cannot be read.
QPixmap PreloadGroupBoxFrame();

}  // namespace markwick
