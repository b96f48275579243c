#include "fuzz_support.h"

#include <algorithm>
#include <cstdlib>

#include "base/log.h"
#include "ppd/model_table.h"

Log& quietLog() {
  static Log log;
  log.discard();
  return log;
}

InputStream::InputStream(const uint8_t* data, size_t size)
    // Opened for reading only: the bytes are never written.
    : stream_(fmemopen(const_cast<uint8_t*>(data), size, "r")) {
  FUZZ_CHECK(stream_ && setvbuf(stream_.get(), buffer_, _IOFBF, sizeof buffer_) == 0);
}

InputStream::InputStream(const std::string& text)
    : InputStream(reinterpret_cast<const uint8_t*>(text.data()), text.size()) {}

OutputStream::OutputStream() : stream_(open_memstream(&buffer_, &size_)) {
  FUZZ_CHECK(stream_);
}

OutputStream::~OutputStream() {
  if (stream_)
    std::fclose(stream_);
  std::free(buffer_);
}

std::string OutputStream::text() {
  if (stream_) {
    FUZZ_CHECK(std::fclose(stream_) == 0);
    stream_ = nullptr;
  }
  return std::string(buffer_, size_);
}

bool isModelId(int id) {
  for (int i = 0; i < kModelCount; ++i)
    if (kModelTable[i].id == id)
      return true;
  return false;
}

bool keepsLines(const std::string& input, const std::string& output) {
  auto lineFeeds = [](const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
  };
  bool lastLineEnds = input.empty() || input.back() == '\n';
  return lineFeeds(output) == lineFeeds(input) ||
         (!lastLineEnds && lineFeeds(output) == lineFeeds(input) + 1);
}

void fuzzCheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}
