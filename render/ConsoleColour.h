#pragma once
// The four console colours of the loading reports, as stream manipulators:
//   std::cout << console::brightRed << std::endl;
// They colour only a terminal, unless colour has been forced on or off.
#include <rang.hpp>

#include <ostream>

namespace console {

inline std::ostream& brightCyan(std::ostream& os) { return os << rang::fgB::cyan; }
inline std::ostream& brightGreen(std::ostream& os) { return os << rang::fgB::green; }
inline std::ostream& white(std::ostream& os) { return os << rang::fg::gray; }
inline std::ostream& brightRed(std::ostream& os) { return os << rang::fgB::red; }

enum class ColourMode {
    Auto,   // colour only when the stream is a terminal
    Force,  // always write the colour codes (tests, logs read with a pager)
    Off,    // never write them
};

inline void setColourMode(ColourMode mode)
{
    switch (mode) {
    case ColourMode::Auto: rang::setControlMode(rang::control::Auto); break;
    case ColourMode::Force: rang::setControlMode(rang::control::Force); break;
    case ColourMode::Off: rang::setControlMode(rang::control::Off); break;
    }
    // On Windows a console is coloured through its own calls, which a file or
    // a pipe has not: forced colour writes the codes there as elsewhere.
    rang::setWinTermMode(mode == ColourMode::Force ? rang::winTerm::Ansi : rang::winTerm::Auto);
}

}  // namespace console
