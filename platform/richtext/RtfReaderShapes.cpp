// Pictures and shapes in the RTF reader. A shape's picture is the \pict in the value of its
// `pib` property; its \shprslt repeats it for readers without shapes and is skipped then.
// A shape without a picture is shown by its \shprslt, as before shapes were read.

#include "platform/richtext/RtfReaderEngine.h"

namespace pgw::richtext::detail {

void RtfReaderEngine::startPicture() {
    switch (top().destination) {
    case Destination::Picture: return;  // a \pict inside a picture changes nothing
    case Destination::Shape:            // a fill or other property picture: not the shape's
    case Destination::ShapeName: return skipGroup();
    default: return setDestination(Destination::Picture);
    }
}

bool RtfReaderEngine::handleShapeWord(Keyword keyword) {
    const Destination destination = top().destination;
    switch (keyword) {
    case Keyword::Shape:
        if (!shapes_.empty() && shapes_.back().depth == stack_.size()) shapes_.pop_back();
        shapes_.push_back({stack_.size(), false});
        return true;
    case Keyword::ShapeInstructions:
        // A shape in a group of shapes has its instructions inside the group's.
        if (destination == Destination::Body || destination == Destination::Shape) {
            setDestination(Destination::Shape);
        } else {
            skipGroup();
        }
        return true;
    case Keyword::ShapeResult:
        if (!shapes_.empty() && shapes_.back().pictured) skipGroup();
        return true;
    case Keyword::ShapeProperty: shapeProperty_.clear(); return true;
    case Keyword::ShapePropertyName:
        shapeProperty_.clear();
        setDestination(Destination::ShapeName);
        return true;
    case Keyword::ShapePropertyValue:
        // Outside a shape's instructions a property value is no text of the page either.
        setDestination(destination == Destination::Shape && shapeProperty_ == "pib" ? Destination::ShapeImage
                                                                                    : Destination::Shape);
        return true;
    default: return false;
    }
}

// Groups nested in the shape groups were closed: the shapes whose group closed are done.
void RtfReaderEngine::pruneShapes() {
    while (!shapes_.empty() && shapes_.back().depth > stack_.size()) shapes_.pop_back();
}

// A picture inside a group of shapes stands for all of them.
void RtfReaderEngine::markShapesPictured() {
    for (OpenShape& shape : shapes_) shape.pictured = true;
}

}  // namespace pgw::richtext::detail
