#pragma once
// Drawing pictures with Qt: the stored bytes decoded, placed by the picture's alignment
// rules, and the tracker frame around a selected one.

#include "editors/pictures/CPictureObjList.h"

#include <QImage>

class QPainter;

namespace pgw::pictures {

// The decoded image; a null image for bytes Qt cannot decode (the picture then shows
// nothing but keeps its place).
QImage decodePicture(const PictureImage& image);

// The painter draws in device units; `dc` tells where logical (0, 0) lies.
void drawPicture(QPainter& painter, const CPictureObj& picture, const DeviceContext& dc);
void drawAllPictures(QPainter& painter, const CPictureObjList& pictures, const DeviceContext& dc);

// The tracker frame: a hatched border outside the rectangle when the style has bit 4,
// a solid line for bit 1, a dotted one for bit 2.
void drawTracker(QPainter& painter, const PictureRect& device, int32_t style);

}  // namespace pgw::pictures
