#pragma once

#include "boxplaces.h"
#include "layoutxml.h"

#include <QSize>
#include <QString>

namespace quillpix::layoutxml {

// The result box as a page of hOCR or ALTO: its text line by line (a line of the box is a line
// of the page, an empty line ends a block), each character on the place it was read from where
// it has one, with the engine's certainty and its mark. stored is the box's text, CR LF as two.
PageText pageOfBox(const QString& picture, QSize size, const QString& stored,
                   const textplacing::BoxPlaces& places);

} // namespace quillpix::layoutxml
