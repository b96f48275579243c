// Helpers shared by the fuzz targets: a quiet Log file, a private work
// directory for the parsers that read files, and checks of what a parser
// gives back.
#ifndef LUMO_FUZZ_FUZZ_SUPPORT_H
#define LUMO_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

class Log;

// A Log file on /dev/null: hostile input makes the parsers log a great
// deal, and writing it all to standard error slows the fuzzer down.
Log& quietLog();

// A directory of this process's own, made with mkdtemp under $TMPDIR (else
// /tmp) and removed at a normal exit.
const std::string& workDir();

// The path of a file or directory in the work directory.
std::string workPath(const std::string& name);

// Makes a directory in the work directory (its parents first).
void makeWorkDir(const std::string& name);

// Writes the bytes to the named file in the work directory, replacing what
// it held, and returns its path.
std::string writeInput(const std::string& name, const uint8_t* data, size_t size);
std::string writeInput(const std::string& name, const std::string& text);

std::string readWhole(const std::string& path);

// Whether the identifier is one of the model table's.
bool isModelId(int id);

// Whether a line filter's output has the input's lines: as many line
// feeds, or one more when the input's last line had none.
bool keepsLines(const std::string& input, const std::string& output);

// Aborts with the failed condition, which libFuzzer reports as a crash
// with the input that caused it.
[[noreturn]] void fuzzCheckFailed(const char* condition, const char* file, int line);

#define FUZZ_CHECK(condition) \
  ((condition) ? void(0) : fuzzCheckFailed(#condition, __FILE__, __LINE__))

#endif
