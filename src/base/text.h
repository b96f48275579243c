// Text helpers shared by every layer: printf-style formatting, trimming
// the end of a line, blanking control characters, the local time.
#ifndef LUMO_BASE_TEXT_H
#define LUMO_BASE_TEXT_H

#include <cstdarg>
#include <string>

// Text settings and paths hold at most this many characters; longer values
// are refused, never cut.
constexpr size_t kTextMax = 255;

// printf-style formatting into a new text.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string formatTextV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// Drops every trailing character that is one of `chars`, in place.
void trimEnd(std::string& text, const char* chars);

// Replaces every character below 0x20 by a blank, in place.
void blankControls(std::string& text);

// Whether text ends with tail.
bool endsWith(const std::string& text, const std::string& tail);

// The path's last name: what follows its last slash (all of it without
// one).
std::string lastName(const std::string& path);

// The directory holding the path's last name: "." without a slash, "/"
// for a name at the root.
std::string parentDir(const std::string& path);

// The local time in ctime's 24-character form followed by its line feed.
std::string timeText();

#endif
