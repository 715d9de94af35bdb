// Text from a file or the command line (a recording's lines, a file's name, a setting), made
// safe to show on a terminal, a console or a page: no byte of it can move the cursor, wipe a
// line or colour what follows, so a file cannot print a line of its own ("...: verified") into
// what we print. Every warning and verdict that quotes such text passes it through here.
//
//   - newline, carriage return and tab show as \n, \r and \t; the other C0 controls and DEL
//     as \xNN (ESC is \x1b);
//   - the C1 controls, U+0080 to U+009F (UTF-8 c2 80 to c2 9f), as \u0080 to \u009f;
//   - a byte that is not part of well-formed UTF-8 as \xNN (a lone 9b is CSI to a terminal
//     that reads bytes as Latin-1);
//   - everything else as it is, the backslash too: a Windows path reads as it was typed, and
//     text shown twice is shown as once. The escapes are for the eye, not for reading back.
#pragma once

#include <string>
#include <string_view>

namespace qv {

std::string printable(std::string_view text);

}  // namespace qv
