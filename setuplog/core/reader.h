#pragma once
// A log file read in blocks and handed on line by line: the memory used is
// one block and one line, whatever the size of the file or of its lines.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace se::logs {

// The engine writes at most 511 characters a line (and a message's own line
// feeds); longer lines are damage, and only their beginning is read.
constexpr std::size_t kLineCap = 8192;

struct ReadResult {
    bool opened = false, binary = false, endsInsideLine = false, readError = false;
    long long bytes = 0;
};

// line(text, number, full length); progress(bytes read so far) after each block.
using LineSink = std::function<void(std::string_view, long long, std::size_t)>;
using ProgressSink = std::function<void(long long)>;

// A file whose first 4 KB hold a zero byte, or more than a tenth of control
// characters, is not a text log: it is reported binary and not read further.
ReadResult ReadLogLines(const std::string& path, const LineSink& line, const ProgressSink& progress);

bool LooksBinary(std::string_view head);

}  // namespace se::logs
