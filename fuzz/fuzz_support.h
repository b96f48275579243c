// Helpers shared by the fuzz targets: a quiet Log file, streams over the
// input's bytes and into memory for the parsers that read and write FILE
// streams, and checks of what a parser gives back.
#ifndef LUMO_FUZZ_FUZZ_SUPPORT_H
#define LUMO_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/files.h"

class Log;

// A Log that drops every message: hostile input makes the parsers log a
// great deal, and writing it all to standard error slows the fuzzer down.
Log& quietLog();

// A stream reading the bytes (fmemopen), NUL bytes included: no file is
// made for an input.  Its buffer is part of the object, so that an input
// takes no fresh heap memory for it.  The bytes must outlive it.
class InputStream {
 public:
  InputStream(const uint8_t* data, size_t size);
  explicit InputStream(const std::string& text);
  InputStream(const InputStream&) = delete;
  InputStream& operator=(const InputStream&) = delete;

  FILE* get() const { return stream_.get(); }

 private:
  char buffer_[BUFSIZ];
  File stream_;  // closed before its buffer goes
};

// A stream writing into memory (open_memstream).
class OutputStream {
 public:
  OutputStream();
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  FILE* get() const { return stream_; }
  // Closes the stream and gives what was written to it.
  std::string text();

 private:
  FILE* stream_ = nullptr;
  char* buffer_ = nullptr;
  size_t size_ = 0;
};

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
