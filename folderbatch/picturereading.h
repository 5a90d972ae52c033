#pragma once

#include "batchsettings.h"
#include "pagereader.h"

#include <QImage>

namespace quillpix::folderbatch {

// One picture read as the batch reads it: with "自動", prepared and read with the settings found
// for it (pipeline::prepareAutomatic), otherwise as it is with the batch's settings; the text
// tidied by the batch's text rules. The lines, when asked for, lie on the picture as it came, also
// when "自動" read it straightened. A picture the analysis of "自動" could not take fails with
// the analysis' reason, unread.
PageReader::PageReading readPicture(PageReader::Worker& worker, const QImage& picture,
                                    const Settings& settings, bool withLines = false);

} // namespace quillpix::folderbatch
