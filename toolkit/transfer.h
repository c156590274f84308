#pragma once
// Pictures that arrive by drag and drop or through the clipboard, taken from
// what the other program offers.

#include <QMimeData>
#include <QString>
#include <optional>

#include "icon/types.h"

namespace toolkit {

// The first of the offered URLs, when it names a local file; several files
// dropped or copied at once count as their first.
std::optional<QString> firstLocalFile(const QMimeData& data);

// Offered image data (a screenshot, a picture copied in another program) as
// the bytes of a PNG file, so it is read like any picture file. Empty when
// the data holds no image.
icon::Bytes imageDataAsPng(const QMimeData& data);

}  // namespace toolkit
