// Embedded objects in rich text: a received note's text may carry OLE objects
// that the editor would load and activate. They are taken out and replaced by
// the picture or text the object last showed (its result), so the note reads
// and looks the same.
#pragma once

#include "foundation/StdStr.h"

// Every {\object ...} group replaced by the content of its {\result ...}
// group, in a group of its own, or removed when it has none; everything else
// stays byte for byte. Text that is not rich text is returned as it is.
CStdStr RemoveRtfObjects(const CStdStr& rtf);
