#pragma once

#include <cstdint>

namespace sigpatch::toolkit::qt {

/// The system's key code of a Qt key (Qt::Key): F1 is 112, Enter 13, Esc 27,
/// "A" 65, "0" 48; 0 for a key the system has no code for.
std::int16_t keyCodeOf(int qtKey);

/// The shift state of Qt's keyboard modifiers: 1 Shift, 2 Ctrl, 4 Alt, added.
std::int16_t shiftOf(unsigned modifiers);

}  // namespace sigpatch::toolkit::qt
