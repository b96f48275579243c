// Trimming the end of a line read from a text file.
#ifndef LUMO_INSTALL_LINE_END_H
#define LUMO_INSTALL_LINE_END_H

#include <string>

// Removes every line feed, carriage return and blank at the end of the
// text, in place.  Returns 0.
int stripLineEnd(std::string& text);

#endif
