// The replacements for the host methods the extension interposes, and the table that installs
// them at load time.
//
// Each replacement decides only whether the host's own method runs, and whether and when the
// presentation is asked to act. A replacement that lets the host's behaviour run calls its
// slot once, with the receiver, selector and arguments unchanged.
#pragma once

#include "platform/Runtime.h"

namespace velorin {

// Hands every row of the table, in order, to the interposition facility. Rows whose class the
// running host lacks, or whose class has no such method, install nothing.
void installHookTable();

// Empties every slot, as at load.
void resetHookSlots();

} // namespace velorin
