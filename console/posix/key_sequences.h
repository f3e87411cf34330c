// The fixed byte sequences that terminals send for keys, and the key each
// one names: one table of literal sequences, from the bytes "ESC [ A" of the
// Up key to the bytes "ESC [ 2 4 ~" of F12.
//
// The table holds each sequence in its plain form. The key decoder reads
// the general forms by their parameters and looks up the plain form: a
// modifier parameter ("CSI 1;m A", "CSI m A", "SS3 m A", "CSI n;m ~") or
// rxvt's last byte ("CSI n $", "CSI n ^", "CSI n @") adds its modifier flags
// to the key of "CSI A", "SS3 A" or "CSI n ~".
#pragma once

#include <string_view>

#include "console/console_platform.h"

namespace console {

// The press of the key that a whole sequence names in its plain form (its
// virtual key, scan code, character and flags), or nullptr when the table
// has no such sequence.
const KeyEvent* findKeySequence(std::string_view bytes);

}  // namespace console
