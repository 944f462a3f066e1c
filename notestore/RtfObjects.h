// Embedded objects in rich text: a received note's text may carry OLE objects
// that the editor would load and activate. They are taken out and replaced by
// the picture or text the object last showed (its result), so the note reads
// and looks the same.
#pragma once

#include "foundation/StdStr.h"

// Every object group replaced by the content of its {\result ...} group, in a
// group of its own, or removed when it has none; everything else stays byte
// for byte. An object group is any group whose own level holds the control
// word \object or \objdata, whatever comes before it; \object and \objdata
// never remain. Binary data (\binN and its data) is left out, since readers
// that count it differently would read part of it as rich text. Text that is
// not rich text is returned as it is. Any depth is walked without recursion;
// whether a control may read the result is CheckRtf's to say.
CStdStr RemoveRtfObjects(const CStdStr& rtf);
