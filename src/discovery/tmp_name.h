// Unique temporary files.
#ifndef LUMO_DISCOVERY_TMP_NAME_H
#define LUMO_DISCOVERY_TMP_NAME_H

#include <string>

// Creates an empty file "ORB" plus six unique characters in the directory,
// exclusively (never following an existing path), readable and writable by
// its owner only, and returns its path.  The prefix only names the caller
// in the failure message; when no file can be created the process ends
// with status 255.
std::string myTmpName(const std::string& dir, const char* prefix = nullptr);

// As myTmpName, but the file's name begins with namePrefix ("ORBLPD").
std::string tmpFileNamed(const std::string& dir, const char* namePrefix);

// Creates the empty file "<dir>/<prefix>XXXXXX" exclusively and returns
// its open descriptor, with its name in path; -1 on failure.
int createTmpFile(const std::string& dir, const std::string& prefix, std::string& path);

#endif
