// The process's standard descriptors 0, 1 and 2 made sure to be open.
//
// A descriptor closed at start would be taken by the next one the process
// makes (the wake pipe, a file): the quiz would then write its transcript
// into it, or read it back as answers. Opened on the null device instead, a
// closed standard input is an exhausted input (empty answers) and a closed
// output takes every write and keeps nothing.
#pragma once

namespace console {

// Opens each of the standard descriptors that is closed on the null device:
// standard input for reading, output and error for writing. Call before any
// other descriptor is made. A device that cannot be opened leaves the
// descriptor closed.
void openClosedStandardDescriptors();

}  // namespace console
